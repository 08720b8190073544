// Pictures for screens with a device pixel ratio above 1 (HiDPI).
//
// The stored descriptions hold every picture at its natural (1x) size and are read as they are.
// Beside them the program may carry a twin of a picture drawn at twice the size: an RT_RCDATA
// resource holding a PNG file, named after the component that holds the picture,
//
//     <owner's class>.<component name>[.<part>]@2X        e.g. TFORM1.IMAGE1@2X
//
// where <part> picks one picture of a component that holds several (an image list's item
// index, a stored skin's picture file name). A twin is used only when it is exactly twice the
// picture's size; otherwise, without one, or at a ratio of 1 the 1x picture is painted. Every
// position, size and hit area stays in logical (1x) pixels: the twin only fills the device
// pixels of the same place. Twins are looked up and decoded on first use on a scaled screen
// (or ahead, on a thread, for a window about to be shown on one), so a ratio of 1 never touches
// them.
#pragma once

#include "Classes.h"

#include <QImage>

#include <QSize>

#include <future>
#include <memory>
#include <span>

// The resource name of the twin of the picture a component holds (see above); empty when the
// component has no owner or no name to be found by.
AnsiString TwinResourceName(const TComponent& component, const AnsiString& part = {});

// Whether a surface of device pixel ratio scale is painted from twins.
inline bool WantsTwin(qreal scale) {
    return scale > 1.0;
}

// The twin of one picture: its resource name and, after the first lookup, the decoded PNG
// (Format_ARGB32_Premultiplied, device pixel ratio 2) or nothing. Copies share the lookup.
class PictureTwin {
public:
    PictureTwin() = default;
    explicit PictureTwin(AnsiString resourceName);

    bool Named() const { return state_ != nullptr; }
    // The twin to paint for a picture of pictureSize on a surface of device pixel ratio scale:
    // when the scale wants one and the program carries one of exactly twice the size; else
    // nothing, and the picture itself is painted.
    const QImage* Fitting(QSize pictureSize, qreal scale) const;
    const QImage& ForScale(const QImage& picture, qreal scale) const {
        const QImage* twin = picture.isNull() ? nullptr : Fitting(picture.size(), scale);
        return twin ? *twin : picture;
    }
    // Starts decoding the twin on a thread of its own, for a picture about to be drawn on a
    // scaled screen; the first use waits for it.
    void DecodeAhead() const;
    // The twin's PNG file, or empty bytes when the program carries none (for pictures that
    // decode their PNG files their own way).
    std::span<const std::uint8_t> Resource() const;

private:
    struct State {
        AnsiString name;
        bool looked = false;
        QImage image;
        std::future<QImage> decoding;
    };
    const QImage& Look() const;
    std::shared_ptr<State> state_;
};
