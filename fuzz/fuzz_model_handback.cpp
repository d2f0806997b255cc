// Fuzzes the reading of the model reader's hand-back, which Facetmint treats as untrusted,
// and the building of meshes from whatever it accepts.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/import_fuzz_checks.h"
#include "import/mesh_builder_assimp.h"
#include "import/model_handback.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  THandbackModel model;
  try {
    model = ReadHandback(std::string(reinterpret_cast<const char*>(data), size));
  } catch (const EHandbackError& e) {
    importfuzz::CheckMessage(e.what());
    return 0;
  }
  size_t vertices = 0;
  for (const THandbackMesh& m : model.Meshes) vertices += m.VertexCount();
  for (const TBuiltHandbackMesh& b : BuildHandbackMeshes(model)) {
    importfuzz::CheckBuilt(b.Mesh, vertices);
    importfuzz::Require(b.Material < model.Materials.size());
  }
  // What was accepted is written back byte for byte.
  std::string again;
  WriteHandback(model, again);
  importfuzz::Require(again == std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
