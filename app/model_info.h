// What `facetmint info` prints: the meshes of a loaded model as one JSON object.
#pragma once

#include <string>

class TWorkbench;

// file and format (the lower-case extension: "3ds", "md3", "glb" ...) as given; each mesh
// with name, vertices, triangles, color, texture (the file found beside the model, an
// embedded image, or null), texture_note (only when a named texture is not shown), size and
// position; then the totals. One line, UTF-8.
std::string ModelInfoJson(TWorkbench& workbench, const std::string& file,
                          const std::string& format);

// text as a JSON string literal; bytes that are not UTF-8 become U+FFFD.
std::string JsonString(const std::string& text);
