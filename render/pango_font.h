// The Pango font of a canvas font's family and style, shared by the glyph atlas and the
// text outline.
#pragma once

#include <pango/pango.h>

#include <string>

#include "scene/canvas.h"

// A new description at an absolute size in pixels; free it with pango_font_description_free.
PangoFontDescription* NewPangoFont(const std::string& family, TgkFontStyle style, double pixels);
