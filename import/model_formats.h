// The model formats Facetmint opens: 3DS and MD3 with its own readers, the rest through the
// Open Asset Import Library. Only extensions that name one format are taken (never generic
// ones such as .xml, .raw, .mesh or .x).
#pragma once

#include <string>
#include <vector>

enum class TModelReader { Reader3DS, ReaderMD3, Assimp };

struct TModelFormat {
  std::string Name;                     // as the open dialog shows it: "glTF", "OBJ" ...
  std::vector<std::string> Extensions;  // lower case with the dot: ".gltf", ".glb"
  TModelReader Reader;
};

// In the open dialog's order: 3DS and MD3 first, then the others.
const std::vector<TModelFormat>& ModelFormats();

// The format of a file by its extension (any letter case), or nullptr.
const TModelFormat* ModelFormatOf(const std::string& file_name);

// The open dialog's filter: every model type first, then one entry per format.
std::string ModelOpenFilter();
