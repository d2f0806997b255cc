// The run-length packing of the colour planes in .icns files. A packet is a header byte
// H followed by data: H < 128 copies the next H + 1 bytes, H >= 128 repeats the next byte
// H - 125 times (3 to 130). The choice of packets is fixed so that the same plane always
// packs into the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Number of bytes from p on equal to p[0], at most remaining (remaining >= 1).
size_t CountRepeat(const uint8_t* p, size_t remaining);

// Length of the literal run that starts at p: up to one byte before the first run of four
// equal bytes, remaining - 1 when there is none (the last byte is left for a later
// packet), 1 when remaining is 1. May be 0 or negative.
ptrdiff_t CountLiteral(const uint8_t* p, size_t remaining);

// Packs count bytes of source, appending the packets to out; returns the number appended.
size_t PackChannel(const uint8_t* source, size_t count, std::vector<uint8_t>& out);

// The most bytes PackChannel can produce for count input bytes.
constexpr size_t PackedBound(size_t count) {
  return count + count / 128 + 1;
}
