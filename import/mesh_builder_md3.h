// Turns the first frame of every MD3 surface into scene-ready geometry, normalised so
// that the model's largest dimension is 1 and it is centred on the origin.
#pragma once

#include <vector>

#include "import/built_mesh.h"
#include "import/file_md3.h"

struct TBuiltMD3Model {
  // The parent's proportions, largest dimension 1 (1 x 1 x 1 without any vertex).
  float Width = 1, Height = 1, Depth = 1;
  std::vector<TBuiltMesh> Meshes;  // one per surface, in file order
};

// Uses frame 0 only (the reader's frame count is set to 1).
TBuiltMD3Model BuildMD3Model(TFileMD3& file);

// The normal stored as a longitude byte and a latitude byte.
TBuiltVertex DecodeMD3Normal(uint8_t longitude, uint8_t latitude);
