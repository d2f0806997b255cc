#include "render/glyph_atlas.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/utf8.h"
#include "render/pango_font.h"
#include "scene/scene_bitmap.h"

namespace {

constexpr int kInitialAtlasSize = 64;
// Beyond this the atlas stops growing (a texture limit every GL 3.3 device meets); glyphs
// that no longer fit are not drawn.
constexpr int kMaxAtlasSize = 4096;
constexpr int kPadding = 1;  // keeps bilinear sampling from bleeding into the next glyph

// A Pango layout on a Cairo context of its own (a 1 x 1 surface when only measuring).
class TLayout {
 public:
  TLayout(const std::string& description, int width = 1, int height = 1) {
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cr_ = cairo_create(surface_);
    layout_ = pango_cairo_create_layout(cr_);
    PangoFontDescription* font = pango_font_description_from_string(description.c_str());
    pango_layout_set_font_description(layout_, font);
    pango_font_description_free(font);
  }
  ~TLayout() {
    g_object_unref(layout_);
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
  }
  TLayout(const TLayout&) = delete;
  TLayout& operator=(const TLayout&) = delete;

  PangoLayout* layout() const { return layout_; }
  cairo_t* cr() const { return cr_; }
  cairo_surface_t* surface() const { return surface_; }

 private:
  cairo_surface_t* surface_;
  cairo_t* cr_;
  PangoLayout* layout_;
};

}  // namespace

std::u32string DecodeUtf8(const std::string& text) {
  std::u32string out;
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  for (size_t i = 0; i < n;) {
    const unsigned char b = s[i];
    int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
    if (extra < 0 || i + static_cast<size_t>(extra) >= n) {
      ++i;  // a stray or truncated byte
      continue;
    }
    char32_t c = extra == 0 ? b : b & (0x3F >> extra);
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      c = (c << 6) | (s[i + k] & 0x3F);
    }
    if (!ok) {
      ++i;
      continue;
    }
    out += c;
    i += static_cast<size_t>(extra) + 1;
  }
  return out;
}

PangoFontDescription* NewPangoFont(const std::string& family, TgkFontStyle style, double pixels) {
  PangoFontDescription* font = pango_font_description_new();
  pango_font_description_set_family(font, family.c_str());
  const bool bold = style == gkFontBold || style == gkFontBoldItalic;
  const bool italic = style == gkFontItalic || style == gkFontBoldItalic;
  pango_font_description_set_weight(font, bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(font, italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  pango_font_description_set_absolute_size(font, pixels * PANGO_SCALE);
  return font;
}

std::string PangoFontDescriptionText(const std::string& family, int size, TgkFontStyle style) {
  // Points at 96 pixels per inch, as desktop fonts are sized.
  const int pixels = std::max(1, size) * 96 / 72;
  PangoFontDescription* font = NewPangoFont(family, style, pixels);
  char* text = pango_font_description_to_string(font);
  std::string result = text;
  g_free(text);
  pango_font_description_free(font);
  return result;
}

TglGlyphAtlas::TglGlyphAtlas(const std::string& family, int size, TgkFontStyle style)
    : family_(family),
      size_(size),
      style_(style),
      description_(PangoFontDescriptionText(family, size, style)),
      bitmap_(std::make_unique<TgkBitmap>(kInitialAtlasSize, kInitialAtlasSize)) {
  TLayout probe(description_);
  pango_layout_set_text(probe.layout(), "Hg", -1);
  PangoRectangle ink, logical;
  pango_layout_get_pixel_extents(probe.layout(), &ink, &logical);
  line_height_ = static_cast<float>(logical.height);
}

TglGlyphAtlas::~TglGlyphAtlas() = default;

void TglGlyphAtlas::Grow(int min_width, int min_height) {
  int w = bitmap_->Width(), h = bitmap_->Height();
  while (w < min_width) w *= 2;
  while (h < min_height) h *= 2;
  if (w == bitmap_->Width() && h == bitmap_->Height()) return;
  const int old_w = bitmap_->Width(), old_h = bitmap_->Height();
  std::vector<std::uint32_t> old(bitmap_->Bits(), bitmap_->Bits() + bitmap_->PixelCount());
  bitmap_->SetSize(w, h);
  for (int y = 0; y < old_h; ++y) {
    std::memcpy(bitmap_->Bits() + static_cast<size_t>(y) * static_cast<size_t>(w),
                old.data() + static_cast<size_t>(y) * static_cast<size_t>(old_w),
                static_cast<size_t>(old_w) * 4);
  }
}

const TglGlyphAtlas::TGlyph& TglGlyphAtlas::Glyph(char32_t code) {
  if (auto it = glyphs_.find(code); it != glyphs_.end()) return it->second;
  TGlyph glyph;
  std::string utf8;
  AppendUtf8(utf8, code);
  TLayout measure(description_);
  pango_layout_set_text(measure.layout(), utf8.c_str(), static_cast<int>(utf8.size()));
  PangoRectangle ink, logical;
  pango_layout_get_pixel_extents(measure.layout(), &ink, &logical);
  glyph.advance = static_cast<float>(logical.width);
  if (ink.width > 0 && ink.height > 0 && ink.width + 2 * kPadding <= kMaxAtlasSize &&
      ink.height + 2 * kPadding <= kMaxAtlasSize) {
    glyph.width = ink.width + 2 * kPadding;
    glyph.height = ink.height + 2 * kPadding;
    glyph.left = static_cast<float>(ink.x - kPadding);
    glyph.top = static_cast<float>(ink.y - kPadding);
    // Shelf packing: a new row when the glyph does not fit the current one.
    if (pen_x_ + glyph.width > bitmap_->Width()) {
      pen_x_ = 0;
      pen_y_ += row_height_;
      row_height_ = 0;
    }
    if (pen_y_ + glyph.height > kMaxAtlasSize) {
      glyph.width = glyph.height = 0;  // the atlas is full: the glyph only advances
      return glyphs_.emplace(code, glyph).first->second;
    }
    Grow(std::max(bitmap_->Width(), glyph.width), pen_y_ + glyph.height);
    glyph.x = pen_x_;
    glyph.y = pen_y_;
    pen_x_ += glyph.width;
    row_height_ = std::max(row_height_, glyph.height);

    TLayout draw(description_, glyph.width, glyph.height);
    pango_layout_set_text(draw.layout(), utf8.c_str(), static_cast<int>(utf8.size()));
    cairo_set_source_rgba(draw.cr(), 1, 1, 1, 1);
    cairo_move_to(draw.cr(), -ink.x + kPadding, -ink.y + kPadding);
    pango_cairo_show_layout(draw.cr(), draw.layout());
    cairo_surface_flush(draw.surface());
    const unsigned char* data = cairo_image_surface_get_data(draw.surface());
    const int stride = cairo_image_surface_get_stride(draw.surface());
    const int atlas_w = bitmap_->Width();
    for (int y = 0; y < glyph.height; ++y) {
      const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
      std::uint32_t* dst = bitmap_->Bits() +
                           static_cast<size_t>(glyph.y + y) * static_cast<size_t>(atlas_w) +
                           static_cast<size_t>(glyph.x);
      for (int x = 0; x < glyph.width; ++x) {
        // White glyphs in straight colour: the coverage is the alpha.
        const std::uint32_t a = row[x] >> 24;
        dst[x] = a ? (a << 24) | 0x00FFFFFFu : 0u;
      }
    }
    bitmap_->SetNeedsUpload(true);
  }
  return glyphs_.emplace(code, glyph).first->second;
}
