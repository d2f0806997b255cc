#include "render/text_outline.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <limits>

#include "render/glyph_atlas.h"
#include "render/pango_font.h"

namespace {

std::string PrintableOnly(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c >= 32) out += static_cast<char>(c);
  }
  return out;
}

}  // namespace

TgkPoint TextOutline(const std::string& text, const std::string& family, TgkFontStyle style,
                     TgkPolygon& polygon) {
  polygon.clear();
  const std::string printable = PrintableOnly(text);
  if (printable.empty()) return {};
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
  cairo_t* cr = cairo_create(surface);
  PangoLayout* layout = pango_cairo_create_layout(cr);
  PangoFontDescription* font = NewPangoFont(family, style, 72);
  pango_layout_set_font_description(layout, font);
  pango_font_description_free(font);
  pango_layout_set_text(layout, printable.c_str(), static_cast<int>(printable.size()));
  cairo_set_tolerance(cr, 0.25);
  pango_cairo_layout_path(cr, layout);
  cairo_path_t* path = cairo_copy_path_flat(cr);

  float min_x = std::numeric_limits<float>::max(), min_y = min_x;
  float max_x = std::numeric_limits<float>::lowest(), max_y = max_x;
  size_t contour_start = 0;
  auto end_contour = [&] {
    // A contour closed by repeating its first point keeps that point once.
    if (polygon.size() > contour_start + 1 && polygon.back() == polygon[contour_start]) {
      polygon.pop_back();
    }
    if (polygon.size() - contour_start < 3) polygon.resize(contour_start);
  };
  if (path && path->status == CAIRO_STATUS_SUCCESS) {
    for (int i = 0; i < path->num_data; i += path->data[i].header.length) {
      const cairo_path_data_t& d = path->data[i];
      if (d.header.type == CAIRO_PATH_MOVE_TO) {
        end_contour();
        if (!polygon.empty()) polygon.push_back({PolygonBreak3D, PolygonBreak3D, PolygonBreak3D});
        contour_start = polygon.size();
      }
      if (d.header.type == CAIRO_PATH_MOVE_TO || d.header.type == CAIRO_PATH_LINE_TO) {
        const auto x = static_cast<float>(path->data[i + 1].point.x);
        const auto y = static_cast<float>(path->data[i + 1].point.y);
        if (polygon.size() == contour_start || !(polygon.back() == TgkPoint{x, y, 0})) {
          polygon.push_back({x, y, 0});
        }
        min_x = std::min(min_x, x);
        max_x = std::max(max_x, x);
        min_y = std::min(min_y, y);
        max_y = std::max(max_y, y);
      }
    }
    end_contour();
    if (!polygon.empty() &&
        polygon.back() == TgkPoint{PolygonBreak3D, PolygonBreak3D, PolygonBreak3D}) {
      polygon.pop_back();
    }
  }
  if (path) cairo_path_destroy(path);
  g_object_unref(layout);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  if (polygon.empty()) return {};
  for (TgkPoint& p : polygon) {
    if (p.X == PolygonBreak3D) continue;
    p.X -= min_x;
    p.Y = max_y - p.Y;  // y grows upward
  }
  return {max_x - min_x, max_y - min_y, 0};
}
