#include "scene/text_forms.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "platform/number_text.h"

namespace {

bool Contains(std::string_view set, char c) {
  return set.find(c) != std::string_view::npos;
}

}  // namespace

std::string TrimText(std::string_view s) {
  return std::string(TrimBlanks(s));
}

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
    throw EConvertError("'" + TrimText(text) + "' is not a valid floating point value");
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
  s = TrimText(std::string_view(s).substr(i));
  return TrimText(token);
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
  std::string s(text);
  try {
    GetToken(s, ",()");
    TgkPoint p;
    p.X = TextToFloat(GetToken(s, ",()"));
    p.Y = TextToFloat(GetToken(s, ",()"));
    p.Z = TextToFloat(GetToken(s, ",()"));
    return p;
  } catch (const EConvertError&) {
    return {};
  }
}

std::string RectToText(const TgkRect& r) {
  return "(" + FloatToText(r.Left) + "," + FloatToText(r.Top) + "," + FloatToText(r.Right) + "," +
         FloatToText(r.Bottom) + ")";
}

TgkRect TextToRect(std::string_view text) {
  std::string s(text);
  try {
    GetToken(s, ",()");
    TgkRect r;
    r.Left = TextToFloat(GetToken(s, ",()"));
    r.Top = TextToFloat(GetToken(s, ",()"));
    r.Right = TextToFloat(GetToken(s, ",()"));
    r.Bottom = TextToFloat(GetToken(s, ",()"));
    return r;
  } catch (const EConvertError&) {
    return {};
  }
}
