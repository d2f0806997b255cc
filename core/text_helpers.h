// Small text helpers used across the program. Case folding is ASCII only, whatever the
// user's locale, so that names, keywords and extensions compare alike everywhere.
#pragma once

#include <string>
#include <string_view>

// Case-insensitive ASCII comparison and lower-casing; other bytes are left as they are.
bool SameText(std::string_view a, std::string_view b);
std::string LowerCase(std::string_view s);

// s without any of chars at either end.
std::string_view TrimChars(std::string_view s, std::string_view chars);
// Blanks and control characters (every byte up to ' ') removed at both ends.
std::string_view TrimBlanks(std::string_view s);

// Whether a last part whose only dot leads it (".png") is a stem or an extension: the
// command line and the model loader follow std::filesystem (no extension), the image codec's
// extension table takes the text from the last dot.
enum class TLeadingDot { StartsStem, StartsExtension };

// The extension of the last part of a file name, dot included, lower-cased; "" for none.
std::string LowerExtension(std::string_view file_name,
                           TLeadingDot leading_dot = TLeadingDot::StartsStem);

// A URI path's %XX escapes decoded into their bytes ("a%20b.png" is "a b.png"); a '%' not
// followed by two hexadecimal digits stays as it is.
std::string PercentDecoded(std::string_view s);
