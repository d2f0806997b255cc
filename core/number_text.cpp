#include "core/number_text.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "core/text_helpers.h"

namespace {

std::string_view WithoutPlus(std::string_view text) {
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  return text;
}

}  // namespace

std::string TidyExponent(std::string text) {
  size_t e = text.find('e');
  if (e == std::string::npos) return text;
  std::string mantissa = text.substr(0, e);
  std::string_view exponent(text.c_str() + e + 1);
  bool negative = false;
  if (!exponent.empty() && (exponent[0] == '+' || exponent[0] == '-')) {
    negative = exponent[0] == '-';
    exponent.remove_prefix(1);
  }
  while (exponent.size() > 1 && exponent[0] == '0') exponent.remove_prefix(1);
  return mantissa + "E" + (negative ? "-" : "") + std::string(exponent);
}

bool ParseFloatText(std::string_view text, float& out) {
  text = WithoutPlus(TrimBlanks(text));
  double v = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || ptr != text.data() + text.size() || !std::isfinite(v) ||
      std::fabs(v) > std::numeric_limits<float>::max())
    return false;
  out = static_cast<float>(v);
  return true;
}

bool ParseIntText(std::string_view text, int64_t& out) {
  text = WithoutPlus(TrimBlanks(text));
  int64_t v = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || ptr != text.data() + text.size()) return false;
  out = v;
  return true;
}
