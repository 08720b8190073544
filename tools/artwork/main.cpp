// make-artwork: draws every picture of the setup's three windows and writes them as 8-bit RGBA
// PNG files, each at 1x (name.png) and at 2x (name@2x.png, its twin for scaled screens). The
// pictures are committed, so the build never needs the font; run this by hand after changing the
// design, from the repository root:
//
//   build/tools/artwork/make-artwork resources/pictures [--mockups /tmp/mockups]
//        [--font /usr/share/fonts/truetype/wqy/wqy-microhei.ttc]
//
// The text is drawn with WenQuanYi Micro Hei (package fonts-wqy-microhei, Apache-2.0), whose
// licence allows distributing what is drawn with it. --mockups also composes each window as the
// user sees it, for judging readability; those files are not committed.
#include "Controls.h"
#include "FinishPictures.h"
#include "Mockups.h"
#include "OptionsPictures.h"
#include "Palette.h"
#include "PictureFile.h"
#include "ProgressPictures.h"
#include "Typography.h"

#include <QGuiApplication>
#include <QStringList>
#include <cstdio>
#include <exception>

namespace {

void WriteOptionsPictures(const Typography& type, const QString& folder, qreal scale) {
    SavePicture(DrawOptionsBackground(type, scale), QSize(588, 600), folder, "background");
    SavePicture(DrawInstallButton(type, scale), QSize(197, 47), folder, "install");
    SavePicture(DrawCloseGlyph(scale), QSize(11, 11), folder, "close");
    SavePicture(DrawMinimizeGlyph(scale), QSize(10, 2), folder, "minimize");
    // Index order of the picture list: grey down, green down, grey up, green up.
    for (int index = 0; index < 4; ++index) {
        SavePicture(DrawToggle(index >= 2, index % 2 == 1, scale), QSize(20, 17), folder,
                    QString("toggle%1").arg(index));
    }
}

void WriteProgressPictures(const Typography& type, const QString& folder, qreal scale) {
    for (int number = 1; number <= slideCount; ++number) {
        SavePicture(DrawSlide(type, number, scale), QSize(588, 358), folder,
                    QString("slide%1").arg(number));
    }
    SavePicture(DrawCloseGlyph(scale), QSize(11, 11), folder, "close");
    SavePicture(DrawMinimizeGlyph(scale), QSize(10, 2), folder, "minimize");
    SavePicture(DrawStripColumn(palette::stripGray, scale), QSize(1, 3), folder, "strip_gray");
    SavePicture(DrawStripColumn(palette::stripBlue, scale), QSize(1, 3), folder, "strip_blue");
}

void WriteFinishPictures(const Typography& type, const QString& folder, qreal scale) {
    SavePicture(DrawFinishBackground(type, scale), QSize(588, 475), folder, "background");
    SavePicture(DrawFinishButton(type, scale), QSize(241, 39), folder, "finish");
}

} // namespace

int main(int argc, char** argv) {
    // Drawing text needs a GUI application, but no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString font = QStringLiteral("/usr/share/fonts/truetype/wqy/wqy-microhei.ttc");
    QString mockups;
    QString output;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if ((args[i] == "--font" || args[i] == "--mockups") && i + 1 < args.size()) {
            (args[i] == "--font" ? font : mockups) = args[i + 1];
            ++i;
        } else if (output.isEmpty() && !args[i].startsWith("--")) {
            output = args[i];
        } else {
            output.clear();
            break;
        }
    }
    if (output.isEmpty()) {
        std::fprintf(stderr, "usage: make-artwork <pictures folder> [--mockups <folder>] "
                             "[--font <font file>]\n");
        return 2;
    }
    try {
        const Typography type(font);
        // Each picture at 1x and, for screens of device pixel ratio 2, at 2x.
        for (const qreal scale : {1.0, 2.0}) {
            WriteOptionsPictures(type, output + "/options", scale);
            WriteProgressPictures(type, output + "/progress", scale);
            WriteFinishPictures(type, output + "/finish", scale);
        }
        if (!mockups.isEmpty()) {
            WriteMockups(type, output, mockups);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make-artwork: %s\n", error.what());
        return 1;
    }
    return 0;
}
