// The glyphs the installer carries (resource GLYPHS): a subset of a free CJK font with exactly
// the characters of its texts. On a machine without a font for them the texts would be drawn
// as empty boxes, so the subset is registered with Qt then, and only then.
#pragma once

inline constexpr char kCarriedGlyphsResource[] = "GLYPHS";

// True when fontconfig knows a font that has every character of the carried glyphs.
bool MachineHasGlyphsFor(const char* fontResource);

// Registers the carried glyphs with Qt unless the machine has them; nothing without the
// resource. Needs the Qt application; call it before the first window is drawn.
void UseCarriedGlyphsWhenNeeded();
