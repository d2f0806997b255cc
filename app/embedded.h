// Files compiled into the program: the window's stored description, its style collections
// and its pictures (see facetmint_embed in the build).
#pragma once

#include <span>
#include <string>
#include <string_view>

// The bytes of the embedded file of that name ("main_form.txt"); empty when there is none.
std::span<const unsigned char> EmbeddedResource(std::string_view name);

// The embedded file as text; raises std::runtime_error when it is missing, which is a
// fault of the build.
std::string EmbeddedText(std::string_view name);
