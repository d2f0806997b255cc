// Reads a model file with the Open Asset Import Library and flattens it into the hand-back
// form: one mesh per mesh a node draws, with the node's transform baked in. Runs in the
// reader process only (Assimp is not trusted with the program's own memory).
#pragma once

#include <string>

#include "import/model_handback.h"

// The post-processing every Assimp read uses: triangulate, join identical vertices, smooth
// normals up to a crease angle where the file has none, drop points and lines.
unsigned AssimpReadFlags();
// The crease angle in degrees: edges sharper than this stay hard.
inline constexpr float kAssimpCreaseAngle = 66;

// Raises std::runtime_error with Assimp's message when the file cannot be read.
THandbackModel FlattenAssimpFile(const std::string& file_name);
