#include "imaging/stack_blur.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "imaging/bitmap.h"

namespace {

// Exact floor(s / d) for s < 2^24 and d < 2^16 by one multiplication (Granlund-Montgomery
// with m = ceil(2^40 / d)); a lookup table of 256 * d entries would cost O(r^2) to build.
struct Divider {
  explicit Divider(uint32_t d)
      : m(((uint64_t(1) << 40) + d - 1) / d), inverse(1.0 / static_cast<double>(d)) {}
  uint32_t operator()(uint32_t s) const { return static_cast<uint32_t>((s * m) >> 40); }
#if defined(__SSE2__)
  // The same for four sums: (s + 0.5) / d lies at least 1 / (2d) from an integer, far more
  // than the rounding error of double arithmetic, so truncation gives the exact quotient.
  __m128i operator()(__m128i s) const {
    const __m128d half = _mm_set1_pd(0.5);
    const __m128d inv = _mm_set1_pd(inverse);
    const __m128d lo = _mm_mul_pd(_mm_add_pd(_mm_cvtepi32_pd(s), half), inv);
    const __m128d hi = _mm_mul_pd(_mm_add_pd(_mm_cvtepi32_pd(_mm_srli_si128(s, 8)), half), inv);
    return _mm_unpacklo_epi64(_mm_cvttpd_epi32(lo), _mm_cvttpd_epi32(hi));
  }
#endif
  uint64_t m;
  double inverse;
};

#if defined(__SSE2__)
inline __m128i LoadPixel(const uint8_t* p) {  // 4 channels as 32-bit lanes
  int32_t v;
  std::memcpy(&v, p, 4);
  const __m128i zero = _mm_setzero_si128();
  return _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(v), zero), zero);
}
inline void StorePixel(uint8_t* p, __m128i v) {
  v = _mm_packs_epi32(v, v);
  const int32_t packed = _mm_cvtsi128_si32(_mm_packus_epi16(v, v));
  std::memcpy(p, &packed, 4);
}
#endif

// One row of n pixels (channels interleaved values each, 1 or 4) blurred from in to out.
// The window sum of position x + 1 follows from that of x: the left half (x - r .. x) loses
// one step of weight, the right half (x + 1 .. x + r + 1) gains one.
template <int channels>
void BlurRow(const uint8_t* in, uint8_t* out, int n, int r, const Divider& div) {
  auto at = [&](int i) { return in + static_cast<size_t>(std::clamp(i, 0, n - 1)) * channels; };
#if defined(__SSE2__)
  if constexpr (channels == 4) {
    __m128i sum = _mm_setzero_si128(), sumIn = sum, sumOut = sum;
    for (int k = -r; k <= r; ++k) {
      const __m128i p = LoadPixel(at(k));
      const __m128i weighted = _mm_set1_epi32(r + 1 - std::abs(k));
      sum = _mm_add_epi32(sum, _mm_madd_epi16(p, weighted));  // values and weights < 2^15
      if (k <= 0)
        sumOut = _mm_add_epi32(sumOut, p);
      else
        sumIn = _mm_add_epi32(sumIn, p);
    }
    for (int x = 0; x < n; ++x) {
      StorePixel(out + static_cast<size_t>(x) * 4, div(sum));
      const __m128i leaving = LoadPixel(at(x - r));
      const __m128i entering = LoadPixel(at(x + r + 1));
      const __m128i centre = LoadPixel(at(x + 1));
      sum = _mm_add_epi32(_mm_sub_epi32(sum, sumOut), _mm_add_epi32(sumIn, entering));
      sumOut = _mm_add_epi32(_mm_sub_epi32(sumOut, leaving), centre);
      sumIn = _mm_sub_epi32(_mm_add_epi32(sumIn, entering), centre);
    }
    return;
  }
#endif
  if constexpr (channels == 1) {
    // The row with r + 1 copies of each edge value on either side: no clamping per step.
    std::vector<uint8_t> padded(static_cast<size_t>(n) + 2 * r + 2);
    std::fill_n(padded.begin(), r + 1, in[0]);
    std::copy_n(in, n, padded.begin() + r + 1);
    std::fill_n(padded.begin() + r + 1 + n, r + 1, in[n - 1]);
    const uint8_t* p = padded.data() + r + 1;  // p[i] is the value at i, for -r - 1 <= i <= n + r
    uint32_t sum = 0, sumIn = 0, sumOut = 0;
    for (int k = -r; k <= r; ++k) {
      sum += static_cast<uint32_t>(r + 1 - std::abs(k)) * p[k];
      (k <= 0 ? sumOut : sumIn) += p[k];
    }
    for (int x = 0; x < n; ++x) {
      out[x] = static_cast<uint8_t>(div(sum));
      const uint32_t entering = p[x + r + 1], centre = p[x + 1];
      sum = sum - sumOut + sumIn + entering;
      sumOut = sumOut - p[x - r] + centre;
      sumIn = sumIn + entering - centre;
    }
    return;
  }
  uint32_t sum[channels] = {}, sumIn[channels] = {}, sumOut[channels] = {};
  for (int k = -r; k <= r; ++k) {
    const uint8_t* p = at(k);
    const uint32_t w = static_cast<uint32_t>(r + 1 - std::abs(k));
    for (int c = 0; c < channels; ++c) {
      sum[c] += w * p[c];
      (k <= 0 ? sumOut : sumIn)[c] += p[c];
    }
  }
  for (int x = 0; x < n; ++x) {
    uint8_t* o = out + static_cast<size_t>(x) * channels;
    for (int c = 0; c < channels; ++c) o[c] = static_cast<uint8_t>(div(sum[c]));
    const uint8_t* leaving = at(x - r);
    const uint8_t* entering = at(x + r + 1);
    const uint8_t* centre = at(x + 1);
    for (int c = 0; c < channels; ++c) {
      sum[c] = sum[c] - sumOut[c] + sumIn[c] + entering[c];
      sumOut[c] = sumOut[c] - leaving[c] + centre[c];
      sumIn[c] = sumIn[c] + entering[c] - centre[c];
    }
  }
}

// Blurs w x h pixels of channels interleaved values (rows of w * channels bytes) in place.
template <int channels>
void BlurPlanes(uint8_t* pixels, int w, int h, int radius) {
  // Sums stay below 255 * (r + 1)^2 < 2^24 for every radius up to 254.
  const int r = std::min(radius, 254);
  const Divider div(static_cast<uint32_t>((r + 1) * (r + 1)));
  const size_t values = static_cast<size_t>(w) * channels;
  // Row pass into whole numbers per channel, then the column pass back into pixels.
  std::vector<uint8_t> rows(values * h);
  for (int y = 0; y < h; ++y)
    BlurRow<channels>(pixels + y * values, rows.data() + y * values, w, r, div);

  // Columns advance together, one row at a time, so every access runs along memory.
  uint8_t* out = pixels;
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
    const uint8_t* leaving = row(y - r);
    const uint8_t* entering = row(y + r + 1);
    const uint8_t* centre = row(y + 1);
    size_t v = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; v + 4 <= values; v += 4) {
      int32_t bytes;
      auto widen = [&](const uint8_t* p) {
        std::memcpy(&bytes, p + v, 4);
        return _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(bytes), zero), zero);
      };
      __m128i* s = reinterpret_cast<__m128i*>(sum.data() + v);
      __m128i* si = reinterpret_cast<__m128i*>(sumIn.data() + v);
      __m128i* so = reinterpret_cast<__m128i*>(sumOut.data() + v);
      const __m128i cs = _mm_loadu_si128(s), ci = _mm_loadu_si128(si), co = _mm_loadu_si128(so);
      StorePixel(o + v, div(cs));
      const __m128i e = widen(entering), l = widen(leaving), c = widen(centre);
      _mm_storeu_si128(s, _mm_add_epi32(_mm_sub_epi32(cs, co), _mm_add_epi32(ci, e)));
      _mm_storeu_si128(so, _mm_add_epi32(_mm_sub_epi32(co, l), c));
      _mm_storeu_si128(si, _mm_sub_epi32(_mm_add_epi32(ci, e), c));
    }
#endif
    for (; v < values; ++v) {
      o[v] = static_cast<uint8_t>(div(sum[v]));
      sum[v] = sum[v] - sumOut[v] + sumIn[v] + entering[v];
      sumOut[v] = sumOut[v] - leaving[v] + centre[v];
      sumIn[v] = sumIn[v] + entering[v] - centre[v];
    }
  }
}

}  // namespace

void StackBlur(TpmBitmap& bitmap, int radius) {
  const int w = bitmap.Width(), h = bitmap.Height();
  if (radius < 1 || w < 1 || h < 1 || !bitmap.Pixels()) return;
  BlurPlanes<4>(reinterpret_cast<uint8_t*>(bitmap.Pixels()), w, h, radius);
}

void StackBlurPlane(uint8_t* plane, int width, int height, int radius) {
  if (radius < 1 || width < 1 || height < 1 || !plane) return;
  BlurPlanes<1>(plane, width, height, radius);
}
