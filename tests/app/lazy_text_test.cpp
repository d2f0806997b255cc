// The command line's stand-ins for the text libraries: nothing of Pango or GLib is loaded
// until text is measured or drawn, and then the text comes out as with the libraries linked.
#include <gtest/gtest.h>
#include <link.h>

#include <cstring>
#include <string>

#include "imaging/bitmap.h"
#include "imaging/canvas.h"

namespace {

bool Loaded(const std::string& prefix) {
  bool found = false;
  auto visit = [](dl_phdr_info* info, size_t, void* data) {
    auto* look = static_cast<std::pair<const std::string*, bool*>*>(data);
    const char* name = info->dlpi_name;
    const char* base = std::strrchr(name, '/');
    base = base ? base + 1 : name;
    if (std::strncmp(base, look->first->c_str(), look->first->size()) == 0) *look->second = true;
    return 0;
  };
  std::pair<const std::string*, bool*> look{&prefix, &found};
  dl_iterate_phdr(visit, &look);
  return found;
}

int Inked(const TpmBitmap& bitmap) {
  int inked = 0;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) inked += (bitmap.Scanline(y)[x] >> 24) > 128;
  return inked;
}

}  // namespace

TEST(LazyTextLibraries, LoadedWhenTextIsFirstDrawnAndTheTextIsDrawn) {
  for (const char* library :
       {"libpango-1.0.so", "libpangocairo-1.0.so", "libglib-2.0.so", "libharfbuzz.so"}) {
    EXPECT_FALSE(Loaded(library)) << library << " is loaded before any text";
  }
  TpmBitmap bitmap(200, 40);
  TpmCanvas& c = bitmap.Canvas();
  c.Fill = TpmBrush(pqBrushSolid, 0xFF000000);
  c.Font.SetSize(20);
  TpmRect measured{0, 0, 200, 40};
  c.MeasureText(measured, {}, "Facetmint", false, pqTextAlignNear, pqTextAlignNear);
  EXPECT_GT(measured.Width(), 60);
  c.FillText({0, 0, 200, 40}, {}, "颜色:阴影 Facetmint", false, 1, pqTextAlignNear,
             pqTextAlignCenter);
  EXPECT_GT(Inked(bitmap), 100);
  EXPECT_TRUE(Loaded("libpango-1.0.so"));
}
