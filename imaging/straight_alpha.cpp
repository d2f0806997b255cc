#include "imaging/straight_alpha.h"

#include <array>

#include "imaging/bitmap.h"

namespace {

// round(c * 255 / a) for every alpha a and channel c: a 64 KB table keeps the writers'
// per-pixel cost at three look-ups.
struct TStraightTable {
  std::array<uint8_t, 256 * 256> value{};

  TStraightTable() {
    for (uint32_t a = 1; a < 256; ++a) {
      for (uint32_t c = 0; c < 256; ++c) {
        uint32_t num = c * 255;
        uint32_t q = num / a;
        uint32_t twice_rest = 2 * (num % a);
        if (twice_rest > a || (twice_rest == a && (q & 1) != 0)) ++q;
        value[a * 256 + c] = static_cast<uint8_t>(q > 255 ? 255 : q);
      }
    }
  }
};

const TStraightTable& Table() {
  static const TStraightTable table;
  return table;
}

inline uint32_t Convert(const uint8_t* row, uint32_t pixel) {
  uint32_t a = pixel >> 24;
  if (a == 255) return pixel;
  if (a == 0) return 0;
  uint32_t b = row[pixel & 0xFF];
  uint32_t g = row[(pixel >> 8) & 0xFF];
  uint32_t r = row[(pixel >> 16) & 0xFF];
  return (a << 24) | (r << 16) | (g << 8) | b;
}

}  // namespace

uint32_t StraightPixel(uint32_t premultiplied) {
  return Convert(Table().value.data() + (premultiplied >> 24) * 256, premultiplied);
}

void ToStraightAlpha(const uint32_t* source, uint32_t* target, size_t count) {
  const uint8_t* table = Table().value.data();
  for (size_t i = 0; i < count; ++i) {
    uint32_t pixel = source[i];
    target[i] = Convert(table + (pixel >> 24) * 256, pixel);
  }
}

void ToStraightAlpha(TpmBitmap& bitmap) {
  size_t count = static_cast<size_t>(bitmap.Width()) * bitmap.Height();
  ToStraightAlpha(bitmap.Pixels(), bitmap.Pixels(), count);
}
