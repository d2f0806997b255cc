// Helpers the benchmarks share: the textured sphere they render (a 3DS file written with
// the tests' model writer), its checkered texture, and the median of timings.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "tests/import/model_writer.h"

namespace benchsupport {

using modelwriter::Bytes;
using modelwriter::MeshLayout;

// The sphere with every face in a material that names the texture paint.png.
inline Bytes TexturedSphere3DS(int rows, int columns) {
  MeshLayout m = modelwriter::Sphere(rows, columns, true);
  std::vector<uint16_t> all;
  for (size_t f = 0; f < m.faces.size(); ++f) all.push_back(static_cast<uint16_t>(f));
  m.groups = {{"Paint", all}};
  return modelwriter::File3DS({modelwriter::MaterialChunk("Paint", {0.8f, 0.8f, 0.8f}, "paint.png"),
                               modelwriter::MeshChunk(m)});
}

// The 256 x 256 checkered texture the sphere's material names, as file.
inline void WriteSphereTexture(const std::string& file) {
  TpmBitmap texture(256, 256);
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) {
      texture.Scanline(y)[x] = ((x / 32 + y / 32) % 2) ? 0xFFD04020u : 0xFF2060C0u;
    }
  }
  texture.SaveToFile(file);
}

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace benchsupport
