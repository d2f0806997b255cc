// The scaled bitmap draw behind TpmCanvas::DrawBitmap for axis-aligned transforms: a
// separable, prefiltered resampler on premultiplied BGRA pixels. Shrinking widens a
// Catmull-Rom cubic by the scale factor, so every destination pixel averages all source
// pixels it covers; enlarging and 1:1 draws interpolate with the plain cubic (an integer
// 1:1 draw is an exact copy). The result is composited source-over.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/geometry.h"

// A rectangle of whole device pixels, right and bottom exclusive.
struct TpmPixelBox {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
};

struct TpmPixelImage {
  const uint32_t* Pixels = nullptr;
  int Width = 0;
  int Height = 0;
  int Stride = 0;  // in pixels
};

struct TpmPixelTarget {
  uint32_t* Pixels = nullptr;
  int Width = 0;
  int Height = 0;
  int Stride = 0;  // in pixels
};

// Draws srcRect of source (source pixel coordinates; only pixels inside the bitmap are
// read, taps beyond its edges are dropped and the rest renormalised) into dstRect (device
// pixel coordinates, may be fractional and reach outside the target: partly covered pixels
// get partial coverage). Only pixels inside the clip boxes change. opacity scales the
// source alpha; nearest picks the source pixel under each destination pixel centre.
// source and target must not share memory.
void ResampleDraw(const TpmPixelImage& source, const TpmRect& srcRect, TpmPixelTarget& target,
                  const TpmRect& dstRect, const std::vector<TpmPixelBox>& clip, float opacity,
                  bool nearest);

// Tests and benchmarks only: true keeps to the baseline code path even where the processor
// offers a faster one or the draw needs no filtering (the results are identical either way).
void ResampleForceBaseline(bool baseline);
