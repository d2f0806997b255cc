// UTF-8 encoding of single code points, shared by the stored-text reader and the renderer.
#pragma once

#include <string>

// Appends the UTF-8 bytes of a code point up to U+10FFFF; the caller refuses larger ones.
void AppendUtf8(std::string& out, char32_t code);
