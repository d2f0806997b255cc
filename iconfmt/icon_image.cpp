#include "iconfmt/icon_image.h"

#include <stdexcept>
#include <string>

#include "imaging/bitmap.h"
#include "imaging/straight_alpha.h"

std::vector<uint32_t> PrepareIconImage(const TpmBitmap& preview, int size) {
  std::vector<uint32_t> pixels(static_cast<size_t>(size) * size);
  if (preview.Width() == size && preview.Height() == size) {
    ToStraightAlpha(preview.Pixels(), pixels.data(), pixels.size());
    return pixels;
  }
  throw std::invalid_argument("The " + std::to_string(size) + " x " + std::to_string(size) +
                              " icon image needs a preview of that size, not " +
                              std::to_string(preview.Width()) + " x " +
                              std::to_string(preview.Height()));
}
