// Synthetic previews like those the icon pipeline hands to the writers: a lit sphere with
// antialiased edges over a soft, semi-transparent tinted shadow on a transparent
// background, premultiplied as in every TpmBitmap.
#pragma once

#include <memory>

#include "imaging/bitmap.h"

// One preview of size x size, drawn at that size (not scaled from a larger one).
std::unique_ptr<TpmBitmap> MakeSamplePreview(int size);

struct TSamplePreviews {
  std::unique_ptr<TpmBitmap> image16, image32, image48, image64, image128, image256;
  TSamplePreviews();
};
