// Fuzzes the 3DS model builder on top of the reader: every built mesh must be finite,
// inside the unit box, and index only its own vertices.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "import/mesh_builder_3ds.h"

namespace {

void Check(const TBuiltMesh& m) {
  if (m.Vertices.size() > kMaxMeshVertices || m.Indices.size() % 3 != 0) __builtin_trap();
  for (const TBuiltVertex& v : m.Vertices) {
    for (float f : {v.X, v.Y, v.Z}) {
      if (!(f >= -0.5f && f <= 0.5f)) __builtin_trap();
    }
    for (float f : {v.NX, v.NY, v.NZ, v.TU, v.TV}) {
      if (!std::isfinite(f)) __builtin_trap();
    }
  }
  for (float f : {m.Width, m.Height, m.Depth, m.X, m.Y, m.Z}) {
    if (!std::isfinite(f) || std::fabs(f) > 1.0001f) __builtin_trap();
  }
  for (uint16_t i : m.Indices) {
    if (i >= m.Vertices.size()) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemoryStream stream(std::vector<uint8_t>(data, data + size));
  TFile3DS file;
  try {
    file.LoadFromStream(stream);
    Build3DSMeshes(file, [&](TBuiltMesh&& mesh) {
      Check(mesh);
      if (!mesh.MaterialGroup.empty()) Find3DSMaterial(file, mesh.MaterialGroup);
    });
  } catch (const E3DSError&) {
  } catch (const EStreamError&) {
  }
  return 0;
}
