#include "iconfmt/icon_image.h"

#include "imaging/bitmap.h"
#include "imaging/canvas.h"
#include "imaging/geometry.h"
#include "imaging/straight_alpha.h"

std::vector<uint32_t> PrepareIconImage(const TpmBitmap& preview, int size) {
  std::vector<uint32_t> pixels(static_cast<size_t>(size) * size);
  if (preview.Width() == size && preview.Height() == size) {
    // Drawing a bitmap of the same size onto transparent pixels copies it; skip the canvas.
    ToStraightAlpha(preview.Pixels(), pixels.data(), pixels.size());
    return pixels;
  }
  TpmBitmap scaled(size, size);
  scaled.Canvas().DrawBitmap(
      preview,
      TpmRect{0, 0, static_cast<float>(preview.Width()), static_cast<float>(preview.Height())},
      TpmRect{0, 0, static_cast<float>(size), static_cast<float>(size)}, 1.0f, false);
  ToStraightAlpha(scaled.Pixels(), pixels.data(), pixels.size());
  return pixels;
}
