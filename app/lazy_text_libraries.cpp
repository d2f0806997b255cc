// The text libraries (Pango, and the few GLib calls that come with it) for the command-line
// program, loaded when text is first measured or drawn. Linked into that program only:
// these definitions stand in for the libraries at link time, so they are not loaded at
// start. Together they cost a short command about 6 ms before its first line ran, and the
// render and thumbnail commands draw no text. The window program links the real ones.
#include <dlfcn.h>
#include <pango/pangocairo.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The loaded libraries, or the end of the program with a message: text was to be drawn and
// nothing else can stand in for it.
void* TextLibraries() {
  static void* const handle = [] {
    void* h = dlopen("libpangocairo-1.0.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!h) {
      std::fprintf(stderr, "facetmint: the text library cannot be loaded: %s\n", dlerror());
      std::_Exit(1);
    }
    return h;
  }();
  return handle;
}

void* Symbol(const char* name) {
  void* symbol = dlsym(TextLibraries(), name);
  if (!symbol) {
    std::fprintf(stderr, "facetmint: the text library has no %s\n", name);
    std::_Exit(1);
  }
  return symbol;
}

}  // namespace

// Each function resolves its library counterpart once, at its first call.
#define FACETMINT_FORWARD(ret, name, params, args)                             \
  extern "C" ret name params {                                                 \
    static const auto real = reinterpret_cast<decltype(&name)>(Symbol(#name)); \
    return real args;                                                          \
  }

FACETMINT_FORWARD(void, g_free, (gpointer mem), (mem))
FACETMINT_FORWARD(void, g_object_unref, (gpointer object), (object))
FACETMINT_FORWARD(gchar*, g_utf8_make_valid, (const gchar* str, gssize len), (str, len))
FACETMINT_FORWARD(gboolean, g_utf8_validate, (const gchar* str, gssize max_len, const gchar** end),
                  (str, max_len, end))
FACETMINT_FORWARD(void, pango_attr_list_insert, (PangoAttrList * list, PangoAttribute* attr),
                  (list, attr))
FACETMINT_FORWARD(PangoAttrList*, pango_attr_list_new, (void), ())
FACETMINT_FORWARD(void, pango_attr_list_unref, (PangoAttrList * list), (list))
FACETMINT_FORWARD(PangoAttribute*, pango_attr_strikethrough_new, (gboolean strikethrough),
                  (strikethrough))
FACETMINT_FORWARD(PangoAttribute*, pango_attr_underline_new, (PangoUnderline underline),
                  (underline))
FACETMINT_FORWARD(void, pango_cairo_context_set_font_options,
                  (PangoContext * context, const cairo_font_options_t* options), (context, options))
FACETMINT_FORWARD(PangoLayout*, pango_cairo_create_layout, (cairo_t * cr), (cr))
FACETMINT_FORWARD(PangoFontMap*, pango_cairo_font_map_get_default, (void), ())
FACETMINT_FORWARD(void, pango_cairo_layout_path, (cairo_t * cr, PangoLayout* layout), (cr, layout))
FACETMINT_FORWARD(void, pango_cairo_show_layout, (cairo_t * cr, PangoLayout* layout), (cr, layout))
FACETMINT_FORWARD(void, pango_font_description_free, (PangoFontDescription * desc), (desc))
FACETMINT_FORWARD(PangoFontDescription*, pango_font_description_from_string, (const char* str),
                  (str))
FACETMINT_FORWARD(PangoFontDescription*, pango_font_description_new, (void), ())
FACETMINT_FORWARD(void, pango_font_description_set_absolute_size,
                  (PangoFontDescription * desc, double size), (desc, size))
FACETMINT_FORWARD(void, pango_font_description_set_family,
                  (PangoFontDescription * desc, const char* family), (desc, family))
FACETMINT_FORWARD(void, pango_font_description_set_style,
                  (PangoFontDescription * desc, PangoStyle style), (desc, style))
FACETMINT_FORWARD(void, pango_font_description_set_weight,
                  (PangoFontDescription * desc, PangoWeight weight), (desc, weight))
FACETMINT_FORWARD(char*, pango_font_description_to_string, (const PangoFontDescription* desc),
                  (desc))
FACETMINT_FORWARD(const char*, pango_font_family_get_name, (PangoFontFamily * family), (family))
FACETMINT_FORWARD(void, pango_font_map_list_families,
                  (PangoFontMap * fontmap, PangoFontFamily*** families, int* n_families),
                  (fontmap, families, n_families))
FACETMINT_FORWARD(void, pango_layout_context_changed, (PangoLayout * layout), (layout))
FACETMINT_FORWARD(PangoContext*, pango_layout_get_context, (PangoLayout * layout), (layout))
FACETMINT_FORWARD(void, pango_layout_get_extents,
                  (PangoLayout * layout, PangoRectangle* ink_rect, PangoRectangle* logical_rect),
                  (layout, ink_rect, logical_rect))
FACETMINT_FORWARD(void, pango_layout_get_pixel_extents,
                  (PangoLayout * layout, PangoRectangle* ink_rect, PangoRectangle* logical_rect),
                  (layout, ink_rect, logical_rect))
FACETMINT_FORWARD(void, pango_layout_get_pixel_size,
                  (PangoLayout * layout, int* width, int* height), (layout, width, height))
FACETMINT_FORWARD(void, pango_layout_set_alignment,
                  (PangoLayout * layout, PangoAlignment alignment), (layout, alignment))
FACETMINT_FORWARD(void, pango_layout_set_attributes, (PangoLayout * layout, PangoAttrList* attrs),
                  (layout, attrs))
FACETMINT_FORWARD(void, pango_layout_set_ellipsize,
                  (PangoLayout * layout, PangoEllipsizeMode ellipsize), (layout, ellipsize))
FACETMINT_FORWARD(void, pango_layout_set_font_description,
                  (PangoLayout * layout, const PangoFontDescription* desc), (layout, desc))
FACETMINT_FORWARD(void, pango_layout_set_text, (PangoLayout * layout, const char* text, int length),
                  (layout, text, length))
FACETMINT_FORWARD(void, pango_layout_set_width, (PangoLayout * layout, int width), (layout, width))
FACETMINT_FORWARD(void, pango_layout_set_wrap, (PangoLayout * layout, PangoWrapMode wrap),
                  (layout, wrap))
