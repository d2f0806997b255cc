// Names in model files are bytes in the exporter's code page. For display and for
// matching on the command line they are turned into UTF-8: bytes that already form valid
// UTF-8 are kept, anything else is read as Windows-1252, which most exporters wrote.
#pragma once

#include <string>
#include <string_view>

bool IsValidUtf8(std::string_view bytes);
std::string Windows1252ToUtf8(std::string_view bytes);
std::string ModelNameToUtf8(std::string_view bytes);
// A name as UTF-8 for an error message: control characters (a stray carriage return or
// line feed would break the message's lines) become '?'.
std::string ModelNameForMessage(std::string_view bytes);
