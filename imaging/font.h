// TpmFont: family, pixel size and style of the text a canvas draws.
#pragma once

#include <functional>
#include <string>

#include "core/persistent.h"

enum TpmFontStyle {
  pqFontRegular,
  pqFontBold,
  pqFontItalic,
  pqFontBoldItalic,
  pqFontUnderline,
  pqFontStrikeout
};

// Published: Family, Size, Style.
class TpmFont : public TPersistent {
  FM_CLASS(TpmFont, TPersistent)
 public:
  TpmFont() = default;
  // Copies the values (not the notification).
  TpmFont(const TpmFont& other)
      : TPersistent(), family_(other.family_), size_(other.size_), style_(other.style_) {}
  // Copies the values and notifies if anything changed.
  TpmFont& operator=(const TpmFont& other);
  void Assign(const TPersistent& source) override;

  const std::string& Family() const { return family_; }
  float Size() const { return size_; }  // em height in pixels
  TpmFontStyle Style() const { return style_; }
  void SetFamily(const std::string& family);
  void SetSize(float size);
  void SetStyle(TpmFontStyle style);

  // Fired after a real change of any value.
  std::function<void(TpmFont&)> OnChange;

 private:
  void Changed() {
    if (OnChange) OnChange(*this);
  }

  std::string family_ = "Tahoma";
  float size_ = 11;
  TpmFontStyle style_ = pqFontRegular;
};
