// The text operations of the OpenGL canvas: glyph quads cut from a per-font atlas.
#include <cmath>

#include "render/gl_canvas.h"
#include "render/glyph_atlas.h"
#include "render/text_outline.h"
#include "scene/material.h"
#include "scene/scene_bitmap.h"

namespace {

constexpr float kUnitsPerFontPixel = 0.02f;

}  // namespace

TglGlyphAtlas& TgkOpenGLCanvas::AtlasForFont() {
  const TgkFont& font = Font();
  for (const auto& atlas : atlases_) {
    if (atlas->Matches(font.Family(), font.Size(), font.Style())) return *atlas;
  }
  atlases_.push_back(std::make_unique<TglGlyphAtlas>(font.Family(), font.Size(), font.Style()));
  return *atlases_.back();
}

TgkPoint TgkOpenGLCanvas::MeasureText(const std::string& text) {
  const std::u32string codes = DecodeUtf8(text);
  TglGlyphAtlas& atlas = AtlasForFont();
  float width = 0;
  bool any = false;
  for (char32_t c : codes) {
    if (c < 32) continue;
    width += atlas.Glyph(c).advance;
    any = true;
  }
  if (!any) return {};
  return {width, atlas.LineHeight(), 0};
}

TgkPoint TgkOpenGLCanvas::TextToPolygon(const std::string& text, TgkPolygon& polygon) {
  return TextOutline(text, Font().Family(), Font().Style(), polygon);
}

void TgkOpenGLCanvas::FillText(const std::string& text, float x, float y, float opacity) {
  if (!device_) return;
  const std::u32string codes = DecodeUtf8(text);
  TglGlyphAtlas& atlas = AtlasForFont();
  // Render every glyph first: the atlas may grow on the way.
  int visible = 0;
  for (char32_t c : codes) {
    if (c >= 32 && atlas.Glyph(c).width > 0) ++visible;
  }
  if (visible == 0) return;
  TgkBitmap& bitmap = atlas.Bitmap();
  UpdateBitmap(bitmap);
  TTexture* texture = TextureFor(&bitmap);
  if (!texture || !Use()) return;
  const float aw = static_cast<float>(bitmap.Width()), ah = static_cast<float>(bitmap.Height());
  const std::uint32_t color = ColorWithOpacity(Material().Diffuse(), opacity);
  const bool screen = state_.screen;

  scratch_vertices_.clear();
  scratch_indices_.clear();
  float pen = x;
  for (char32_t c : codes) {
    if (c < 32) continue;
    const TglGlyphAtlas::TGlyph& g = atlas.Glyph(c);
    if (g.width > 0 && scratch_vertices_.size() + 4 <= kCanvasMaxVertices) {
      const float u0 = static_cast<float>(g.x) / aw, v0 = static_cast<float>(g.y) / ah;
      const float u1 = static_cast<float>(g.x + g.width) / aw;
      const float v1 = static_cast<float>(g.y + g.height) / ah;
      const auto base = static_cast<std::uint16_t>(scratch_vertices_.size());
      if (screen) {
        // Whole pixels, so each atlas texel lands on one pixel.
        const float left = std::nearbyint(pen + g.left), top = std::nearbyint(y + g.top);
        const float right = left + static_cast<float>(g.width);
        const float bottom = top + static_cast<float>(g.height);
        scratch_vertices_.push_back({left, top, 0, 0, 0, -1, color, u0, v0});
        scratch_vertices_.push_back({right, top, 0, 0, 0, -1, color, u1, v0});
        scratch_vertices_.push_back({left, bottom, 0, 0, 0, -1, color, u0, v1});
        scratch_vertices_.push_back({right, bottom, 0, 0, 0, -1, color, u1, v1});
      } else {
        // The local XZ plane facing -Y, upright with +Z up.
        const float left = (pen + g.left) * kUnitsPerFontPixel;
        const float right = left + static_cast<float>(g.width) * kUnitsPerFontPixel;
        const float top = y * kUnitsPerFontPixel - g.top * kUnitsPerFontPixel;
        const float bottom = top - static_cast<float>(g.height) * kUnitsPerFontPixel;
        scratch_vertices_.push_back({left, 0, top, 0, -1, 0, color, u0, v0});
        scratch_vertices_.push_back({right, 0, top, 0, -1, 0, color, u1, v0});
        scratch_vertices_.push_back({left, 0, bottom, 0, -1, 0, color, u0, v1});
        scratch_vertices_.push_back({right, 0, bottom, 0, -1, 0, color, u1, v1});
      }
      for (int k : {0, 1, 2, 2, 1, 3}) {
        scratch_indices_.push_back(static_cast<std::uint16_t>(base + k));
      }
    }
    pen += g.advance;
  }
  // Drawn with the atlas in modulate mode; the material's texture comes back afterwards.
  const GLuint previous = state_.texture;
  const TgkTextureTransform previous_transform = texture_transform_;
  SetRenderState(rsTexModulate);
  state_.texture = texture->id;
  glBindTexture(GL_TEXTURE_2D, texture->id);
  texture_transform_ = TgkTextureTransform{};
  uniforms_dirty_ = true;
  DrawArrays(GL_TRIANGLES, scratch_vertices_, scratch_indices_);
  state_.texture = previous;
  glBindTexture(GL_TEXTURE_2D, previous);
  texture_transform_ = previous_transform;
  uniforms_dirty_ = true;
}
