// A bitmap as the bytes of a PNG file (straight colour with alpha), for icon files that
// embed PNG images: the newer .icns elements and PNG-compressed .ico entries.
#pragma once

#include <cstdint>
#include <vector>

class TpmBitmap;

// Compressed for speed rather than size (these images are many and large). Raises
// EImageError when the encoder fails.
std::vector<uint8_t> EncodePngData(const TpmBitmap& bitmap);
