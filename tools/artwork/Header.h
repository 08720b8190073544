#pragma once

#include "Typography.h"

#include <QPainter>

// The small title every window carries in its banner's top-left corner: the mark in miniature
// followed by the wizard's name.
void DrawWindowHeader(QPainter& painter, const Typography& type);
