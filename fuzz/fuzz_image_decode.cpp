// Decodes arbitrary bytes the way stored bitmaps and image files reach the program: through
// the filter's stream load (which reads any format) and TpmBitmap's stored-form load.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/stream.h"
#include "imaging/bitmap.h"
#include "imaging/filter.h"
#include "imaging/image_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Keeps each input's memory and time small; the limit logic itself is what is exercised.
  static const bool limited = (SetMaxImagePixels(size_t{2048} * 2048), true);
  (void)limited;
  std::vector<uint8_t> bytes(data, data + size);
  {
    TMemoryStream stream(bytes);
    TpmBitmap bitmap;
    DefaultFilterClass().Create()->LoadPng(stream, bitmap);
  }
  {
    TMemoryStream stream(std::move(bytes));
    TpmBitmap bitmap;
    bitmap.LoadFromStream(stream);
  }
  try {
    TRasterImage straight = DecodeImage(data, size, TAlphaForm::Straight);
  } catch (const EImageError&) {
  }
  return 0;
}
