// Skin engine timings, each against an anchor in the same run:
//  - loading the options window's stored skin (inflate and parse, as TbsSkinData does when
//    the window is created) against inflating the same block alone, and that inflate against
//    zlib's one-call uncompress into a buffer of the known size;
//  - painting one skinned check box of the options window (background copied from an
//    588 x 400 window, check image, caption) against Qt's own QCheckBox of the same size and
//    caption rendered into an image.
// Reports the median of many rounds and the ratios.
#include "rtl/Application.h"
#include "rtl/Form.h"
#include "skin/SkinContent.h"
#include "skin/ZlibBlock.h"
#include "skin/bsSkinCtrls.h"

#include <QByteArray>
#include <QCheckBox>
#include <QImage>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

namespace {

double MedianMicroseconds(int rounds, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        auto start = std::chrono::steady_clock::now();
        work();
        auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::vector<std::uint8_t> ReadBlock() {
    std::ifstream in(OPTIONS_SKIN_BLOCK, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
    TApplication application(argc, argv);

    std::vector<std::uint8_t> block = ReadBlock();
    if (block.empty()) {
        std::fprintf(stderr, "no skin block at %s\n", OPTIONS_SKIN_BLOCK);
        return 1;
    }
    std::size_t inflated = InflateBlock(block).size();
    double inflateOnly = MedianMicroseconds(200, [&] { (void)InflateBlock(block); });
    double load = MedianMicroseconds(200, [&] {
        SkinContent skin;
        skin.Load(InflateBlock(block));
    });
    std::vector<std::uint8_t> out(inflated);
    double zlibOnly = MedianMicroseconds(200, [&] {
        uLongf size = static_cast<uLongf>(out.size());
        (void)uncompress(out.data(), &size, block.data(), static_cast<uLong>(block.size()));
    });
    std::printf("skin load (%zu bytes compressed, %zu inflated):\n", block.size(), inflated);
    std::printf("  zlib uncompress        %9.1f us\n", zlibOnly);
    std::printf("  inflate only (anchor)  %9.1f us   ratio to zlib %.2f\n", inflateOnly,
                inflateOnly / zlibOnly);
    std::printf("  inflate and parse      %9.1f us   ratio %.2f\n", load, load / inflateOnly);

    TForm form(nullptr);
    form.SetBorderStyle(bsNone);
    form.SetBounds(0, 0, 588, 400);
    auto* stored = new TbsCompressedStoredSkin(&form);
    stored->SetCompressedData(block);
    auto* data = new TbsSkinData(&form);
    data->SetCompressedStoredSkin(stored);
    auto* box = new TbsSkinCheckRadioBox(&form);
    box->SetParent(&form);
    box->SetBounds(8, 360, 89, 25);
    box->SetCaption("\xD4\xC4\xB6\xC1\xB2\xA2\xCD\xAC\xD2\xE2"); // 阅读并同意
    box->SetSkinData(data);
    box->SetChecked(true);
    form.Show();

    QImage image(89, 25, QImage::Format_ARGB32_Premultiplied);
    double ours = MedianMicroseconds(500, [&] { box->PaintSurface(image, {0, 0}); });

    QCheckBox native(QString::fromUtf8("阅读并同意"));
    native.setChecked(true);
    native.resize(89, 25);
    native.setFont(TFont().ToQFont());
    QImage nativeImage(89, 25, QImage::Format_ARGB32_Premultiplied);
    double anchor = MedianMicroseconds(500, [&] { native.render(&nativeImage); });
    std::printf("check box paint (89 x 25):\n");
    std::printf("  QCheckBox render (anchor) %9.1f us\n", anchor);
    std::printf("  TbsSkinCheckRadioBox      %9.1f us   ratio %.2f\n", ours, ours / anchor);
    return 0;
}
