#pragma once

#include "Typography.h"

#include <QString>

// Composes the windows as a user sees them, pictures and approximate controls at their real
// positions, into `folder`, to judge readability. The mock-ups are design aids, not product.
// The pictures are read from `pictures` (the folder the generator has just written).
void WriteMockups(const Typography& type, const QString& pictures, const QString& folder);
