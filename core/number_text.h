// Number text shared by published properties and object streaming: "." is the decimal
// separator whatever the user's locale, and exponents are written "1E20", "1.5E-7".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Rewrites the exponent of a number printed by std::to_chars ("1.5e-07") as "1.5E-7".
std::string TidyExponent(std::string text);

// A decimal number, blanks around it and a leading "+" allowed, finite and within float
// range; false (out untouched) otherwise.
bool ParseFloatText(std::string_view text, float& out);
// A whole decimal number, blanks around it and a leading "+" allowed.
bool ParseIntText(std::string_view text, int64_t& out);
