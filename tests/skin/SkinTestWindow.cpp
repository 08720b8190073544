#include "SkinTestWindow.h"

#include <QApplication>
#include <QBuffer>
#include <QCursor>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

SkinTestWindow::SkinTestWindow(QRgb background)
    : form_(new TForm(nullptr)), background_(background) {
    // The pointer stays away from the window unless a test moves it in.
    QCursor::setPos(-1000, -1000);
    form_->SetBorderStyle(bsNone);
    form_->SetBounds(0, 0, 300, 120);
    form_->SetColor(ToTColor(background));
    form_->Show();
    QApplication::setActiveWindow(form_->Widget());
    (void)QTest::qWaitForWindowActive(form_->Widget());
}

SkinTestWindow::~SkinTestWindow() {
    delete form_;
}

QImage SkinTestWindow::Surface() const {
    QImage image(form_->Width(), form_->Height(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    form_->PaintSurface(image, {0, 0});
    return image.convertToFormat(QImage::Format_RGB32);
}

TbsSkinData* SkinTestWindow::OptionsSkin() {
    auto* stored = new TbsCompressedStoredSkin(form_);
    stored->SetCompressedData(OptionsSkinBlock());
    auto* data = new TbsSkinData(form_);
    data->SetCompressedStoredSkin(stored);
    return data;
}

std::vector<std::uint8_t> OptionsSkinBlock() {
    std::ifstream in(OPTIONS_SKIN_BLOCK, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

QImage White(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(qRgb(255, 255, 255));
    return image;
}

std::vector<std::uint8_t> PngFile(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return {bytes.begin(), bytes.end()};
}

double TextCoverage(const QImage& image, QRgb background, QRgb text) {
    double best = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            QRgb p = image.pixel(x, y);
            if (p == background)
                continue;
            // The channel that differs most between the two colours gives the mix.
            int channels[3][3] = {{qRed(p), qRed(background), qRed(text)},
                                  {qGreen(p), qGreen(background), qGreen(text)},
                                  {qBlue(p), qBlue(background), qBlue(text)}};
            int widest = 0;
            for (int c = 1; c < 3; ++c)
                if (std::abs(channels[c][2] - channels[c][1]) >
                    std::abs(channels[widest][2] - channels[widest][1]))
                    widest = c;
            double t = double(channels[widest][0] - channels[widest][1]) /
                       (channels[widest][2] - channels[widest][1]);
            for (auto& channel : channels) {
                double expected = channel[1] + t * (channel[2] - channel[1]);
                if (std::abs(channel[0] - expected) > 3)
                    return -1;
            }
            best = std::max(best, t);
        }
    return best;
}

TColor ToTColor(QRgb rgb) {
    return TColor(qRed(rgb) | (qGreen(rgb) << 8) | (qBlue(rgb) << 16));
}
