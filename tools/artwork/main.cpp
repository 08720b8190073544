// make-artwork: draws every picture of the setup's three windows and writes them as 8-bit RGBA
// PNG files. The pictures are committed, so the build never needs the font; run this by hand
// after changing the design, from the repository root:
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

void WriteOptionsPictures(const Typography& type, const QString& folder) {
    SavePicture(DrawOptionsBackground(type), QSize(588, 600), folder + "/background.png");
    SavePicture(DrawInstallButton(type), QSize(197, 47), folder + "/install.png");
    SavePicture(DrawCloseGlyph(), QSize(11, 11), folder + "/close.png");
    SavePicture(DrawMinimizeGlyph(), QSize(10, 2), folder + "/minimize.png");
    // Index order of the picture list: grey down, green down, grey up, green up.
    for (int index = 0; index < 4; ++index) {
        SavePicture(DrawToggle(index >= 2, index % 2 == 1), QSize(20, 17),
                    folder + QString("/toggle%1.png").arg(index));
    }
}

void WriteProgressPictures(const Typography& type, const QString& folder) {
    for (int number = 1; number <= slideCount; ++number) {
        SavePicture(DrawSlide(type, number), QSize(588, 358),
                    folder + QString("/slide%1.png").arg(number));
    }
    SavePicture(DrawCloseGlyph(), QSize(11, 11), folder + "/close.png");
    SavePicture(DrawMinimizeGlyph(), QSize(10, 2), folder + "/minimize.png");
    SavePicture(DrawStripColumn(palette::stripGray), QSize(1, 3), folder + "/strip_gray.png");
    SavePicture(DrawStripColumn(palette::stripBlue), QSize(1, 3), folder + "/strip_blue.png");
}

void WriteFinishPictures(const Typography& type, const QString& folder) {
    SavePicture(DrawFinishBackground(type), QSize(588, 475), folder + "/background.png");
    SavePicture(DrawFinishButton(type), QSize(241, 39), folder + "/finish.png");
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
        WriteOptionsPictures(type, output + "/options");
        WriteProgressPictures(type, output + "/progress");
        WriteFinishPictures(type, output + "/finish");
        if (!mockups.isEmpty()) {
            WriteMockups(type, output, mockups);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make-artwork: %s\n", error.what());
        return 1;
    }
    return 0;
}
