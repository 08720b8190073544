// Checks the committed window pictures: each one is a PNG of exactly the size its control draws
// at natural size, stored as 8-bit RGBA, and the places where controls and text lie over a
// picture stay plain enough to read.
#include <QColor>
#include <QFile>
#include <QImage>
#include <QRect>
#include <QString>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace {

const QString pictures = QStringLiteral(SOURCE_ROOT "/resources/pictures/");

struct ExpectedPicture {
    const char* path;
    int width;
    int height;
};

const ExpectedPicture allPictures[] = {
    {"options/background.png", 588, 600}, {"options/install.png", 197, 47},
    {"options/close.png", 11, 11},        {"options/minimize.png", 10, 2},
    {"options/toggle0.png", 20, 17},      {"options/toggle1.png", 20, 17},
    {"options/toggle2.png", 20, 17},      {"options/toggle3.png", 20, 17},
    {"progress/slide1.png", 588, 358},    {"progress/slide2.png", 588, 358},
    {"progress/slide3.png", 588, 358},    {"progress/slide4.png", 588, 358},
    {"progress/slide5.png", 588, 358},    {"progress/minimize.png", 10, 2},
    {"progress/close.png", 11, 11},       {"progress/strip_gray.png", 1, 3},
    {"progress/strip_blue.png", 1, 3},    {"finish/background.png", 588, 475},
    {"finish/finish.png", 241, 39},
};

// The header fields of a PNG file, read from its IHDR chunk.
struct PngHeader {
    quint32 width = 0;
    quint32 height = 0;
    int bitDepth = -1;
    int colourType = -1;
};

quint32 bigEndian32(const QByteArray& bytes, int at) {
    return (quint32(quint8(bytes[at])) << 24) | (quint32(quint8(bytes[at + 1])) << 16) |
           (quint32(quint8(bytes[at + 2])) << 8) | quint32(quint8(bytes[at + 3]));
}

PngHeader readPngHeader(const QString& path) {
    QFile file(path);
    PngHeader header;
    if (!file.open(QIODevice::ReadOnly)) {
        return header;
    }
    const QByteArray bytes = file.read(33);
    if (bytes.size() < 33 || !bytes.startsWith("\x89PNG\r\n\x1a\n") || bytes.mid(12, 4) != "IHDR") {
        return header;
    }
    header.width = bigEndian32(bytes, 16);
    header.height = bigEndian32(bytes, 20);
    header.bitDepth = quint8(bytes[24]);
    header.colourType = quint8(bytes[25]);
    return header;
}

QImage loadPicture(const QString& name) {
    return QImage(pictures + name).convertToFormat(QImage::Format_RGBA8888);
}

// Relative luminance as used for contrast ratios, 0 (black) to 1 (white).
double luminance(QRgb pixel) {
    auto channel = [](int value) {
        const double c = value / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(pixel)) + 0.7152 * channel(qGreen(pixel)) +
           0.0722 * channel(qBlue(pixel));
}

double contrastRatio(double a, double b) {
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

// Lightest and darkest luminance over a rectangle of an opaque picture.
struct LuminanceRange {
    double darkest = 1;
    double lightest = 0;
};

LuminanceRange luminanceRange(const QImage& image, const QRect& area) {
    LuminanceRange range;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const double l = luminance(image.pixel(x, y));
            range.darkest = std::min(range.darkest, l);
            range.lightest = std::max(range.lightest, l);
        }
    }
    return range;
}

// A plain, light area: black text on it keeps a strong contrast everywhere in it, and nothing
// in it is a visible edge (the lightest and darkest point differ by less than a faint tint).
void expectPlainAndLight(const QImage& image, const QRect& area, const char* what) {
    const LuminanceRange range = luminanceRange(image, area);
    EXPECT_GE(contrastRatio(range.darkest, 0.0), 15.0) << what << " is too dark for black text";
    EXPECT_LT(contrastRatio(range.lightest, range.darkest), 1.08) << what << " is not plain";
}

// The colour of a glyph picture: its most opaque pixel.
QRgb glyphColour(const QImage& glyph) {
    QRgb best = 0;
    for (int y = 0; y < glyph.height(); ++y) {
        for (int x = 0; x < glyph.width(); ++x) {
            if (qAlpha(glyph.pixel(x, y)) > qAlpha(best)) {
                best = glyph.pixel(x, y);
            }
        }
    }
    return best;
}

// The window glyphs stay legible over a picture's corner: the ground under them is calm and
// contrasts with the glyph colour everywhere.
void expectGlyphsReadable(const QImage& background, const QRect& corner, QRgb glyph,
                          const char* what) {
    const LuminanceRange range = luminanceRange(background, corner);
    EXPECT_GE(contrastRatio(luminance(glyph), range.lightest), 3.0) << what;
    EXPECT_LT(contrastRatio(range.lightest, range.darkest), 1.25) << what << " is not calm";
}

bool isOpaque(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) != 255) {
                return false;
            }
        }
    }
    return true;
}

TEST(Artwork, EveryPictureIsAnRgbaPngOfItsExactSize) {
    for (const ExpectedPicture& picture : allPictures) {
        SCOPED_TRACE(picture.path);
        const PngHeader header = readPngHeader(pictures + picture.path);
        EXPECT_EQ(header.width, quint32(picture.width));
        EXPECT_EQ(header.height, quint32(picture.height));
        EXPECT_EQ(header.bitDepth, 8);
        EXPECT_EQ(header.colourType, 6) << "not RGBA";
        const QImage decoded(pictures + picture.path);
        EXPECT_EQ(decoded.size(), QSize(picture.width, picture.height)) << "does not decode";
    }
}

// The twin of a picture (name@2x.png), which scaled screens show in its place.
QString twinPath(const char* path) {
    return QString(path).replace(".png", "@2x.png");
}

// Mean difference per channel (alpha included) of two images of one size, 0 to 255.
double meanDifference(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q)) + std::abs(qAlpha(p) - qAlpha(q));
        }
    }
    return sum / (4.0 * a.width() * a.height());
}

TEST(Artwork, EveryPictureHasATwinOfTwiceItsSizeShowingTheSameInTheSamePlaces) {
    for (const ExpectedPicture& picture : allPictures) {
        SCOPED_TRACE(picture.path);
        const PngHeader header = readPngHeader(pictures + twinPath(picture.path));
        EXPECT_EQ(header.width, quint32(2 * picture.width));
        EXPECT_EQ(header.height, quint32(2 * picture.height));
        EXPECT_EQ(header.bitDepth, 8);
        EXPECT_EQ(header.colourType, 6) << "not RGBA";
        // Halved, the twin is the 1x picture but for the edges drawing at 2x sharpens.
        const QImage halved = loadPicture(twinPath(picture.path).toUtf8().constData())
                                  .scaled(picture.width, picture.height, Qt::IgnoreAspectRatio,
                                          Qt::SmoothTransformation);
        EXPECT_LT(meanDifference(halved, loadPicture(picture.path)), 8.0);
    }
}

TEST(Artwork, StripColumnsHoldExactlyTheirOpaqueColours) {
    const struct {
        const char* path;
        QRgb colour;
    } strips[] = {{"progress/strip_gray.png", qRgba(217, 217, 217, 255)},
                  {"progress/strip_blue.png", qRgba(70, 175, 213, 255)}};
    for (const auto& strip : strips) {
        const QImage image = loadPicture(strip.path);
        ASSERT_EQ(image.size(), QSize(1, 3)) << strip.path;
        for (int y = 0; y < 3; ++y) {
            EXPECT_EQ(image.pixel(0, y), strip.colour) << strip.path << " row " << y;
        }
    }
}

TEST(Artwork, SlidesCoverTheWindowAndKeepTheStatusAndGlyphAreasReadable) {
    const QRgb glyph = glyphColour(loadPicture("progress/close.png"));
    for (int number = 1; number <= 5; ++number) {
        const QByteArray name = QString("progress/slide%1.png").arg(number).toUtf8();
        SCOPED_TRACE(name.constData());
        const QImage slide = loadPicture(name);
        ASSERT_EQ(slide.size(), QSize(588, 358));
        // Transparent pixels would let the window's grey face show through.
        EXPECT_TRUE(isOpaque(slide));
        // The status line at (88, 320) and the progress bar at (20, 338), 548 x 7.
        expectPlainAndLight(slide, QRect(20, 314, 548, 36), "status and progress area");
        // Minimise glyph at (548, 10) and close glyph at (573, 5), each in a 15 x 15 control.
        expectGlyphsReadable(slide, QRect(546, 3, 42, 24), glyph, "glyph corner");
    }
}

TEST(Artwork, OptionsBackgroundLeavesEveryControlOnAPlainLightGround) {
    const QImage background = loadPicture("options/background.png");
    ASSERT_EQ(background.size(), QSize(588, 600));
    EXPECT_TRUE(isOpaque(background));
    const struct {
        QRect area;
        const char* what;
    } controls[] = {
        {QRect(196, 336, 197, 47), "install button"},
        {QRect(8, 360, 89, 25), "agreement check box, at start"},
        {QRect(8, 370, 89, 25), "agreement check box, collapsed"},
        {QRect(8, 520, 89, 25), "agreement check box, expanded"},
        {QRect(112, 366, 89, 17), "licence link, at start"},
        {QRect(112, 525, 89, 17), "licence link, expanded"},
        {QRect(488, 368, 89, 17), "toggle and options link, at start"},
        {QRect(488, 375, 89, 17), "toggle and options link, collapsed"},
        {QRect(488, 525, 89, 17), "toggle and options link, expanded"},
        {QRect(176, 400, 237, 25), "folder box"},
        {QRect(440, 400, 75, 25), "browse button"},
        {QRect(184, 456, 150, 25), "desktop shortcut check box"},
        {QRect(349, 456, 150, 25), "quick launch check box"},
        {QRect(186, 489, 113, 25), "start-up check box"},
    };
    for (const auto& control : controls) {
        expectPlainAndLight(background, control.area, control.what);
    }
    const QRgb glyph = glyphColour(loadPicture("options/close.png"));
    expectGlyphsReadable(background, QRect(556, 3, 32, 15), glyph, "options glyph corner");
}

TEST(Artwork, FinishBackgroundCarriesItsMarksAndAPlainGroundForTheButton) {
    const QImage background = loadPicture("finish/background.png");
    ASSERT_EQ(background.size(), QSize(588, 475));
    EXPECT_TRUE(isOpaque(background));
    expectPlainAndLight(background, QRect(168, 296, 241, 41), "finish button");
    // The painted minimise and close marks: light strokes on the dark banner corner.
    const QRect marks(539, 9, 39, 11);
    const LuminanceRange range = luminanceRange(background, marks);
    EXPECT_GE(contrastRatio(range.lightest, range.darkest), 3.0) << "no marks in the corner";
    const LuminanceRange left = luminanceRange(background, QRect(539, 9, 11, 11));
    const LuminanceRange right = luminanceRange(background, QRect(566, 9, 12, 11));
    EXPECT_GE(contrastRatio(left.lightest, left.darkest), 3.0) << "no minimise mark";
    EXPECT_GE(contrastRatio(right.lightest, right.darkest), 3.0) << "no close mark";
}

TEST(Artwork, ButtonsAreRoundedBlueWithALightLabel) {
    for (const char* path : {"options/install.png", "finish/finish.png"}) {
        SCOPED_TRACE(path);
        const QImage button = loadPicture(path);
        const int right = button.width() - 1;
        const int bottom = button.height() - 1;
        for (QPoint corner :
             {QPoint(0, 0), QPoint(right, 0), QPoint(0, bottom), QPoint(right, bottom)}) {
            EXPECT_EQ(qAlpha(button.pixel(corner)), 0) << "square corner";
        }
        const QRgb edge = button.pixel(8, button.height() / 2);
        EXPECT_EQ(qAlpha(edge), 255);
        EXPECT_GT(qBlue(edge), qRed(edge) + 80) << "not blue";
        const LuminanceRange label =
            luminanceRange(button, QRect(button.width() / 4, button.height() / 4,
                                         button.width() / 2, button.height() / 2));
        EXPECT_GE(contrastRatio(label.lightest, label.darkest), 3.0) << "no readable label";
    }
}

TEST(Artwork, TogglePicturesFollowTheListOrder) {
    // 0 grey down, 1 green down, 2 grey up, 3 green up. A chevron's apex is white: a downward
    // one below the disc's centre, an upward one above it.
    for (int index = 0; index < 4; ++index) {
        SCOPED_TRACE(index);
        const QImage toggle = loadPicture(QString("options/toggle%1.png").arg(index).toUtf8());
        const QRgb disc = toggle.pixel(4, 8);
        EXPECT_EQ(qAlpha(disc), 255);
        const bool green = index % 2 == 1;
        if (green) {
            EXPECT_GT(qGreen(disc), qRed(disc) + 60);
        } else {
            EXPECT_LT(std::abs(qGreen(disc) - qRed(disc)), 30) << "not grey";
        }
        const bool up = index >= 2;
        const double apexBelow = luminance(toggle.pixel(10, 10));
        const double apexAbove = luminance(toggle.pixel(10, 6));
        EXPECT_GT(up ? apexAbove : apexBelow, (up ? apexBelow : apexAbove) + 0.2);
    }
}

} // namespace
