// Stack blur of premultiplied 32-bit pixels: a triangle filter of radius r (weights
// r + 1 - |k|) along every row, then along every column of the row result, edge pixels
// repeated. Running sums make the cost per pixel independent of r.
#pragma once

#include <cstdint>

class TpmBitmap;

// r < 1 leaves the bitmap unchanged.
void StackBlur(TpmBitmap& bitmap, int radius);

// The same blur of one channel: width x height bytes, rows of width bytes. Blurring a
// bitmap's alpha this way gives exactly the alpha StackBlur gives it, at a quarter of the work.
void StackBlurPlane(uint8_t* plane, int width, int height, int radius);
