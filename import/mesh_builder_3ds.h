// Turns the meshes of a 3DS file into scene-ready geometry: the smoothing-group split,
// face normals, the a, c, b index order and the normalisation of the whole model so that
// its largest dimension is 1 and it is centred on the origin.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "import/built_mesh.h"
#include "import/file_3ds.h"

// The most vertices a split can give one mesh: the file's vertices (a 16-bit count) and a
// copy for every corner of its faces (a 16-bit count of three corners each). Indices are
// 32-bit, so every split the smoothing groups ask for is made.
inline constexpr size_t kMax3DSBuiltVertices = 65535 + 3 * 65535;

// A mesh is built when it is not hidden and has at least three vertices.
bool IsAccepted3DSMesh(const TMesh3DS& mesh);

// Calls emit with every accepted mesh in file order. Reader errors pass through; meshes
// emitted before an error stay with the caller.
void Build3DSMeshes(TFile3DS& file, const std::function<void(TBuiltMesh&&)>& emit);

// One mesh, given the model's centre (per axis) and scale.
TBuiltMesh Build3DSMesh(const TMesh3DS& mesh, const double model_centre[3], double model_scale);

// Diffuse colour and texture map of the material a mesh's first group names.
struct TBuiltMaterial {
  uint32_t Diffuse = 0;    // ARGB; the alpha is the material's opacity (1 - transparency)
  std::string TextureMap;  // the texture 1 file name as stored, "" when none
  bool TwoSided = false;
};
std::optional<TBuiltMaterial> Find3DSMaterial(TFile3DS& file, const std::string& group);

// 0xFF alpha and each channel Trunc(c * 255), held to 0 ... 255.
uint32_t MaterialColorToArgb(const TColor3DS& color);
// The colour with the alpha of a transparency (0 opaque ... 1 clear): Trunc((1 - t) * 255);
// an opaque material keeps alpha 0xFF.
uint32_t WithTransparency(uint32_t argb, float transparency);
