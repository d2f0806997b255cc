#include "scene/start_color.h"

uint32_t TgkRandom::Next(uint32_t range) {
  state_ = state_ * 134775813u + 1u;
  return static_cast<uint32_t>((static_cast<uint64_t>(state_) * range) >> 32);
}

namespace {

TgkRandom& Generator() {
  static TgkRandom generator;
  return generator;
}

}  // namespace

uint32_t NextStartColor() {
  return 0xFF000000u + Generator().Next(0xFFFFFF);
}

void ResetStartColors() {
  Generator() = TgkRandom();
}
