#include "SkinArt.h"

#include <QPainter>

namespace {

// The windows' colours: a cyan accent, a deeper blue, cool greys and a light area.
const QColor kAccent(70, 175, 213);
const QColor kDeepBlue(24, 120, 226);
const QColor kBorderGrey(178, 187, 199);
const QColor kHairline(226, 231, 238);
const QColor kLightArea(244, 244, 244);
const QColor kWhite(255, 255, 255);
const QColor kMagenta(255, 0, 255);
const QColor kTextGrey(122, 134, 153);

// A picture of width x height (1x) pixels at scale, painted on in 1x coordinates.
QImage Blank(int width, int height, const QColor& fill, qreal scale) {
    QImage image(QSize(width, height) * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.fill(fill);
    return image;
}

// A filled rectangle with a one-pixel border, drawn inside r.
void Framed(QPainter& p, const QRect& r, const QColor& fill, const QColor& border) {
    p.fillRect(r, border);
    p.fillRect(r.adjusted(1, 1, -1, -1), fill);
}

// A white tick inside a 13 x 13 box whose top-left is at.
void Tick(QPainter& p, QPoint at, const QColor& colour) {
    p.setPen(QPen(colour, 1));
    for (int i = 0; i < 2; ++i) {
        p.drawLine(at + QPoint(3, 6 + i), at + QPoint(5, 8 + i));
        p.drawLine(at + QPoint(5, 8 + i), at + QPoint(9, 4 + i));
    }
}

// A 15 x 15 check image at left, 60: a 13 x 13 box with a one-pixel magenta margin, so the
// images may share their outer columns and the bottom-left pixel is the transparent colour.
void CheckImage(QPainter& p, int left, const QColor& fill, const QColor& border, bool ticked) {
    QRect box(left + 1, 61, 13, 13);
    Framed(p, box, fill, border);
    if (ticked)
        Tick(p, box.topLeft(), kWhite);
}

// The radio images: the same boxes with their corners cut, and a dot when chosen.
void RadioImage(QPainter& p, int left, const QColor& fill, const QColor& border, bool chosen) {
    QRect box(left + 1, 61, 13, 13);
    Framed(p, box, fill, border);
    for (QPoint corner : {box.topLeft(), box.topRight(), box.bottomLeft(), box.bottomRight()})
        p.fillRect(QRect(corner, QSize(1, 1)), kMagenta);
    if (chosen)
        p.fillRect(QRect(box.left() + 4, box.top() + 4, 5, 5), kWhite);
}

void Button(QPainter& p, const QRect& r, const QColor& fill, const QColor& border) {
    Framed(p, r, fill, border);
    p.fillRect(QRect(r.left() + 1, r.top() + 1, r.width() - 2, 1), fill.lighter(108));
}

void Arrow(QPainter& p, const QRect& r, bool horizontal, bool forward) {
    Framed(p, r, kLightArea, kBorderGrey);
    QPoint c = r.center();
    for (int i = 0; i < 4; ++i) {
        int d = forward ? i : -i;
        if (horizontal)
            p.fillRect(QRect(c.x() + d, c.y() - (3 - i), 1, 2 * (3 - i) + 1), kTextGrey);
        else
            p.fillRect(QRect(c.x() - (3 - i), c.y() + d, 2 * (3 - i) + 1, 1), kTextGrey);
    }
}

QImage ControlPieces(qreal scale) {
    QImage image = Blank(521, 353, kMagenta, scale);
    QPainter p(&image);
    // Buttons: normal, pointer over, pressed, disabled; tool buttons.
    Button(p, QRect(QPoint(1, 1), QPoint(75, 23)), kLightArea, kBorderGrey);
    Button(p, QRect(QPoint(77, 1), QPoint(151, 23)), kWhite, kAccent);
    Button(p, QRect(QPoint(153, 1), QPoint(227, 23)), kAccent, kDeepBlue);
    Button(p, QRect(QPoint(229, 1), QPoint(303, 23)), kHairline, kHairline.darker(110));
    Button(p, QRect(QPoint(305, 1), QPoint(334, 23)), kLightArea, kLightArea);
    Button(p, QRect(QPoint(336, 1), QPoint(365, 23)), kWhite, kAccent);
    Button(p, QRect(QPoint(367, 1), QPoint(396, 23)), kAccent, kDeepBlue);

    // Check box: unchecked, pointer over unchecked, pointer over checked, checked.
    CheckImage(p, 1, kWhite, kBorderGrey, false);
    CheckImage(p, 15, kWhite, kAccent, false);
    CheckImage(p, 29, kAccent, kAccent, true);
    CheckImage(p, 43, kDeepBlue, kDeepBlue, true);
    p.fillRect(QRect(QPoint(59, 62), QPoint(91, 80)), kLightArea);
    Framed(p, QRect(QPoint(59, 82), QPoint(91, 100)), kLightArea, kBorderGrey);
    // Radio box, in the same order.
    RadioImage(p, 100, kWhite, kBorderGrey, false);
    RadioImage(p, 114, kWhite, kAccent, false);
    RadioImage(p, 128, kAccent, kAccent, true);
    RadioImage(p, 142, kDeepBlue, kDeepBlue, true);
    p.fillRect(QRect(QPoint(158, 62), QPoint(190, 80)), kLightArea);
    Framed(p, QRect(QPoint(158, 82), QPoint(190, 100)), kLightArea, kBorderGrey);

    // Panels, group box, edit (normal and active), combo button, up-down, splitter.
    Framed(p, QRect(QPoint(1, 110), QPoint(80, 169)), kLightArea, kBorderGrey);
    p.fillRect(QRect(QPoint(82, 110), QPoint(161, 139)), kLightArea);
    p.fillRect(QRect(QPoint(82, 139), QPoint(161, 139)), kHairline);
    Framed(p, QRect(QPoint(163, 118), QPoint(242, 169)), kLightArea, kBorderGrey);
    p.fillRect(QRect(QPoint(163, 110), QPoint(242, 117)), kLightArea);
    Framed(p, QRect(QPoint(244, 110), QPoint(323, 131)), kWhite, kBorderGrey);
    Framed(p, QRect(QPoint(244, 133), QPoint(323, 154)), kWhite, kAccent);
    Arrow(p, QRect(QPoint(330, 110), QPoint(346, 131)), false, true);
    Arrow(p, QRect(QPoint(350, 110), QPoint(366, 120)), false, false);
    Arrow(p, QRect(QPoint(350, 122), QPoint(366, 132)), false, true);
    p.fillRect(QRect(QPoint(400, 110), QPoint(405, 169)), kHairline);

    // Scroll bars: horizontal track, thumb and arrows; vertical track, thumb and arrows.
    Framed(p, QRect(QPoint(1, 180), QPoint(100, 196)), kLightArea, kHairline);
    Framed(p, QRect(QPoint(102, 180), QPoint(141, 196)), kBorderGrey, kBorderGrey.darker(110));
    Arrow(p, QRect(QPoint(143, 180), QPoint(159, 196)), true, false);
    Arrow(p, QRect(QPoint(161, 180), QPoint(177, 196)), true, true);
    Framed(p, QRect(QPoint(480, 1), QPoint(496, 100)), kLightArea, kHairline);
    Framed(p, QRect(QPoint(498, 1), QPoint(514, 40)), kBorderGrey, kBorderGrey.darker(110));
    Arrow(p, QRect(QPoint(480, 102), QPoint(496, 118)), false, false);
    Arrow(p, QRect(QPoint(480, 120), QPoint(496, 136)), false, true);

    // Gauge track and bar; track bar with its thumb (normal and active).
    Framed(p, QRect(QPoint(1, 210), QPoint(120, 225)), kHairline, kBorderGrey);
    Framed(p, QRect(QPoint(1, 227), QPoint(120, 242)), kAccent, kDeepBlue);
    Framed(p, QRect(QPoint(130, 212), QPoint(249, 216)), kHairline, kBorderGrey);
    Framed(p, QRect(QPoint(251, 206), QPoint(262, 225)), kWhite, kBorderGrey);
    Framed(p, QRect(QPoint(264, 206), QPoint(275, 225)), kWhite, kAccent);

    // Tabs (normal, active) and the tab sheet.
    Framed(p, QRect(QPoint(1, 250), QPoint(60, 273)), kHairline, kBorderGrey);
    Framed(p, QRect(QPoint(62, 250), QPoint(121, 273)), kWhite, kAccent);
    Framed(p, QRect(QPoint(123, 250), QPoint(222, 299)), kWhite, kBorderGrey);

    // Status bar and menu bar (with its item, normal and active).
    Framed(p, QRect(QPoint(1, 310), QPoint(200, 329)), kLightArea, kHairline);
    p.fillRect(QRect(QPoint(210, 310), QPoint(409, 329)), kLightArea);
    p.fillRect(QRect(QPoint(250, 310), QPoint(289, 329)), kAccent);
    return image;
}

// The window frame: a title bar in the accent (grey when inactive) over a light body.
QImage Frame(const QColor& title, qreal scale) {
    QImage image = Blank(162, 120, kLightArea, scale);
    QPainter p(&image);
    Framed(p, QRect(0, 0, 162, 120), kLightArea, kBorderGrey);
    p.fillRect(QRect(1, 1, 160, 27), title);
    return image;
}

QImage FrameMask(qreal scale) {
    QImage image = Blank(162, 120, kWhite, scale);
    QPainter p(&image);
    for (QPoint corner : {QPoint(0, 0), QPoint(161, 0), QPoint(0, 119), QPoint(161, 119)})
        p.fillRect(QRect(corner, QSize(1, 1)), Qt::black);
    return image;
}

// Popup menu: a white panel with a grey border, an item and a highlighted item.
QImage PopupPieces(qreal scale) {
    QImage image = Blank(145, 165, kWhite, scale);
    QPainter p(&image);
    Framed(p, QRect(0, 0, 145, 165), kWhite, kBorderGrey);
    p.fillRect(QRect(QPoint(4, 26), QPoint(140, 45)), kAccent);
    return image;
}

// Caption buttons: close, minimise, maximise, each normal, pointer over and pressed.
QImage CaptionButtons(qreal scale) {
    QImage image = Blank(67, 61, kAccent, scale);
    QPainter p(&image);
    const QColor fills[] = {kAccent, kAccent.lighter(115), kDeepBlue};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            QRect r(1 + 22 * column, 1 + 20 * row, 20, 20);
            p.fillRect(r, fills[row]);
            p.setPen(kWhite);
            if (column == 0) {
                p.drawLine(r.left() + 6, r.top() + 6, r.right() - 6, r.bottom() - 6);
                p.drawLine(r.left() + 6, r.bottom() - 6, r.right() - 6, r.top() + 6);
            } else if (column == 1) {
                p.fillRect(QRect(r.left() + 6, r.top() + 13, 8, 2), kWhite);
            } else {
                p.drawRect(r.adjusted(6, 6, -7, -7));
            }
        }
    }
    return image;
}

QImage ScrollPieces(qreal scale) {
    QImage image = Blank(65, 116, kLightArea, scale);
    QPainter p(&image);
    for (int i = 0; i < 4; ++i)
        Arrow(p, QRect(1 + 16 * (i % 4), 1, 15, 15), i < 2, i % 2 == 1);
    Framed(p, QRect(1, 20, 15, 95), kLightArea, kHairline);
    Framed(p, QRect(20, 20, 15, 40), kBorderGrey, kBorderGrey.darker(110));
    return image;
}

QImage TrayButton(qreal scale) {
    QImage image = Blank(40, 21, kAccent, scale);
    QPainter p(&image);
    p.fillRect(QRect(20, 0, 20, 21), kAccent.lighter(115));
    p.fillRect(QRect(6, 13, 8, 2), kWhite);
    p.fillRect(QRect(26, 13, 8, 2), kWhite);
    return image;
}

// The hint window: an 8-bit picture with a light vertical shading.
QImage HintPieces(qreal scale) {
    QImage image(QSize(138, 86) * scale, QImage::Format_Indexed8);
    image.setDevicePixelRatio(scale);
    image.setColorCount(86);
    for (int y = 0; y < 86; ++y) {
        int shade = 255 - y / 4;
        image.setColor(y, qRgb(shade, shade, 255 - y / 8));
    }
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, static_cast<uint>(y / scale));
    return image;
}

} // namespace

std::vector<SkinPicture> DrawSkinPictures(qreal scale) {
    return {
        {"main.bmp", Frame(kAccent, scale), 24},
        {"inactive.bmp", Frame(kBorderGrey, scale), 24},
        {"mask.bmp", FrameMask(scale), 1},
        {"picture0.bmp", PopupPieces(scale), 24},
        {"picture1.bmp", CaptionButtons(scale), 24},
        {"picture2.bmp", ScrollPieces(scale), 24},
        {"picture3.bmp", TrayButton(scale), 24},
        {"picture4.bmp", ControlPieces(scale), 24},
        {"picture5.bmp", HintPieces(scale), 8},
    };
}
