// Fuzzes the MD3 model builder: the mesh arithmetic on its own, then ImportMD3 into a
// scene parent.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/import_fuzz_checks.h"
#include "import/import_md3.h"
#include "import/mesh_builder_md3.h"
#include "scene/dummy.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemoryStream stream(std::vector<uint8_t>(data, data + size));
  TFileMD3 file;
  // The cap's logic is the same at any size; a small one keeps each run fast.
  file.AllocationSlack = 1 << 20;
  try {
    file.LoadFromStream(stream);
  } catch (const EAssertionFailed& e) {
    importfuzz::CheckMessage(e.what());
    return 0;
  }
  // Every vertex has its texture coordinates in the reader, which holds them to the file's
  // size plus the slack: so the builder's vertices are bounded by the input.
  const size_t max_vertices = (size + static_cast<size_t>(file.AllocationSlack)) / 8;
  TBuiltMD3Model model = BuildMD3Model(file);
  importfuzz::CheckModelSize(model.Width, model.Height, model.Depth);
  for (const TBuiltMesh& m : model.Meshes) importfuzz::CheckBuilt(m, max_vertices);

  // The whole builder, only for inputs the reader takes within the small cap.
  TgkDummy parent;
  stream.Seek(0);
  try {
    ImportMD3("", nullptr, stream, parent);
  } catch (const EAssertionFailed&) {
    __builtin_trap();  // the same file read before
  }
  importfuzz::Require(parent.Visible());
  importfuzz::CheckSceneChildren(parent, max_vertices);
  return 0;
}
