// Fuzzes the MD3 reader: array sizes must follow the counts, every block must lie inside
// the file, and the only error is the reader's own, with a message for the user.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/import_fuzz_checks.h"
#include "import/file_md3.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using importfuzz::Require;
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
  // A model read is whole: frames and surfaces exist, and each block came from the file.
  Require(file.Header.NumFrames >= 1 && file.Header.NumSurfaces >= 1);
  Require(file.Frames.size() == static_cast<size_t>(file.Header.NumFrames));
  Require(file.Frames.size() * 56 + 108 <= size);
  Require(file.Surfaces.size() == static_cast<size_t>(file.Header.NumSurfaces));
  for (const TMD3MeshData& s : file.Surfaces) {
    Require(s.TexCoords.size() == static_cast<size_t>(s.NumVerts));
    Require(s.Triangles.size() == static_cast<size_t>(s.NumTriangles));
    Require(s.Shaders.size() == static_cast<size_t>(s.NumShaders));
    Require(s.Vertices.size() ==
            static_cast<size_t>(s.NumFrames) * static_cast<size_t>(s.NumVerts));
    Require(s.NumVerts == 0 || s.NumFrames >= 1);
    Require(s.Triangles.size() * 12 <= size && s.TexCoords.size() * 8 <= size &&
            s.Vertices.size() * 8 <= size && s.Shaders.size() * 68 <= size);
  }
  return 0;
}
