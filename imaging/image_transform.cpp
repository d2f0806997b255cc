// Geometric operations on decoded images: quarter turns, free rotation and area resampling.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "imaging/image_codec.h"

namespace {

// Interpolating colour is only correct on premultiplied pixels; straight images are
// converted for the operation and back.
class TPremultipliedScope {
 public:
  explicit TPremultipliedScope(const TRasterImage& image) : original_(image.form) {
    if (image.form == TAlphaForm::Premultiplied) {
      source_ = &image;
    } else {
      copy_ = image;
      ConvertAlphaForm(copy_, TAlphaForm::Premultiplied);
      source_ = &copy_;
    }
  }
  const TRasterImage& Source() const { return *source_; }
  TRasterImage Finish(TRasterImage result) const {
    result.form = TAlphaForm::Premultiplied;
    ConvertAlphaForm(result, original_);
    return result;
  }

 private:
  TAlphaForm original_;
  const TRasterImage* source_ = nullptr;
  TRasterImage copy_;
};

inline uint8_t Channel(uint32_t p, int shift) {
  return static_cast<uint8_t>((p >> shift) & 0xFF);
}

// Packs premultiplied channels (blue first); rounding never lets colour exceed alpha.
inline uint32_t PackRounded(const float c[4]) {
  long alpha = std::lround(std::clamp(c[3], 0.0f, 255.0f));
  uint32_t out = static_cast<uint32_t>(alpha) << 24;
  for (int i = 0; i < 3; ++i) {
    long v = std::min(std::lround(std::clamp(c[i], 0.0f, 255.0f)), alpha);
    out |= static_cast<uint32_t>(v) << (8 * i);
  }
  return out;
}

struct TContribution {
  int32_t index;
  float weight;
};

// For each target cell of an axis, the source cells it covers and their share.
std::vector<std::vector<TContribution>> AreaWeights(int32_t source, int32_t target) {
  std::vector<std::vector<TContribution>> weights(target);
  double scale = static_cast<double>(source) / target;
  for (int32_t t = 0; t < target; ++t) {
    double begin = t * scale, end = (t + 1) * scale;
    int32_t first = static_cast<int32_t>(std::floor(begin));
    int32_t last = std::min(source - 1, static_cast<int32_t>(std::ceil(end)) - 1);
    for (int32_t s = std::max(first, 0); s <= last; ++s) {
      double cover = std::min<double>(end, s + 1) - std::max<double>(begin, s);
      if (cover > 1e-9) weights[t].push_back({s, static_cast<float>(cover / scale)});
    }
  }
  return weights;
}

}  // namespace

void RotateQuarterTurns(TRasterImage& image, int quarter_turns) {
  int turns = ((quarter_turns % 4) + 4) % 4;
  if (turns == 0) return;
  const int32_t w = image.width, h = image.height;
  std::vector<uint32_t> out(image.pixels.size());
  if (turns == 2) {
    std::reverse_copy(image.pixels.begin(), image.pixels.end(), out.begin());
  } else {
    // The turned image is h wide and w high.
    for (int32_t y = 0; y < w; ++y) {
      uint32_t* row = out.data() + static_cast<size_t>(y) * h;
      for (int32_t x = 0; x < h; ++x) {
        row[x] = turns == 1 ? image.Row(h - 1 - x)[y] : image.Row(x)[w - 1 - y];
      }
    }
    std::swap(image.width, image.height);
  }
  image.pixels.swap(out);
}

TRasterImage RotateFree(const TRasterImage& image, double degrees) {
  TPremultipliedScope scope(image);
  const TRasterImage& src = scope.Source();
  const double rad = degrees * std::numbers::pi / 180.0;
  const double c = std::cos(rad), s = std::sin(rad);
  const double w = src.width, h = src.height;
  // A tiny allowance keeps 89.99999 degrees from losing a row to rounding error.
  auto box = [](double v) { return std::max<int64_t>(1, static_cast<int64_t>(v + 1e-6)); };
  TRasterImage out =
      AllocateRaster(box(std::fabs(w * c) + std::fabs(h * s)),
                     box(std::fabs(w * s) + std::fabs(h * c)), TAlphaForm::Premultiplied);
  const double ocx = out.width / 2.0, ocy = out.height / 2.0;
  auto texel = [&](int64_t x, int64_t y) -> uint32_t {
    if (x < 0 || y < 0 || x >= src.width || y >= src.height) return 0;
    return src.Row(static_cast<int32_t>(y))[x];
  };
  for (int32_t y = 0; y < out.height; ++y) {
    uint32_t* row = out.Row(y);
    for (int32_t x = 0; x < out.width; ++x) {
      // Turning the target pixel's centre back gives the source point it shows.
      double dx = x + 0.5 - ocx, dy = y + 0.5 - ocy;
      double sx = dx * c + dy * s + w / 2.0 - 0.5;
      double sy = -dx * s + dy * c + h / 2.0 - 0.5;
      if (sx <= -1.0 || sy <= -1.0 || sx >= w || sy >= h) continue;
      double fx0 = std::floor(sx), fy0 = std::floor(sy);
      int64_t x0 = static_cast<int64_t>(fx0), y0 = static_cast<int64_t>(fy0);
      float fx = static_cast<float>(sx - fx0), fy = static_cast<float>(sy - fy0);
      uint32_t p00 = texel(x0, y0), p10 = texel(x0 + 1, y0);
      uint32_t p01 = texel(x0, y0 + 1), p11 = texel(x0 + 1, y0 + 1);
      float acc[4];
      for (int i = 0; i < 4; ++i) {
        int shift = 8 * i;
        float top = Channel(p00, shift) * (1 - fx) + Channel(p10, shift) * fx;
        float bottom = Channel(p01, shift) * (1 - fx) + Channel(p11, shift) * fx;
        acc[i] = top * (1 - fy) + bottom * fy;
      }
      row[x] = PackRounded(acc);
    }
  }
  return scope.Finish(std::move(out));
}

TRasterImage ResizeArea(const TRasterImage& image, int32_t width, int32_t height) {
  if (width == image.width && height == image.height) return image;
  TPremultipliedScope scope(image);
  const TRasterImage& src = scope.Source();
  TRasterImage out = AllocateRaster(width, height, TAlphaForm::Premultiplied);
  auto across = AreaWeights(src.width, width);
  auto down = AreaWeights(src.height, height);
  // Source rows are resampled across once each into a ring of float rows big enough for the
  // rows one target row covers, so memory stays a few rows whatever the image size.
  size_t ring = 1;
  for (const auto& row : down) ring = std::max(ring, row.size());
  std::vector<std::vector<float>> slots(ring, std::vector<float>(static_cast<size_t>(width) * 4));
  std::vector<int32_t> slot_row(ring, -1);
  auto across_row = [&](int32_t y) -> const float* {
    size_t slot = static_cast<size_t>(y) % ring;
    std::vector<float>& row = slots[slot];
    if (slot_row[slot] == y) return row.data();
    slot_row[slot] = y;
    std::fill(row.begin(), row.end(), 0.0f);
    const uint32_t* in = src.Row(y);
    for (int32_t x = 0; x < width; ++x)
      for (const TContribution& k : across[x]) {
        uint32_t p = in[k.index];
        for (int i = 0; i < 4; ++i) row[x * 4 + i] += Channel(p, 8 * i) * k.weight;
      }
    return row.data();
  };
  std::vector<float> acc(static_cast<size_t>(width) * 4);
  for (int32_t y = 0; y < height; ++y) {
    std::fill(acc.begin(), acc.end(), 0.0f);
    for (const TContribution& k : down[y]) {
      const float* m = across_row(k.index);
      for (size_t i = 0; i < acc.size(); ++i) acc[i] += m[i] * k.weight;
    }
    uint32_t* row = out.Row(y);
    for (int32_t x = 0; x < width; ++x) row[x] = PackRounded(&acc[static_cast<size_t>(x) * 4]);
  }
  return scope.Finish(std::move(out));
}

// Each source row is resampled across into sums, which are added into the (at most two,
// for a reduction) target rows it covers; a target row is packed once no later source row
// can reach it.
struct TRowReducer::TState {
  int32_t source_height = 0;
  std::vector<std::vector<TContribution>> across;
  std::vector<std::vector<TContribution>> down_of;  // per source row: target rows, shares
  static constexpr size_t kRing = 4;
  std::vector<std::vector<float>> sums;  // target row t lives in sums[t % kRing]
  std::vector<float> across_row;
  int32_t next_row = 0;     // the next source row
  int32_t next_target = 0;  // the first target row not yet packed
  TRasterImage out;

  void Pack(int32_t t) {
    std::vector<float>& row = sums[static_cast<size_t>(t) % kRing];
    uint32_t* px = out.Row(t);
    for (int32_t x = 0; x < out.width; ++x) px[x] = PackRounded(&row[static_cast<size_t>(x) * 4]);
    std::fill(row.begin(), row.end(), 0.0f);
  }
};

TRowReducer::TRowReducer(int32_t source_width, int32_t source_height, int32_t width, int32_t height)
    : state_(std::make_unique<TState>()) {
  if (width > source_width || height > source_height || source_width < 1 || source_height < 1)
    throw EImageError("A row reduction cannot enlarge an image");
  TState& s = *state_;
  s.out = AllocateRaster(width, height, TAlphaForm::Premultiplied);
  s.source_height = source_height;
  s.across = AreaWeights(source_width, width);
  s.down_of.resize(static_cast<size_t>(source_height));
  const auto down = AreaWeights(source_height, height);
  for (int32_t t = 0; t < height; ++t)
    for (const TContribution& k : down[t]) s.down_of[k.index].push_back({t, k.weight});
  s.sums.assign(TState::kRing, std::vector<float>(static_cast<size_t>(width) * 4, 0.0f));
  s.across_row.resize(static_cast<size_t>(width) * 4);
}

TRowReducer::~TRowReducer() = default;

void TRowReducer::AddRow(const uint32_t* straight) {
  TState& s = *state_;
  if (s.next_row >= s.source_height) throw EImageError("More rows than the image has");
  const std::vector<TContribution>& targets = s.down_of[s.next_row++];
  if (targets.empty()) return;
  // Rows before the first this one reaches are complete.
  while (s.next_target < targets.front().index) s.Pack(s.next_target++);
  std::fill(s.across_row.begin(), s.across_row.end(), 0.0f);
  for (size_t x = 0; x < s.across.size(); ++x) {
    float* sum = &s.across_row[x * 4];
    for (const TContribution& k : s.across[x]) {
      const uint32_t p = PremultiplyPixel(straight[k.index]);
      for (int i = 0; i < 4; ++i) sum[i] += Channel(p, 8 * i) * k.weight;
    }
  }
  for (const TContribution& k : targets) {
    std::vector<float>& row = s.sums[static_cast<size_t>(k.index) % TState::kRing];
    for (size_t i = 0; i < row.size(); ++i) row[i] += s.across_row[i] * k.weight;
  }
}

TRasterImage TRowReducer::Finish(TAlphaForm form) {
  TState& s = *state_;
  if (s.next_row != s.source_height) throw EImageError("The image ended before its last row");
  while (s.next_target < s.out.height) s.Pack(s.next_target++);
  TRasterImage out = std::move(s.out);
  ConvertAlphaForm(out, form);
  return out;
}
