// Helpers of the skin control tests: a shown window of one colour to put controls on, the
// options window's skin loaded into a skin data component, white images, PNG files made from
// images, and reading back what a window shows.
#pragma once

#include "rtl/Form.h"
#include "skin/bsSkinData.h"

#include <QImage>

#include <memory>
#include <vector>

class SkinTestWindow {
public:
    // A frameless window of 300 x 120 filled with background, shown and active.
    explicit SkinTestWindow(QRgb background = qRgb(40, 160, 90));
    ~SkinTestWindow();

    TForm* Form() const { return form_; }
    QRgb Background() const { return background_; }
    // What the window shows now, rendered as its paint does.
    QImage Surface() const;
    // The options window's stored skin, loaded into a new skin data owned by the window.
    TbsSkinData* OptionsSkin();

private:
    TForm* form_;
    QRgb background_;
};

std::vector<std::uint8_t> OptionsSkinBlock();
std::vector<std::uint8_t> PngFile(const QImage& image);
// A white RGB32 image.
QImage White(int w, int h);
TColor ToTColor(QRgb rgb);
// How strongly text of colour text shows over background in image: the largest share of the
// text colour among the pixels that differ from the background, or -1 when some pixel is no
// mix of the two colours (text in another colour, or something else drawn).
double TextCoverage(const QImage& image, QRgb background, QRgb text);
