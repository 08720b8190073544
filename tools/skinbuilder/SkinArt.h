// The pictures of the options window's skin, drawn from code so that the build makes them
// the same every time: the window frame pictures and mask, and the six numbered pictures
// whose pieces the ini text locates (picture 4 holds the pieces of every control). Each can be
// drawn at 1x or, for the twins the program paints on scaled screens, at 2x: the same pieces in
// the same (1x) places, with twice the device pixels.
#pragma once

#include <QImage>
#include <QString>

#include <vector>

struct SkinPicture {
    QString FileName; // as [PICTURES] names it
    QImage Image;
    int BitCount; // 1, 8 or 24
};

std::vector<SkinPicture> DrawSkinPictures(qreal scale);
