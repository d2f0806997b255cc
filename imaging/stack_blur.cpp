#include "imaging/stack_blur.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/bitmap.h"

namespace {

// Exact floor(s / d) for s < 2^24 and d < 2^16 by one multiplication (Granlund-Montgomery
// with m = ceil(2^40 / d)); a lookup table of 256 * d entries would cost O(r^2) to build.
struct Divider {
  explicit Divider(uint32_t d) : m(((uint64_t(1) << 40) + d - 1) / d) {}
  uint32_t operator()(uint32_t s) const { return static_cast<uint32_t>((s * m) >> 40); }
  uint64_t m;
};

// One row of n pixels (4 interleaved channels) blurred from in to out.
void BlurRow(const uint8_t* in, uint8_t* out, int n, int r, const Divider& div) {
  auto at = [&](int i) { return in + static_cast<size_t>(std::clamp(i, 0, n - 1)) * 4; };
  uint32_t sum[4] = {0, 0, 0, 0}, sumIn[4] = {0, 0, 0, 0}, sumOut[4] = {0, 0, 0, 0};
  for (int k = -r; k <= r; ++k) {
    const uint8_t* p = at(k);
    const uint32_t w = static_cast<uint32_t>(r + 1 - std::abs(k));
    for (int c = 0; c < 4; ++c) {
      sum[c] += w * p[c];
      if (k <= 0)
        sumOut[c] += p[c];
      else
        sumIn[c] += p[c];
    }
  }
  for (int x = 0; x < n; ++x) {
    uint8_t* o = out + static_cast<size_t>(x) * 4;
    for (int c = 0; c < 4; ++c) o[c] = static_cast<uint8_t>(div(sum[c]));
    // Slide the window: the left half loses its oldest value, the right half gains one.
    const uint8_t* leaving = at(x - r);
    const uint8_t* entering = at(x + r + 1);
    const uint8_t* centre = at(x + 1);
    for (int c = 0; c < 4; ++c) {
      sum[c] = sum[c] - sumOut[c] + sumIn[c] + entering[c];
      sumOut[c] = sumOut[c] - leaving[c] + centre[c];
      sumIn[c] = sumIn[c] + entering[c] - centre[c];
    }
  }
}

}  // namespace

void StackBlur(TpmBitmap& bitmap, int radius) {
  const int w = bitmap.Width(), h = bitmap.Height();
  if (radius < 1 || w < 1 || h < 1 || !bitmap.Pixels()) return;
  // Sums stay below 255 * (r + 1)^2 < 2^24 for every radius the effects use.
  const int r = std::min(radius, 254);
  const Divider div(static_cast<uint32_t>((r + 1) * (r + 1)));
  // Row pass into whole numbers per channel (interleaved planes), then the column pass
  // back into the pixels as alpha << 24 | red << 16 | green << 8 | blue.
  std::vector<uint8_t> rows(static_cast<size_t>(w) * h * 4);
  const uint8_t* pixels = reinterpret_cast<const uint8_t*>(bitmap.Pixels());
  for (int y = 0; y < h; ++y)
    BlurRow(pixels + static_cast<size_t>(y) * w * 4, rows.data() + static_cast<size_t>(y) * w * 4,
            w, r, div);
  // Columns advance together, one row at a time, so every access runs along memory.
  uint8_t* out = reinterpret_cast<uint8_t*>(bitmap.Pixels());
  const size_t values = static_cast<size_t>(w) * 4;
  std::vector<uint32_t> sum(values, 0), sumIn(values, 0), sumOut(values, 0);
  auto row = [&](int y) {
    return rows.data() + static_cast<size_t>(std::clamp(y, 0, h - 1)) * values;
  };
  for (int k = -r; k <= r; ++k) {
    const uint8_t* p = row(k);
    const uint32_t weight = static_cast<uint32_t>(r + 1 - std::abs(k));
    for (size_t v = 0; v < values; ++v) {
      sum[v] += weight * p[v];
      (k <= 0 ? sumOut : sumIn)[v] += p[v];
    }
  }
  for (int y = 0; y < h; ++y) {
    uint8_t* o = out + static_cast<size_t>(y) * values;
    for (size_t v = 0; v < values; ++v) o[v] = static_cast<uint8_t>(div(sum[v]));
    const uint8_t* leaving = row(y - r);
    const uint8_t* entering = row(y + r + 1);
    const uint8_t* centre = row(y + 1);
    for (size_t v = 0; v < values; ++v) {
      sum[v] = sum[v] - sumOut[v] + sumIn[v] + entering[v];
      sumOut[v] = sumOut[v] - leaving[v] + centre[v];
      sumIn[v] = sumIn[v] + entering[v] - centre[v];
    }
  }
}
