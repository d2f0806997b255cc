// Text forms of numbers, points and rectangles used by object streaming. The decimal
// separator is always "." whatever the user's locale.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "scene/math.h"

// Raised by TextToFloat for text that is not a number.
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Whole numbers as an integer ("2", "-10"); others in general format with 6 significant
// digits ("9.10299", "0.5", "1.5E-7").
std::string FloatToText(float x);
// Decimal number with "." (blanks around it allowed); raises EConvertError otherwise.
float TextToFloat(std::string_view text);

std::string PointToText(const TgkPoint& p);   // "(x,y,z)"
TgkPoint TextToPoint(std::string_view text);  // any error gives (0, 0, 0)
std::string RectToText(const TgkRect& r);     // "(l,t,r,b)"
TgkRect TextToRect(std::string_view text);    // any error gives (0, 0, 0, 0)

// Takes characters from the front of s until one of stop (left in s) or of separators
// (removed) is met; returns them trimmed and trims s.
std::string GetToken(std::string& s, std::string_view separators, std::string_view stop = {});
// Collects characters of s from pos (0-based) until a separator or the end, then moves pos
// past all following separators.
std::string ReadToken(size_t& pos, std::string_view s, std::string_view separators);
