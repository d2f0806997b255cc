#include "scene/bitmap_filter.h"

#include "scene/bitmap_codec.h"

namespace {

const TgkFilterClass* installed = nullptr;

}  // namespace

const TgkFilterClass& DefaultFilterClass3D() {
  static const TgkCodecFilterClass builtin;
  return installed ? *installed : builtin;
}

void SetDefaultFilterClass3D(const TgkFilterClass* cls) {
  installed = cls;
}
