// Fuzzes the MD3 reader: array sizes must follow the counts, and the only error is the
// reader's assertion error.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "import/file_md3.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemoryStream stream(std::vector<uint8_t>(data, data + size));
  TFileMD3 file;
  // The cap's logic is the same at any size; a small one keeps each run fast.
  file.AllocationSlack = 1 << 20;
  try {
    file.LoadFromStream(stream);
    if (file.Frames.size() != static_cast<size_t>(file.Header.NumFrames)) __builtin_trap();
    if (file.Surfaces.size() != static_cast<size_t>(file.Header.NumSurfaces)) __builtin_trap();
    for (const TMD3MeshData& s : file.Surfaces) {
      if (s.TexCoords.size() != static_cast<size_t>(s.NumVerts)) __builtin_trap();
      if (s.Triangles.size() != static_cast<size_t>(s.NumTriangles)) __builtin_trap();
    }
  } catch (const EAssertionFailed&) {
  }
  return 0;
}
