#include "iconfmt/png_data.h"

#include "imaging/bitmap.h"
#include "imaging/filter.h"
#include "imaging/image_codec.h"

std::vector<uint8_t> EncodePngData(const TpmBitmap& bitmap) {
  TRasterImage image = RasterOf(bitmap);
  TEncodeOptions options;
  options.fast = true;
  return EncodeImage(image, TImageFormat::Png, options);
}
