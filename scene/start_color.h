// The process-wide pseudo-random generator that gives every new shape its start colour.
// It is never seeded, so every run hands out the same sequence: 0xFF000000, 0xFF080883,
// 0xFFDC6DAB, 0xFF33DC58, ...
#pragma once

#include <cstdint>

// A 32-bit linear congruential generator: s := s * 134775813 + 1; a draw in [0, range) is
// the upper 32 bits of s * range.
class TgkRandom {
 public:
  explicit TgkRandom(uint32_t seed = 0) : state_(seed) {}
  uint32_t Next(uint32_t range);
  uint32_t State() const { return state_; }

 private:
  uint32_t state_;
};

// Draws from the process-wide generator: 0xFF000000 + r with r in [0, 0xFFFFFF).
uint32_t NextStartColor();

// Puts the process-wide generator back to its first value, as a new process has it.
void ResetStartColors();
