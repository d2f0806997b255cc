// Fuzzes the 3DS model builder: the mesh arithmetic on its own, then Import3DS into a
// scene parent (without a bitmap list, so no texture files are touched).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/import_fuzz_checks.h"
#include "import/import_3ds.h"
#include "scene/dummy.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemoryStream stream(std::vector<uint8_t>(data, data + size));
  {
    TFile3DS file;
    try {
      file.LoadFromStream(stream);
      Build3DSMeshes(file, [&](TBuiltMesh&& mesh) {
        importfuzz::CheckBuilt(mesh, kMax3DSBuiltVertices);
        if (mesh.HasMaterialGroup) Find3DSMaterial(file, mesh.MaterialGroup);
      });
    } catch (const E3DSError& e) {
      importfuzz::CheckMessage(e.what());
    } catch (const EStreamError&) {
    }
  }
  TgkDummy parent;
  try {
    Import3DS("", nullptr, stream, parent);
  } catch (const E3DSError& e) {
    importfuzz::CheckMessage(e.what());
  } catch (const EStreamError&) {
  }
  importfuzz::Require(parent.Visible());
  importfuzz::CheckSceneChildren(parent, kMax3DSBuiltVertices);
  return 0;
}
