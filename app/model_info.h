// What `facetmint info` prints: the meshes of a loaded model as one JSON object.
#pragma once

#include <string>

class TWorkbench;

// file and format ("3ds" or "md3") as given; each mesh with name, vertices, triangles,
// color, texture (the file found beside the model, or null), size and position; then the
// totals. One line, UTF-8.
std::string ModelInfoJson(TWorkbench& workbench, const std::string& file,
                          const std::string& format);

// text as a JSON string literal; bytes that are not UTF-8 become U+FFFD.
std::string JsonString(const std::string& text);
