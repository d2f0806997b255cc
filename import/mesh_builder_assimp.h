// Turns the meshes a model reader handed back into scene-ready geometry: the file's up axis
// turned to the scene's +Z, the whole model normalised so that its largest dimension is 1
// and it is centred on the origin, each mesh in its own unit box, and the names users see.
#pragma once

#include <cstdint>
#include <vector>

#include "import/built_mesh.h"
#include "import/model_handback.h"

struct TBuiltHandbackMesh {
  TBuiltMesh Mesh;
  uint32_t Material = 0;  // index into the hand-back's materials
};

// Sets the model's up axis by the file's format: glTF is +Y up by its definition and OBJ
// by convention; Assimp turns COLLADA files to +Y up whatever they say; X3D and LightWave
// are +Y up; FBX files say theirs (+Y when they do not); the rest are +Z up, as the scene.
void ChooseUpAxis(const std::string& file_name, THandbackModel& model);

// One per hand-back mesh, in its order; a model without an up axis is taken as +Z up.
std::vector<TBuiltHandbackMesh> BuildHandbackMeshes(const THandbackModel& model);

// The node's name, with the mesh's name after it when the node draws several; else the
// mesh's name; else "mesh N" (N counts from 1 in the model's mesh order).
std::string HandbackMeshName(const THandbackMesh& mesh, size_t index);
