// Converting premultiplied TpmBitmap pixels to the straight (unassociated) colour that
// file formats with an alpha channel store: 32-bit ICO images, ICNS colour planes with
// their masks, JP2 with a plain opacity channel, PNG. Writing the premultiplied bytes
// would make every semi-transparent pixel darker in any reader.
#pragma once

#include <cstddef>
#include <cstdint>

class TpmBitmap;

// One pixel 0xAARRGGBB: for alpha a > 0 each colour channel c becomes round(c * 255 / a)
// (half to even), at most 255; alpha 0 gives 0. Opaque pixels come back unchanged.
uint32_t StraightPixel(uint32_t premultiplied);

// Converts count pixels from source into target (the two may be the same block).
void ToStraightAlpha(const uint32_t* source, uint32_t* target, size_t count);

// Converts all pixels of the bitmap in place.
void ToStraightAlpha(TpmBitmap& bitmap);
