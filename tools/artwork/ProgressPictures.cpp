#include "ProgressPictures.h"

#include "Banner.h"
#include "Controls.h"
#include "Header.h"
#include "Palette.h"
#include "SlideArt.h"

#include <QPainter>
#include <QPainterPath>
#include <stdexcept>

namespace {

using ArtPainter = void (*)(QPainter&, const Typography&, const QRectF&);

struct Slide {
    const char* headline;
    const char* lines[2];
    BannerTone tone;
    ArtPainter art;
};

const Slide& SlideContent(int number) {
    static const Slide slides[slideCount] = {
        {"蓝光画质",
         {"4K高清与HDR色彩，", "每一帧细节都纤毫毕现"},
         {QColor(42, 157, 244), QColor(17, 78, 188), QColor(110, 214, 246)},
         DrawPictureQualityArt},
        {"秒开流畅",
         {"智能预加载，点开即播，", "随意拖动也不卡顿"},
         {QColor(34, 170, 236), QColor(16, 92, 196), QColor(120, 226, 240)},
         DrawInstantPlayArt},
        {"全格式支持",
         {"MP4、MKV、AVI、FLV……", "主流音视频格式一个搞定"},
         {QColor(66, 136, 246), QColor(44, 64, 184), QColor(130, 190, 255)},
         DrawFormatsArt},
        {"智能字幕",
         {"自动匹配中外字幕，", "外语大片也能轻松看懂"},
         {QColor(30, 176, 222), QColor(16, 104, 188), QColor(120, 230, 236)},
         DrawSubtitlesArt},
        {"小窗播放",
         {"悬浮小窗始终置顶，", "追剧工作两不误"},
         {QColor(76, 142, 244), QColor(54, 72, 198), QColor(150, 196, 255)},
         DrawMiniWindowArt},
    };
    if (number < 1 || number > slideCount) {
        throw std::out_of_range("slide number out of range");
    }
    return slides[number - 1];
}

// Five dots under the text, the current one drawn as a short bar.
void DrawPageDots(QPainter& painter, QPointF origin, int current) {
    painter.setPen(Qt::NoPen);
    qreal x = origin.x();
    for (int i = 1; i <= slideCount; ++i) {
        const bool active = i == current;
        const qreal width = active ? 18 : 6;
        painter.setBrush(active ? QColor(Qt::white) : palette::WithAlpha(Qt::white, 110));
        painter.drawRoundedRect(QRectF(x, origin.y(), width, 6), 3, 3);
        x += width + 7;
    }
}

} // namespace

QImage DrawSlide(const Typography& type, int number, qreal scale) {
    const Slide& content = SlideContent(number);
    const QSize size(588, 358);
    QImage image = BlankPicture(size, scale);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    PaintBannerPicture(painter, size, 300, content.tone);
    DrawWindowHeader(painter, type);

    const qreal left = 42;
    const QRectF tag(left, 80, 64, 22);
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette::WithAlpha(Qt::white, 46));
    painter.drawRoundedRect(tag, 11, 11);
    type.DrawCentred(painter, QStringLiteral("功能亮点"), tag,
                     TextStyle{12, 0.15, 1, palette::WithAlpha(Qt::white, 235)});
    type.Draw(painter, QString::fromUtf8(content.headline), left, 148,
              TextStyle{32, 1.2, 2, Qt::white});
    painter.fillRect(QRectF(left, 162, 28, 3), palette::lightCyan);
    const TextStyle body{15, 0.15, 0.6, palette::WithAlpha(Qt::white, 225)};
    type.Draw(painter, QString::fromUtf8(content.lines[0]), left, 192, body);
    type.Draw(painter, QString::fromUtf8(content.lines[1]), left, 215, body);
    DrawPageDots(painter, QPointF(left, 246), number);

    content.art(painter, type, QRectF(300, 44, 260, 226));
    painter.end();
    return image.convertToFormat(QImage::Format_RGBA8888);
}
