// The three windows on scaled screens: every control and click target stays where it is at
// 1x, and the pictures are painted from their 2x twins, not from the 1x pictures scaled up.
#include "InstallerWindows.h"

#include "setup/FinishWindow.h"
#include "setup/OptionsWindow.h"
#include "setup/ProgressWindow.h"

#include "skin/Raster.h"
#include "skin/bsPngImage.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct ProbeRun {
    QByteArray printed;
    int exitCode = -1;
};

// window-probe on the offscreen platform at a scale, grabbing the windows into folder; with
// fontconfig's configuration from fontconfigFile when one is given.
ProbeRun Probe(const char* scale, const QString& folder, const QString& fontconfigFile = {}) {
    QProcess probe;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("QT_SCALE_FACTOR", scale);
    if (!fontconfigFile.isEmpty())
        environment.insert("FONTCONFIG_FILE", fontconfigFile);
    probe.setProcessEnvironment(environment);
    probe.start(WINDOW_PROBE, {"--grab", folder});
    probe.waitForFinished(60000);
    return {probe.readAllStandardOutput(), probe.exitCode()};
}

TEST(ScaledScreens, EveryControlAndClickTargetStaysWhereItIsAtScalesOneAndAHalfAndTwo) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QDir(folder.path()).mkpath("1");
    QDir(folder.path()).mkpath("1.5");
    QDir(folder.path()).mkpath("2");
    const ProbeRun once = Probe("1", folder.filePath("1"));
    ASSERT_EQ(once.exitCode, 0);
    ASSERT_TRUE(once.printed.contains("window finish 588 358"));
    ASSERT_TRUE(once.printed.contains("ImageClose*11"));
    for (const char* scale : {"1.5", "2"}) {
        SCOPED_TRACE(scale);
        const ProbeRun scaled = Probe(scale, folder.filePath(scale));
        ASSERT_EQ(scaled.exitCode, 0);
        EXPECT_EQ(scaled.printed.toStdString(), once.printed.toStdString());
    }
    // What the screen shows has the device pixels of the scale.
    for (const char* window : {"options", "progress", "finish"}) {
        SCOPED_TRACE(window);
        const QImage at1(folder.filePath(QString("1/%1.png").arg(window)));
        const QImage at2(folder.filePath(QString("2/%1.png").arg(window)));
        ASSERT_FALSE(at1.isNull());
        EXPECT_EQ(at2.size(), at1.size() * 2);
    }
}

QImage Picture(const char* file) {
    return QImage(QStringLiteral(PICTURES_DIR "/") + file)
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage Twin(const char* file) {
    QImage twin = Picture(file);
    twin.setDevicePixelRatio(2);
    return twin;
}

// A window's surface as a screen of device pixel ratio 2 shows it.
QImage PaintedAtTwo(TWinControl* form) {
    QImage surface = ScaledSurface(QSize(form->ClientWidth(), form->ClientHeight()), 2);
    form->PaintSurface(surface, {0, 0});
    return surface;
}

// The device pixels of a logical rectangle of a surface of ratio 2.
QImage Part(const QImage& surface, const QRect& logical) {
    return surface.copy(QRect(logical.topLeft() * 2, logical.size() * 2))
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// picture over background, at ratio 2, as Qt draws a picture at its logical size.
QImage Composed(const QImage& background, const QImage& picture, QPoint at) {
    QImage composed = background.copy();
    composed.setDevicePixelRatio(2);
    QPainter painter(&composed);
    painter.drawImage(at, picture);
    return composed;
}

// How many pixels of two images of one size differ, and where the first one lies.
std::string Differences(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return "sizes differ";
    int count = 0;
    QPoint first;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y) && count++ == 0)
                first = QPoint(x, y);
    if (count == 0)
        return "none";
    return std::to_string(count) + " from (" + std::to_string(first.x()) + ", " +
           std::to_string(first.y()) + ")";
}

// What a mouse user sees is the documented window, pixel for pixel: nothing that serves the
// keyboard or a screen reader draws before a key is pressed.
TEST(ScaledScreens, AMouseUserSeesTheDocumentedWindowsAtScalesOneAndTwo) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const char* scale : {"1", "2"}) {
        const ProbeRun run = Probe(scale, folder.path());
        ASSERT_EQ(run.exitCode, 0);
        EXPECT_TRUE(run.printed.contains("carried glyphs unused")) << "the machine has its own";
        for (const char* window : {"options", "progress", "finish"}) {
            SCOPED_TRACE(std::string(window) + " at " + scale);
            const QImage grabbed = QImage(folder.filePath(QString("%1.png").arg(window)))
                                       .convertToFormat(QImage::Format_RGB32);
            const QImage documented =
                QImage(QString(SCREENSHOTS_DIR "/%1-%2x.png").arg(window, scale))
                    .convertToFormat(QImage::Format_RGB32);
            ASSERT_FALSE(documented.isNull());
            EXPECT_EQ(Differences(grabbed, documented), "none");
        }
    }
}

// On a machine whose fonts have no Chinese characters the installer draws its texts with the
// glyphs it carries, the very glyphs of the font they were cut from.
TEST(ScaledScreens, WithoutAChineseFontTheCarriedGlyphsDrawTheDocumentedTexts) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString config = folder.filePath("latin-only.conf");
    QFile file(config);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QString("<?xml version=\"1.0\"?>\n<fontconfig>\n"
                       "  <dir>/usr/share/fonts/truetype/liberation</dir>\n"
                       "  <cachedir>%1/cache</cachedir>\n"
                       "  <include ignore_missing=\"yes\">/etc/fonts/conf.d</include>\n"
                       "</fontconfig>\n")
                   .arg(folder.path())
                   .toUtf8());
    file.close();
    const ProbeRun run = Probe("1", folder.path(), config);
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.printed.contains("carried glyphs used"));
    const QImage grabbed =
        QImage(folder.filePath("options.png")).convertToFormat(QImage::Format_RGB32);
    const QImage documented =
        QImage(SCREENSHOTS_DIR "/options-1x.png").convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(Differences(grabbed, documented), "none");
}

class ScaledWindows : public testing_support::InstallerWindowsTest {
protected:
    // The device pixels of area as 1x and 2x pictures over each other give them; the two
    // must differ, or the comparison could not tell which was painted.
    void ExpectTwinPainted(const QImage& painted, const QImage& withTwin, const QImage& with1x,
                           const QRect& area) {
        ASSERT_NE(Differences(Part(withTwin, area), Part(with1x, area)), "none");
        EXPECT_EQ(Differences(Part(painted, area), Part(withTwin, area)), "none");
    }
};

TEST_F(ScaledWindows, PicturesAreTheTwinsNotThe1xPicturesScaledUp) {
    const QImage background1x = Picture("options/background.png");
    const QImage background = Twin("options/background@2x.png");
    QImage up = background1x.scaled(background1x.size() * 2);
    up.setDevicePixelRatio(2);
    const QImage options = PaintedAtTwo(Form1);
    const QRect install(196, 336, 197, 47);
    ExpectTwinPainted(options, Composed(background, Twin("options/install@2x.png"), {196, 336}),
                      Composed(up, Picture("options/install.png"), {196, 336}), install);
    ExpectTwinPainted(options, Composed(background, Twin("options/close@2x.png"), {573, 5}),
                      Composed(up, Picture("options/close.png"), {573, 5}), QRect(573, 5, 11, 11));

    // The toggle of the picture list, blended by the skin's own rule over the background.
    const QRect toggle(488, 368, 20, 17);
    auto blended = [&](const QImage& under, const char* file, qreal scale) {
        QImage result = under.copy().convertToFormat(QImage::Format_RGB32);
        result.setDevicePixelRatio(2);
        TbsPngImage picture;
        QFile png(QStringLiteral(PICTURES_DIR "/") + file);
        EXPECT_TRUE(png.open(QIODevice::ReadOnly));
        const QByteArray bytes = png.readAll();
        picture.LoadFromData(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                       static_cast<std::size_t>(bytes.size())));
        picture.SetScale(scale);
        raster::AlphaBlend(result, toggle, picture.Pixels());
        return result.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    };
    ExpectTwinPainted(options, blended(background, "options/toggle0@2x.png", 2),
                      blended(up, "options/toggle0.png", 1), toggle);

    // The slide shown is a copy of the first slide's picture, and keeps its twin.
    const QImage slide1x = Picture("progress/slide1.png");
    QImage slideUp = slide1x.scaled(slide1x.size() * 2);
    slideUp.setDevicePixelRatio(2);
    ExpectTwinPainted(PaintedAtTwo(Form2), Twin("progress/slide1@2x.png"), slideUp,
                      QRect(0, 30, 588, 270)); // below the window glyphs

    const QImage finish1x = Picture("finish/background.png");
    QImage finishUp = finish1x.scaled(finish1x.size() * 2);
    finishUp.setDevicePixelRatio(2);
    ExpectTwinPainted(
        PaintedAtTwo(Form3),
        Composed(Twin("finish/background@2x.png"), Twin("finish/finish@2x.png"), {168, 296}),
        Composed(finishUp, Picture("finish/finish.png"), {168, 296}), QRect(0, 0, 588, 358));
}

TEST_F(ScaledWindows, EveryPictureReadFromTheDescriptionsHasATwinOfTwiceItsSize) {
    for (TForm* form : std::initializer_list<TForm*>{Form1, Form2, Form3}) {
        for (int i = 0; i < form->ComponentCount(); ++i) {
            auto* image = dynamic_cast<TImage*>(form->Components(i));
            if (!image || image->Picture()->Empty())
                continue;
            SCOPED_TRACE(image->Name());
            const QImage& picture = image->Picture()->Image();
            // The progress strip is drawn by the program, not read.
            const bool drawn = image == Form2->ImageProgressbar || image->Name() == "ImageTemp";
            EXPECT_EQ(image->Picture()->ImageForScale(2).size(),
                      drawn ? picture.size() : picture.size() * 2);
        }
    }
    const TbsSkinData& skin = *Form1->bsSkinData1;
    for (int index = 0; index < skin.ActivePictureCount(); ++index) {
        const QImage& picture = *skin.ActivePicture(index);
        EXPECT_EQ(skin.PictureForScale(picture, 2).size(), picture.size() * 2) << index;
    }
}

} // namespace
