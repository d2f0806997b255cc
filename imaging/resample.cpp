#include "imaging/resample.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define FACETMINT_HAVE_AVX2_PATH 1
#endif

namespace {

// Tests and benchmarks: the general code path only (see ResampleForceBaseline).
bool g_force_baseline = false;

// Weights are fixed point with 14 fraction bits and sum to exactly 1 << 14 for every output
// pixel, so flat areas stay exactly flat. The row pass keeps 6 fraction bits in int16.
constexpr int kWeightBits = 14;
constexpr int kWeightOne = 1 << kWeightBits;
constexpr int kMidBits = 6;

// Keys cubic with a = -0.5 (Catmull-Rom): interpolating, so 1:1 draws are exact.
double CatmullRom(double x) {
  x = std::fabs(x);
  if (x < 1) return (1.5 * x - 2.5) * x * x + 1;
  if (x < 2) return ((-0.5 * x + 2.5) * x - 4) * x + 2;
  return 0;
}

// Filter taps of one axis: for output index i, count[i] source indices starting at first[i]
// with weights at weights[offset[i]..]; coverage[i] is the part of the pixel inside dstRect.
struct Axis {
  std::vector<int> first, count, offset;
  std::vector<int16_t> weights;
  std::vector<float> coverage;
};

Axis BuildAxis(double d0, double d1, double s0, double s1, int sa, int sb, int b0, int b1,
               bool nearest) {
  Axis axis;
  const int n = b1 - b0;
  axis.first.resize(n);
  axis.count.resize(n);
  axis.offset.resize(n);
  axis.coverage.resize(n);
  const double scale = (s1 - s0) / (d1 - d0);  // source pixels per destination pixel
  const double fscale = std::max(scale, 1.0);
  const double support = 2 * fscale;
  std::vector<double> w;
  for (int k = 0; k < n; ++k) {
    const int i = b0 + k;
    const double lo = std::max<double>(i, d0);
    const double hi = std::min<double>(i + 1, d1);
    axis.coverage[k] = static_cast<float>(std::max(0.0, hi - lo));
    // Centre of the covered part, so an edge pixel samples the image edge it shows.
    const double s = s0 + ((lo + hi) * 0.5 - d0) * scale;
    axis.offset[k] = static_cast<int>(axis.weights.size());
    int first = 0;
    w.clear();
    if (!nearest) {
      const int j0 = std::max(sa, static_cast<int>(std::floor(s - support)));
      const int j1 = std::min(sb, static_cast<int>(std::ceil(s + support)) + 1);
      first = j0;
      double sum = 0;
      for (int j = j0; j < j1; ++j) {
        const double v = CatmullRom((j + 0.5 - s) / fscale);
        w.push_back(v);
        sum += v;
      }
      if (!(sum > 1e-9)) w.clear();  // nothing usable in range: fall back to nearest
      for (auto& v : w) v /= sum;
    }
    if (w.empty()) {
      first = std::clamp(static_cast<int>(std::floor(s)), sa, sb - 1);
      w.push_back(1.0);
    }
    // Quantise so the weights sum to exactly kWeightOne; the remainder goes to the largest.
    std::vector<int> q(w.size());
    int total = 0;
    size_t biggest = 0;
    for (size_t t = 0; t < w.size(); ++t) {
      q[t] = static_cast<int>(std::lround(w[t] * kWeightOne));
      total += q[t];
      if (w[t] > w[biggest]) biggest = t;
    }
    q[biggest] += kWeightOne - total;
    size_t begin = 0, end = q.size();
    while (begin + 1 < end && q[begin] == 0) ++begin;
    while (end - 1 > begin && q[end - 1] == 0) --end;
    axis.first[k] = first + static_cast<int>(begin);
    axis.count[k] = static_cast<int>(end - begin);
    for (size_t t = begin; t < end; ++t) axis.weights.push_back(static_cast<int16_t>(q[t]));
    if ((end - begin) % 2) axis.weights.push_back(0);  // keeps pairs aligned for the SIMD loops
  }
  return axis;
}

inline int16_t SaturateInt16(int v) {
  return static_cast<int16_t>(std::clamp(v, -32768, 32767));
}

inline int32_t WeightPair(const int16_t* w) {  // w[0] low, w[1] high, as pmaddwd wants
  int32_t pair;
  std::memcpy(&pair, w, 4);
  return pair;
}

constexpr int kMidShift = kWeightBits - kMidBits;
constexpr int kMidRound = 1 << (kMidShift - 1);

// Vertical taps over 8-bit source rows into one Q6 int16 BGRA row of `columns` pixels
// starting at source column x0. Runs first because it reads whole rows contiguously and
// handles four pixels per step; the narrower horizontal pass then works on fewer pixels.
void VerticalRow(const TpmPixelImage& src, int firstRow, int count, const int16_t* w, int x0,
                 int columns, int16_t* out) {
  auto row = [&](int r) {
    return reinterpret_cast<const uint8_t*>(src.Pixels +
                                            static_cast<size_t>(firstRow + r) * src.Stride + x0);
  };
  int x = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i round = _mm_set1_epi32(kMidRound);
  for (; x + 4 <= columns; x += 4) {
    __m128i acc0 = zero, acc1 = zero, acc2 = zero, acc3 = zero;
    int t = 0;
    for (; t + 1 < count; t += 2) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row(t) + x * 4));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row(t + 1) + x * 4));
      const __m128i pair = _mm_set1_epi32(WeightPair(w + t));
      const __m128i lo = _mm_unpacklo_epi8(a, b);  // pixels 0, 1: each byte of a then of b
      const __m128i hi = _mm_unpackhi_epi8(a, b);  // pixels 2, 3
      acc0 = _mm_add_epi32(acc0, _mm_madd_epi16(_mm_unpacklo_epi8(lo, zero), pair));
      acc1 = _mm_add_epi32(acc1, _mm_madd_epi16(_mm_unpackhi_epi8(lo, zero), pair));
      acc2 = _mm_add_epi32(acc2, _mm_madd_epi16(_mm_unpacklo_epi8(hi, zero), pair));
      acc3 = _mm_add_epi32(acc3, _mm_madd_epi16(_mm_unpackhi_epi8(hi, zero), pair));
    }
    if (t < count) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row(t) + x * 4));
      const __m128i single = _mm_set1_epi32(static_cast<uint16_t>(w[t]));
      const __m128i lo = _mm_unpacklo_epi8(a, zero);  // pixels 0, 1 as 16-bit
      const __m128i hi = _mm_unpackhi_epi8(a, zero);
      acc0 = _mm_add_epi32(acc0, _mm_madd_epi16(_mm_unpacklo_epi16(lo, zero), single));
      acc1 = _mm_add_epi32(acc1, _mm_madd_epi16(_mm_unpackhi_epi16(lo, zero), single));
      acc2 = _mm_add_epi32(acc2, _mm_madd_epi16(_mm_unpacklo_epi16(hi, zero), single));
      acc3 = _mm_add_epi32(acc3, _mm_madd_epi16(_mm_unpackhi_epi16(hi, zero), single));
    }
    acc0 = _mm_srai_epi32(_mm_add_epi32(acc0, round), kMidShift);
    acc1 = _mm_srai_epi32(_mm_add_epi32(acc1, round), kMidShift);
    acc2 = _mm_srai_epi32(_mm_add_epi32(acc2, round), kMidShift);
    acc3 = _mm_srai_epi32(_mm_add_epi32(acc3, round), kMidShift);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x * 4), _mm_packs_epi32(acc0, acc1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x * 4 + 8), _mm_packs_epi32(acc2, acc3));
  }
#endif
  for (; x < columns; ++x) {
    int acc[4] = {0, 0, 0, 0};
    for (int t = 0; t < count; ++t) {
      const uint8_t* p = row(t) + x * 4;
      for (int c = 0; c < 4; ++c) acc[c] += p[c] * w[t];
    }
    for (int c = 0; c < 4; ++c) out[x * 4 + c] = SaturateInt16((acc[c] + kMidRound) >> kMidShift);
  }
}

#if defined(FACETMINT_HAVE_AVX2_PATH)
// VerticalRow for processors with AVX2 (checked at run time): eight pixels per step, the
// same integer arithmetic, so the results are identical.
__attribute__((target("avx2"))) void VerticalRowAvx2(const TpmPixelImage& src, int firstRow,
                                                     int count, const int16_t* w, int x0,
                                                     int columns, int16_t* out) {
  auto row = [&](int r) {
    return reinterpret_cast<const uint8_t*>(src.Pixels +
                                            static_cast<size_t>(firstRow + r) * src.Stride + x0);
  };
  const __m256i zero = _mm256_setzero_si256();
  const __m256i round = _mm256_set1_epi32(kMidRound);
  int x = 0;
  for (; x + 8 <= columns; x += 8) {
    // Lane 0 holds pixels 0-3, lane 1 pixels 4-7; acc0 = pixels 0 and 4, acc1 = 1 and 5 ...
    __m256i acc0 = zero, acc1 = zero, acc2 = zero, acc3 = zero;
    int t = 0;
    for (; t + 1 < count; t += 2) {
      const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row(t) + x * 4));
      const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row(t + 1) + x * 4));
      const __m256i pair = _mm256_set1_epi32(WeightPair(w + t));
      const __m256i lo = _mm256_unpacklo_epi8(a, b);
      const __m256i hi = _mm256_unpackhi_epi8(a, b);
      acc0 = _mm256_add_epi32(acc0, _mm256_madd_epi16(_mm256_unpacklo_epi8(lo, zero), pair));
      acc1 = _mm256_add_epi32(acc1, _mm256_madd_epi16(_mm256_unpackhi_epi8(lo, zero), pair));
      acc2 = _mm256_add_epi32(acc2, _mm256_madd_epi16(_mm256_unpacklo_epi8(hi, zero), pair));
      acc3 = _mm256_add_epi32(acc3, _mm256_madd_epi16(_mm256_unpackhi_epi8(hi, zero), pair));
    }
    if (t < count) {
      const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row(t) + x * 4));
      const __m256i single = _mm256_set1_epi32(static_cast<uint16_t>(w[t]));
      const __m256i lo = _mm256_unpacklo_epi8(a, zero);
      const __m256i hi = _mm256_unpackhi_epi8(a, zero);
      acc0 = _mm256_add_epi32(acc0, _mm256_madd_epi16(_mm256_unpacklo_epi16(lo, zero), single));
      acc1 = _mm256_add_epi32(acc1, _mm256_madd_epi16(_mm256_unpackhi_epi16(lo, zero), single));
      acc2 = _mm256_add_epi32(acc2, _mm256_madd_epi16(_mm256_unpacklo_epi16(hi, zero), single));
      acc3 = _mm256_add_epi32(acc3, _mm256_madd_epi16(_mm256_unpackhi_epi16(hi, zero), single));
    }
    acc0 = _mm256_srai_epi32(_mm256_add_epi32(acc0, round), kMidShift);
    acc1 = _mm256_srai_epi32(_mm256_add_epi32(acc1, round), kMidShift);
    acc2 = _mm256_srai_epi32(_mm256_add_epi32(acc2, round), kMidShift);
    acc3 = _mm256_srai_epi32(_mm256_add_epi32(acc3, round), kMidShift);
    const __m256i p01 = _mm256_packs_epi32(acc0, acc1);  // pixels 0 1 | 4 5
    const __m256i p23 = _mm256_packs_epi32(acc2, acc3);  // pixels 2 3 | 6 7
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x * 4),
                        _mm256_permute2x128_si256(p01, p23, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x * 4 + 16),
                        _mm256_permute2x128_si256(p01, p23, 0x31));
  }
  if (x < columns)
    VerticalRow(src, firstRow, count, w, x0 + x, columns - x, out + static_cast<size_t>(x) * 4);
}

bool UseAvx2() {
  static const bool supported = __builtin_cpu_supports("avx2");
  return supported && !g_force_baseline;
}
#endif

// Horizontal taps of output pixel k over a Q6 row (indices relative to its first column):
// Q20 BGRA sums.
#if defined(__SSE2__)
inline __m128i HorizontalPixel(const int16_t* mid, const Axis& ax, int k, int x0) {
  const int16_t* w = ax.weights.data() + ax.offset[k];
  const int16_t* p = mid + static_cast<size_t>(ax.first[k] - x0) * 4;
  const int count = ax.count[k];
  const __m128i zero = _mm_setzero_si128();
  __m128i acc = zero;
  int t = 0;
  for (; t + 1 < count; t += 2) {
    __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + t * 4));
    px = _mm_unpacklo_epi16(px, _mm_srli_si128(px, 8));  // b0 b1 g0 g1 r0 r1 a0 a1
    acc = _mm_add_epi32(acc, _mm_madd_epi16(px, _mm_set1_epi32(WeightPair(w + t))));
  }
  if (t < count) {
    __m128i px = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + t * 4));
    px = _mm_unpacklo_epi16(px, zero);
    acc = _mm_add_epi32(acc, _mm_madd_epi16(px, _mm_set1_epi32(static_cast<uint16_t>(w[t]))));
  }
  return acc;
}
#else
inline void HorizontalPixel(const int16_t* mid, const Axis& ax, int k, int x0, int32_t* sum) {
  const int16_t* w = ax.weights.data() + ax.offset[k];
  const int16_t* p = mid + static_cast<size_t>(ax.first[k] - x0) * 4;
  sum[0] = sum[1] = sum[2] = sum[3] = 0;
  for (int t = 0; t < ax.count[k]; ++t)
    for (int c = 0; c < 4; ++c) sum[c] += p[t * 4 + c] * w[t];
}
#endif

#if !defined(__SSE2__)
inline uint32_t DivBy255(uint32_t x) {  // round(x / 255) for x <= 255 * 255
  x += 128;
  return (x + (x >> 8)) >> 8;
}

// Premultiplied source-over of one pixel with the source scaled by factor (Q16).
inline uint32_t Over(const int32_t* sum, uint32_t dst, uint32_t factor) {
  constexpr int shift = kWeightBits + kMidBits;
  constexpr int round = 1 << (shift - 1);
  int a = std::clamp((sum[3] + round) >> shift, 0, 255);
  int c[3];
  for (int i = 0; i < 3; ++i) c[i] = std::clamp((sum[i] + round) >> shift, 0, a);
  if (factor < 65536) {
    a = static_cast<int>((a * factor + 32768) >> 16);
    for (int& v : c) v = static_cast<int>((v * factor + 32768) >> 16);
  }
  if (a == 255) return 0xFF000000u | (c[2] << 16) | (c[1] << 8) | c[0];
  if (a == 0 && c[0] == 0 && c[1] == 0 && c[2] == 0) return dst;
  const uint32_t inv = 255 - a;
  uint32_t out = 0;
  for (int i = 0; i < 4; ++i) {
    const uint32_t d = (dst >> (8 * i)) & 0xFF;
    const uint32_t s = i == 3 ? static_cast<uint32_t>(a) : static_cast<uint32_t>(c[i]);
    out |= std::min<uint32_t>(255, s + DivBy255(d * inv)) << (8 * i);
  }
  return out;
}

#endif

#if defined(__SSE2__)
// The same as Over for Q20 sums held in a vector.
inline uint32_t OverVector(__m128i sum, uint32_t dst, uint32_t factor) {
  constexpr int shift = kWeightBits + kMidBits;
  const __m128i zero = _mm_setzero_si128();
  __m128i v = _mm_srai_epi32(_mm_add_epi32(sum, _mm_set1_epi32(1 << (shift - 1))), shift);
  v = _mm_packs_epi32(v, v);
  v = _mm_packus_epi16(v, v);  // clamped to 0..255
  const uint32_t a = static_cast<uint32_t>(_mm_cvtsi128_si32(v)) >> 24;
  v = _mm_min_epu8(v, _mm_set1_epi8(static_cast<char>(a)));  // colour <= alpha
  uint32_t src = static_cast<uint32_t>(_mm_cvtsi128_si32(v));
  if (factor < 65536) {
    uint32_t scaled = 0;
    for (int i = 0; i < 32; i += 8) scaled |= ((((src >> i) & 0xFF) * factor + 32768) >> 16) << i;
    src = scaled;
  }
  const uint32_t sa = src >> 24;
  if (sa == 255) return src;
  if (src == 0) return dst;
  __m128i d = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(dst)), zero);
  d = _mm_add_epi16(_mm_mullo_epi16(d, _mm_set1_epi16(static_cast<int16_t>(255 - sa))),
                    _mm_set1_epi16(128));
  d = _mm_srli_epi16(_mm_add_epi16(d, _mm_srli_epi16(d, 8)), 8);  // round(d * (255 - a) / 255)
  const __m128i s16 = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(src)), zero);
  return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(_mm_add_epi16(s16, d), zero)));
}
#endif

// Whether every pixel of the axis takes one source pixel whole, the next pixel the next
// source pixel: a 1:1 draw at whole-pixel positions, fully inside the destination rectangle.
bool WholePixelSteps(const Axis& axis) {
  for (size_t k = 0; k < axis.first.size(); ++k) {
    if (axis.count[k] != 1 || axis.weights[axis.offset[k]] != kWeightOne ||
        axis.coverage[k] != 1.0f || axis.first[k] != axis.first[0] + static_cast<int>(k))
      return false;
  }
  return true;
}

// What the filter passes make of one source pixel taken whole at opacity 1, composited
// over dst: colour clamped to alpha, then source-over rounded as in OverVector.
inline uint32_t OverWhole(uint32_t src, uint32_t dst) {
  const uint32_t a = src >> 24;
  if (a == 255) return src;
  if (a == 0) return dst;  // every channel clamps to 0
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t s = std::min((src >> shift) & 0xFF, a);
    uint32_t d = ((dst >> shift) & 0xFF) * (255 - a) + 128;
    d = (d + (d >> 8)) >> 8;  // round(d * (255 - a) / 255)
    out |= std::min<uint32_t>(255, s + d) << shift;
  }
  return out;
}

// The draw when both axes take whole pixels at opacity 1: no filtering is left to do, only
// the compositing, so each pixel is composited straight from its source pixel.
void DrawWholePixels(const TpmPixelImage& source, const Axis& ax, const Axis& ay,
                     TpmPixelTarget& target, int bx0, int bx1, int by0,
                     const std::vector<TpmPixelBox>& clip) {
  for (size_t k = 0; k < ay.first.size(); ++k) {
    const int y = by0 + static_cast<int>(k);
    // in[x - bx0] is the source of target pixel x.
    const uint32_t* in =
        source.Pixels + static_cast<size_t>(ay.first[k]) * source.Stride + ax.first[0];
    uint32_t* out = target.Pixels + static_cast<size_t>(y) * target.Stride;
    for (const auto& c : clip) {
      if (y < c.Top || y >= c.Bottom) continue;
      const int x1 = std::min(bx1, c.Right);
      for (int x = std::max(bx0, c.Left); x < x1; ++x) out[x] = OverWhole(in[x - bx0], out[x]);
    }
  }
}

// The columns from .. to of a row that hold pixels other than 0: [First, Last), empty when
// First >= Last.
struct Span {
  int First = 0;
  int Last = 0;
};

Span NonZeroSpan(const uint32_t* row, int from, int to) {
  auto zero8 = [&](int x) {  // pixels x .. x + 7 all 0
    uint64_t q[4];
    std::memcpy(q, row + x, sizeof q);
    return (q[0] | q[1] | q[2] | q[3]) == 0;
  };
  int first = from;
  while (first + 8 <= to && zero8(first)) first += 8;
  while (first < to && row[first] == 0) ++first;
  int last = to;
  while (last - 8 >= first && zero8(last - 8)) last -= 8;
  while (last > first && row[last - 1] == 0) --last;
  return {first, last};
}

bool Finite(const TpmRect& r) {
  return std::isfinite(r.Left) && std::isfinite(r.Top) && std::isfinite(r.Right) &&
         std::isfinite(r.Bottom);
}

}  // namespace

void ResampleDraw(const TpmPixelImage& source, const TpmRect& srcRect, TpmPixelTarget& target,
                  const TpmRect& dstRect, const std::vector<TpmPixelBox>& clip, float opacity,
                  bool nearest) {
  if (!source.Pixels || !target.Pixels || !(opacity > 0) || clip.empty()) return;
  if (!Finite(srcRect) || !Finite(dstRect) || srcRect.IsEmpty() || dstRect.IsEmpty()) return;
  opacity = std::min(opacity, 1.0f);

  // Source pixels that may be read.
  const int sxa = static_cast<int>(std::clamp<double>(std::floor(srcRect.Left), 0, source.Width));
  const int sxb = static_cast<int>(std::clamp<double>(std::ceil(srcRect.Right), 0, source.Width));
  const int sya = static_cast<int>(std::clamp<double>(std::floor(srcRect.Top), 0, source.Height));
  const int syb = static_cast<int>(std::clamp<double>(std::ceil(srcRect.Bottom), 0, source.Height));
  if (sxa >= sxb || sya >= syb) return;

  // Destination pixels touched: the rect's pixels inside the target and the clip's extent.
  TpmPixelBox extent = clip.front();
  for (const auto& c : clip) {
    extent.Left = std::min(extent.Left, c.Left);
    extent.Top = std::min(extent.Top, c.Top);
    extent.Right = std::max(extent.Right, c.Right);
    extent.Bottom = std::max(extent.Bottom, c.Bottom);
  }
  auto lowEdge = [](double v, int lo, int hi) {
    return static_cast<int>(std::clamp<double>(std::floor(v), lo, hi));
  };
  auto highEdge = [](double v, int lo, int hi) {
    return static_cast<int>(std::clamp<double>(std::ceil(v), lo, hi));
  };
  const int bx0 =
      lowEdge(dstRect.Left, std::max(0, extent.Left), std::min(target.Width, extent.Right));
  const int bx1 =
      highEdge(dstRect.Right, std::max(0, extent.Left), std::min(target.Width, extent.Right));
  const int by0 =
      lowEdge(dstRect.Top, std::max(0, extent.Top), std::min(target.Height, extent.Bottom));
  const int by1 =
      highEdge(dstRect.Bottom, std::max(0, extent.Top), std::min(target.Height, extent.Bottom));
  if (bx0 >= bx1 || by0 >= by1) return;

  const Axis ax = BuildAxis(dstRect.Left, dstRect.Right, srcRect.Left, srcRect.Right, sxa, sxb, bx0,
                            bx1, nearest);
  const Axis ay = BuildAxis(dstRect.Top, dstRect.Bottom, srcRect.Top, srcRect.Bottom, sya, syb, by0,
                            by1, nearest);
  if (opacity == 1.0f && !g_force_baseline && WholePixelSteps(ax) && WholePixelSteps(ay)) {
    DrawWholePixels(source, ax, ay, target, bx0, bx1, by0, clip);
    return;
  }
  const int boxW = bx1 - bx0;
  const int boxH = by1 - by0;

  // Source columns the horizontal taps reach.
  int cx0 = sxb, cx1 = sxa;
  for (int k = 0; k < boxW; ++k) {
    cx0 = std::min(cx0, ax.first[k]);
    cx1 = std::max(cx1, ax.first[k] + ax.count[k]);
  }
  const int columns = cx1 - cx0;
  // Transparent source pixels (0) add nothing, and a destination pixel whose taps all fall on
  // them keeps its colour: each source row's columns between its first and last other pixel
  // bound the work of the rows that read it.
  std::vector<Span> spans(static_cast<size_t>(syb - sya));
  for (int j = sya; j < syb; ++j) {
    spans[j - sya] =
        g_force_baseline
            ? Span{cx0, cx1}
            : NonZeroSpan(source.Pixels + static_cast<size_t>(j) * source.Stride, cx0, cx1);
  }
  // Each output row: vertical taps into a Q6 row, then horizontal taps and compositing.
  std::unique_ptr<int16_t[]> mid(new int16_t[static_cast<size_t>(columns) * 4 + 8]);
  for (int k = 0; k < boxH; ++k) {
    const int y = by0 + k;
    bool rowInClip = false;
    for (const auto& c : clip)
      rowInClip |= y >= c.Top && y < c.Bottom && c.Left < bx1 && c.Right > bx0;
    if (!rowInClip) continue;
    int lo = cx1, hi = cx0;  // the columns where some tap row is not 0
    for (int t = 0; t < ay.count[k]; ++t) {
      const Span& span = spans[ay.first[k] + t - sya];
      if (span.First >= span.Last) continue;
      lo = std::min(lo, span.First);
      hi = std::max(hi, span.Last);
    }
    if (lo >= hi) continue;
    // Outside lo .. hi every tap reads 0: so does the vertical sum.
    std::fill(mid.get(), mid.get() + static_cast<size_t>(lo - cx0) * 4, int16_t{0});
    std::fill(mid.get() + static_cast<size_t>(hi - cx0) * 4,
              mid.get() + static_cast<size_t>(columns) * 4, int16_t{0});
    int16_t* part = mid.get() + static_cast<size_t>(lo - cx0) * 4;
#if defined(FACETMINT_HAVE_AVX2_PATH)
    if (UseAvx2())
      VerticalRowAvx2(source, ay.first[k], ay.count[k], ay.weights.data() + ay.offset[k], lo,
                      hi - lo, part);
    else
#endif
      VerticalRow(source, ay.first[k], ay.count[k], ay.weights.data() + ay.offset[k], lo, hi - lo,
                  part);
    const float rowFactor = ay.coverage[k] * opacity;
    uint32_t* out = target.Pixels + static_cast<size_t>(y) * target.Stride;
    for (const auto& c : clip) {
      if (y < c.Top || y >= c.Bottom) continue;
      const int x0 = std::max(bx0, c.Left);
      const int x1 = std::min(bx1, c.Right);
      for (int x = x0; x < x1; ++x) {
        const int i = x - bx0;
        if (ax.first[i] >= hi || ax.first[i] + ax.count[i] <= lo) continue;  // all taps 0
        const float f = std::min(1.0f, ax.coverage[i] * rowFactor);
        const uint32_t factor = static_cast<uint32_t>(f * 65536.0f + 0.5f);
        if (factor == 0) continue;
#if defined(__SSE2__)
        out[x] = OverVector(HorizontalPixel(mid.get(), ax, i, cx0), out[x], factor);
#else
        int32_t sum[4];
        HorizontalPixel(mid.get(), ax, i, cx0, sum);
        out[x] = Over(sum, out[x], factor);
#endif
      }
    }
  }
}

void ResampleForceBaseline(bool baseline) {
  g_force_baseline = baseline;
}
