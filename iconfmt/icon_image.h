// The pixels an icon file stores for one image: the preview at the element's size, in
// straight colour (see imaging/straight_alpha.h), rows top first.
#pragma once

#include <cstdint>
#include <vector>

class TpmBitmap;

// size x size pixels 0xAARRGGBB. A preview of that size is copied; one of another size
// is drawn scaled into a transparent bitmap of the element's size first.
std::vector<uint32_t> PrepareIconImage(const TpmBitmap& preview, int size);
