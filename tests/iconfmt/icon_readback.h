// Reading our icon files back with real clients (Pillow) and picking fields out of them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace iconreadback {

// Little- and big-endian fields of a byte buffer.
uint32_t LE16(const std::vector<uint8_t>& b, size_t at);
uint32_t LE32(const std::vector<uint8_t>& b, size_t at);
uint32_t BE32(const std::vector<uint8_t>& b, size_t at);

// RGBA bytes (straight colour, rows top first) Pillow decodes from file at the given
// image size, or an empty vector with *error set when Pillow is missing or fails.
std::vector<uint8_t> PillowRgba(const std::string& python, const std::string& file, int size,
                                std::string* error);

// The straight RGBA bytes the writers mean to store for a premultiplied preview, worked
// out in floating point.
std::vector<uint8_t> ExpectedRgba(const uint32_t* premultiplied, size_t count);

// The largest difference of any byte of two equally long buffers (256 when the lengths
// differ).
int MaxDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

}  // namespace iconreadback
