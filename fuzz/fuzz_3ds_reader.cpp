// Fuzzes the 3DS reader: the chunk tree, every mesh and material record and the name
// lookup. Errors must be E3DSError, with a message for the user, or the stream's own;
// anything else is a finding. A mesh read whole comes from chunks inside their parents.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/import_fuzz_checks.h"
#include "import/file_3ds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemoryStream stream(std::vector<uint8_t>(data, data + size));
  TFile3DS file;
  try {
    file.LoadFromStream(stream);
    const TChunkTree3DS& tree = file.Chunks();
    for (int i = 0; i < tree.Count(); ++i) {
      const TChunkNode3DS& n = tree.Node(i);
      if (n.End > static_cast<int64_t>(size) || n.SubtreeEnd > tree.Count()) __builtin_trap();
      // A chunk's path overruns exactly when it or its parent's path does.
      const bool above = n.Parent >= 0 && tree.Node(n.Parent).PathOverruns;
      importfuzz::Require(n.PathOverruns == (n.Overruns || above));
    }
    const int meshes = file.ObjectList().MeshCount();
    for (int i = 0; i < meshes; ++i) {
      try {
        const TMesh3DS& mesh = file.ObjectList().Mesh(i);
        for (const TObjMat3DS& group : mesh.MaterialGroups) {
          file.MaterialList().FindByName(group.Name);
        }
      } catch (const E3DSError& e) {
        importfuzz::CheckMessage(e.what());
      }
    }
    const int materials = file.MaterialList().Count();
    for (int i = 0; i < materials; ++i) {
      try {
        file.MaterialList().Material(i);
      } catch (const E3DSError& e) {
        importfuzz::CheckMessage(e.what());
      }
    }
  } catch (const E3DSError& e) {
    importfuzz::CheckMessage(e.what());
  } catch (const EStreamError&) {
  }
  return 0;
}
