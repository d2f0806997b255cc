#include "imaging/font.h"

TpmFont& TpmFont::operator=(const TpmFont& other) {
  if (this == &other) return *this;
  const bool changed = family_ != other.family_ || size_ != other.size_ || style_ != other.style_;
  family_ = other.family_;
  size_ = other.size_;
  style_ = other.style_;
  if (changed) Changed();
  return *this;
}

void TpmFont::SetFamily(const std::string& family) {
  if (family == family_) return;
  family_ = family;
  Changed();
}

void TpmFont::SetSize(float size) {
  if (size == size_) return;
  size_ = size;
  Changed();
}

void TpmFont::SetStyle(TpmFontStyle style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}
