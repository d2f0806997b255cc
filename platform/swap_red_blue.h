// The desktop's colour dialogs speak 0x00BBGGRR; the program's colours are 0xAARRGGBB.
#pragma once

#include <cstdint>

// Exchanges bits 0-7 and bits 16-23; bits 8-15 and 24-31 stay.
constexpr std::uint32_t SwapRedBlue(std::uint32_t c) {
  return (c & 0xFF00FF00u) | ((c & 0x000000FFu) << 16) | ((c >> 16) & 0x000000FFu);
}
