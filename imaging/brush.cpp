#include "imaging/brush.h"

#include "imaging/bitmap.h"

namespace {
TpmBrushResolver& Resolver() {
  static TpmBrushResolver resolver;
  return resolver;
}
}  // namespace

TpmBrush::TpmBrush(TpmBrushStyle style, uint32_t color) : Style(style), Color(color) {}

TpmBrush::TpmBrush(const TpmBrush& other) {
  *this = other;
}

TpmBrush& TpmBrush::operator=(const TpmBrush& other) {
  if (this == &other) return *this;
  Style = other.Style;
  Color = other.Color;
  Gradient = other.Gradient;
  WrapMode = other.WrapMode;
  Resource = other.Resource;
  Visual = other.Visual;
  if (other.bitmap_) {
    Bitmap().Assign(*other.bitmap_);
  } else {
    bitmap_.reset();
  }
  return *this;
}

TpmBrush::~TpmBrush() = default;

TpmBitmap& TpmBrush::Bitmap() {
  if (!bitmap_) bitmap_ = std::make_unique<TpmBitmap>(1, 1);
  return *bitmap_;
}

void SetBrushResourceResolver(TpmBrushResolver resolver) {
  Resolver() = std::move(resolver);
}

const TpmBrush* ResolveBrushResource(const std::string& name) {
  return Resolver() ? Resolver()(name) : nullptr;
}
