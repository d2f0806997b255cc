#include "scene/text_forms.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/number_text.h"
#include "core/text_helpers.h"

namespace {

bool Contains(std::string_view set, char c) {
  return set.find(c) != std::string_view::npos;
}

// The numbers of "(a,b,...)", one a field; false when any is not a number.
template <size_t N>
bool ReadFloats(std::string_view text, float (&out)[N]) {
  std::string s(text);
  try {
    GetToken(s, ",()");
    for (float& v : out) v = TextToFloat(GetToken(s, ",()"));
    return true;
  } catch (const EConvertError&) {
    return false;
  }
}

}  // namespace

std::string FloatToText(float x) {
  char buffer[64];
  const double value = x;
  if (std::isfinite(value) && std::trunc(value) == value) {
    // Whole numbers print exactly, even those beyond the 64-bit integer range.
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, std::trunc(value),
                                   std::chars_format::fixed, 0);
    std::string text(buffer, ec == std::errc() ? end : buffer);
    return text == "-0" ? "0" : text;
  }
  auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
  return TidyExponent(std::string(buffer, ec == std::errc() ? end : buffer));
}

float TextToFloat(std::string_view text) {
  float value = 0;
  if (!ParseFloatText(text, value))
    throw EConvertError("'" + std::string(TrimBlanks(text)) +
                        "' is not a valid floating point value");
  return value;
}

std::string GetToken(std::string& s, std::string_view separators, std::string_view stop) {
  size_t i = 0;
  std::string token;
  while (i < s.size()) {
    char c = s[i];
    if (Contains(stop, c)) break;
    ++i;
    if (Contains(separators, c)) break;
    token += c;
  }
  s = std::string(TrimBlanks(std::string_view(s).substr(i)));  // a copy: the view is into s
  return std::string(TrimBlanks(token));
}

std::string ReadToken(size_t& pos, std::string_view s, std::string_view separators) {
  size_t start = pos;
  while (pos < s.size() && !Contains(separators, s[pos])) ++pos;
  std::string token(s.substr(start < s.size() ? start : s.size(), pos - std::min(start, pos)));
  while (pos < s.size() && Contains(separators, s[pos])) ++pos;
  return token;
}

std::string PointToText(const TgkPoint& p) {
  return "(" + FloatToText(p.X) + "," + FloatToText(p.Y) + "," + FloatToText(p.Z) + ")";
}

TgkPoint TextToPoint(std::string_view text) {
  float v[3];
  if (!ReadFloats(text, v)) return {};
  TgkPoint p;
  p.X = v[0], p.Y = v[1], p.Z = v[2];
  return p;
}

std::string RectToText(const TgkRect& r) {
  return "(" + FloatToText(r.Left) + "," + FloatToText(r.Top) + "," + FloatToText(r.Right) + "," +
         FloatToText(r.Bottom) + ")";
}

TgkRect TextToRect(std::string_view text) {
  float v[4];
  if (!ReadFloats(text, v)) return {};
  TgkRect r;
  r.Left = v[0], r.Top = v[1], r.Right = v[2], r.Bottom = v[3];
  return r;
}
