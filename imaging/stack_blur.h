// Stack blur of premultiplied 32-bit pixels: a triangle filter of radius r (weights
// r + 1 - |k|) along every row, then along every column of the row result, edge pixels
// repeated. Running sums make the cost per pixel independent of r.
#pragma once

class TpmBitmap;

// r < 1 leaves the bitmap unchanged.
void StackBlur(TpmBitmap& bitmap, int radius);
