// TglGlyphAtlas: the glyphs of one font (family, size, style) rendered white with coverage
// alpha into one bitmap by Pango/Cairo, with each glyph's place and advance. FillText draws
// its characters as textured quads cut from it; MeasureText adds up the same advances.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "scene/canvas.h"

class TgkBitmap;

// The Pango description of a canvas font: Size is in points at 96 pixels per inch.
std::string PangoFontDescriptionText(const std::string& family, int size, TgkFontStyle style);

class TglGlyphAtlas {
 public:
  struct TGlyph {
    int x = 0, y = 0, width = 0, height = 0;  // the glyph's cell in the atlas, in pixels
    float left = 0, top = 0;  // the cell's corner relative to the pen at the line's top
    float advance = 0;
  };

  TglGlyphAtlas(const std::string& family, int size, TgkFontStyle style);
  ~TglGlyphAtlas();
  TglGlyphAtlas(const TglGlyphAtlas&) = delete;
  TglGlyphAtlas& operator=(const TglGlyphAtlas&) = delete;

  bool Matches(const std::string& family, int size, TgkFontStyle style) const {
    return family == family_ && size == size_ && style == style_;
  }
  // The glyph of a character, rendered into the atlas on first use (the atlas grows, which
  // marks the bitmap for upload).
  const TGlyph& Glyph(char32_t code);
  float LineHeight() const { return line_height_; }
  TgkBitmap& Bitmap() { return *bitmap_; }

 private:
  void Grow(int min_width, int min_height);

  std::string family_;
  int size_;
  TgkFontStyle style_;
  std::string description_;
  float line_height_ = 0;
  std::unique_ptr<TgkBitmap> bitmap_;
  std::map<char32_t, TGlyph> glyphs_;
  int pen_x_ = 0, pen_y_ = 0, row_height_ = 0;  // shelf packing
};

// The UTF-8 text as code points, invalid bytes dropped.
std::u32string DecodeUtf8(const std::string& text);
