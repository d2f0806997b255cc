#include "imaging/font.h"

#include "core/property_registry.h"

namespace {
const TEnumInfo& FontStyleInfo() {
  static const TEnumInfo info("TpmFontStyle",
                              {"pqFontRegular", "pqFontBold", "pqFontItalic", "pqFontBoldItalic",
                               "pqFontUnderline", "pqFontStrikeout"});
  return info;
}
}  // namespace

void TpmFont::Assign(const TPersistent& source) {
  if (const auto* font = dynamic_cast<const TpmFont*>(&source)) {
    *this = *font;
    return;
  }
  TPersistent::Assign(source);
}

FM_REGISTER_CLASS(TpmFont) {
  c.String("Family", &TpmFont::Family, &TpmFont::SetFamily).Default("Tahoma");
  c.Float("Size", &TpmFont::Size, &TpmFont::SetSize).Default(11.0f);
  c.Enum("Style", FontStyleInfo(), &TpmFont::Style, &TpmFont::SetStyle)
      .Default(static_cast<int>(pqFontRegular));
}

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
