#pragma once

#include <QColor>

// The product's colours. Every picture takes its colours from here so the three windows share
// one identity: a sky-to-deep blue, a cyan accent and a light, cool grey for the plain areas.
namespace palette {

inline const QColor skyBlue{42, 157, 244};
inline const QColor brandBlue{24, 120, 226};
inline const QColor deepBlue{17, 78, 188};
inline const QColor cyan{70, 175, 213};
inline const QColor lightCyan{110, 214, 246};
inline const QColor lightArea{246, 248, 251};
inline const QColor hairline{226, 231, 238};
inline const QColor textDark{43, 52, 64};
inline const QColor textGrey{122, 134, 153};
inline const QColor glyph{228, 235, 244};
inline const QColor toggleGrey{178, 187, 199};
inline const QColor toggleGreen{34, 181, 110};
inline const QColor stripGray{217, 217, 217};
inline const QColor stripBlue{70, 175, 213};

inline QColor WithAlpha(QColor colour, int alpha) {
    colour.setAlpha(alpha);
    return colour;
}

} // namespace palette
