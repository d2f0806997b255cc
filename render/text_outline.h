// The outline of a line of text as a TgkPolygon, from the font engine's glyph outlines.
#pragma once

#include <string>

#include "scene/canvas.h"

// Text (UTF-8, characters below 32 skipped) in family and style at size 72 (pixels),
// flattened with tolerance 0.25, as contours separated by break points. The outline is
// moved so that its bounding box starts at (0, 0) and y grows upward; returns its extent.
// Empty text gives an empty polygon and (0, 0, 0).
TgkPoint TextOutline(const std::string& text, const std::string& family, TgkFontStyle style,
                     TgkPolygon& polygon);
