// Lossless JPEG 2000 (JP2 file format) encoding of an RGBA image through OpenJPEG, as
// stored in the 256 x 256 element of .icns files: four unsigned 8-bit components (red,
// green, blue, opacity), sRGB, one quality layer without truncation, six resolution
// levels, reversible wavelet; the channel definition box marks the fourth component as
// plain (not premultiplied) opacity of the whole image.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <vector>

class EJp2Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Worker threads used when the caller does not choose; the encoder's output does not
// depend on the count.
int DefaultJp2Threads();

// Encodes width x height pixels 0xAARRGGBB (straight colour, rows top first) and returns
// the complete JP2 file. threads < 1 means one. Raises EJp2Error when OpenJPEG refuses the
// image or fails to encode it.
std::vector<uint8_t> EncodeJp2(const uint32_t* pixels, int width, int height,
                               int threads = DefaultJp2Threads());
