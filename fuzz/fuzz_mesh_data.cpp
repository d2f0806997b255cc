// Fuzzes the stored and edited forms of mesh data and the stored form of scene bitmaps:
// the binary "Mesh" property, the four text properties and the "PNG" property. Errors
// must be EStreamError; the mesh must stay consistent and its text forms must read back.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/stream.h"
#include "scene/mesh_data.h"
#include "scene/scene_bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TgkMeshData mesh;
  TMemoryStream stream(std::vector<uint8_t>(data, data + size));
  try {
    mesh.ReadMesh(stream);
  } catch (const EStreamError&) {
    if (!mesh.Vertices.empty() || !mesh.Indices.empty()) __builtin_trap();  // kept as it was
  }
  const std::string text(reinterpret_cast<const char*>(data), size);
  mesh.SetPoints(text);
  mesh.SetTexCoordinates(text);
  mesh.SetTriangleIndices(text);
  mesh.CalcNormals();
  const size_t vertices = mesh.Vertices.size();
  mesh.SetPoints(mesh.Points());
  if (mesh.Vertices.size() != vertices) __builtin_trap();

  TgkBitmap bitmap;
  stream.Seek(0);
  if (bitmap.ReadStored(stream) && bitmap.PixelCount() == 0) __builtin_trap();
  return 0;
}
