#include "tests/iconfmt/sample_previews.h"

#include <algorithm>
#include <cmath>

namespace {

struct TRgba {
  double r = 0, g = 0, b = 0, a = 0;  // straight colour 0..1
};

// "Over" of straight colours, returned straight.
TRgba Over(const TRgba& top, const TRgba& bottom) {
  double a = top.a + bottom.a * (1 - top.a);
  if (a <= 0) return {};
  auto mix = [&](double t, double b) { return (t * top.a + b * bottom.a * (1 - top.a)) / a; };
  return {mix(top.r, bottom.r), mix(top.g, bottom.g), mix(top.b, bottom.b), a};
}

// The scene at a point of the unit square (0..1, y down).
TRgba Sample(double x, double y) {
  TRgba shadow;
  {
    // A wide soft ellipse below the sphere, tinted blue-grey, at most 60 % opaque.
    double dx = (x - 0.55) / 0.42, dy = (y - 0.80) / 0.16;
    double d = std::sqrt(dx * dx + dy * dy);
    double t = std::clamp(1.0 - d, 0.0, 1.0);
    shadow = {0.10, 0.12, 0.30, 0.6 * t * t};
  }
  TRgba sphere;
  {
    double dx = (x - 0.48) / 0.36, dy = (y - 0.45) / 0.36;
    double d2 = dx * dx + dy * dy;
    if (d2 < 1) {
      double nz = std::sqrt(1 - d2);
      // Diffuse light from the upper left plus a highlight.
      double lx = -0.5, ly = -0.6, lz = 0.62;
      double diffuse = std::max(0.0, dx * lx + dy * ly + nz * lz);
      double highlight = std::pow(std::max(0.0, nz * 0.9 - dx * 0.3 - dy * 0.3), 24);
      double shade = 0.18 + 0.75 * diffuse;
      sphere = {std::min(1.0, 0.85 * shade + highlight), std::min(1.0, 0.45 * shade + highlight),
                std::min(1.0, 0.20 * shade + highlight), 1.0};
    }
  }
  return Over(sphere, shadow);
}

uint8_t ToByte(double v) {
  return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
}

}  // namespace

std::unique_ptr<TpmBitmap> MakeSamplePreview(int size) {
  auto bitmap = std::make_unique<TpmBitmap>(size, size);
  constexpr int kSub = 4;  // 4 x 4 samples per pixel give the edges their coverage
  for (int y = 0; y < size; ++y) {
    uint32_t* row = bitmap->Scanline(y);
    for (int x = 0; x < size; ++x) {
      double r = 0, g = 0, b = 0, a = 0;  // premultiplied sums
      for (int sy = 0; sy < kSub; ++sy) {
        for (int sx = 0; sx < kSub; ++sx) {
          TRgba c = Sample((x + (sx + 0.5) / kSub) / size, (y + (sy + 0.5) / kSub) / size);
          r += c.r * c.a;
          g += c.g * c.a;
          b += c.b * c.a;
          a += c.a;
        }
      }
      constexpr double n = kSub * kSub;
      row[x] = (uint32_t{ToByte(a / n)} << 24) | (uint32_t{ToByte(r / n)} << 16) |
               (uint32_t{ToByte(g / n)} << 8) | ToByte(b / n);
    }
  }
  return bitmap;
}

TSamplePreviews::TSamplePreviews()
    : image16(MakeSamplePreview(16)),
      image32(MakeSamplePreview(32)),
      image48(MakeSamplePreview(48)),
      image64(MakeSamplePreview(64)),
      image128(MakeSamplePreview(128)),
      image256(MakeSamplePreview(256)) {}
