#include "iconfmt/png_data.h"

#include "imaging/bitmap.h"
#include "imaging/image_codec.h"

std::vector<uint8_t> EncodePngData(const TpmBitmap& bitmap) {
  TRasterImage image;
  image.width = bitmap.Width();
  image.height = bitmap.Height();
  image.form = TAlphaForm::Premultiplied;
  image.pixels.assign(bitmap.Pixels(), bitmap.Pixels() + bitmap.ByteSize() / 4);
  TEncodeOptions options;
  options.fast = true;
  return EncodeImage(image, TImageFormat::Png, options);
}
