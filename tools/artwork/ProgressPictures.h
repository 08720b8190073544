#pragma once

#include "Typography.h"

#include <QImage>

// One of the progress window's five 588 x 358 slides (number 1 to 5), each presenting one
// feature of the player. The bottom 58 rows stay plain and light for the status line and the
// progress bar, and the top-right corner stays plain for the window glyphs. Drawn at `scale`.
QImage DrawSlide(const Typography& type, int number, qreal scale);

constexpr int slideCount = 5;
