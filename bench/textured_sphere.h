// The benchmarks' model: a textured sphere as a 3DS file, written with the tests' model
// writer, and its checkered texture.
#pragma once

#include <cmath>
#include <string>

#include "imaging/bitmap.h"
#include "tests/import/model_writer.h"

namespace benchmodels {

using modelwriter::Bytes;
using modelwriter::MeshLayout;

// A sphere of rows x columns quads with texture coordinates and a textured material.
inline Bytes TexturedSphere3DS(int rows, int columns) {
  MeshLayout m;
  m.name = "Sphere";
  for (int r = 0; r <= rows; ++r) {
    for (int c = 0; c <= columns; ++c) {
      const double lat = M_PI * r / rows - M_PI / 2, lng = 2 * M_PI * c / columns;
      m.vertices.push_back({static_cast<float>(std::cos(lat) * std::cos(lng)),
                            static_cast<float>(std::cos(lat) * std::sin(lng)),
                            static_cast<float>(std::sin(lat))});
      m.texcoords.emplace_back(static_cast<float>(c) / columns, static_cast<float>(r) / rows);
    }
  }
  auto at = [&](int r, int c) { return static_cast<uint16_t>(r * (columns + 1) + c); };
  std::vector<uint16_t> all;
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      m.faces.push_back({at(r, c), at(r, c + 1), at(r + 1, c + 1)});
      m.faces.push_back({at(r, c), at(r + 1, c + 1), at(r + 1, c)});
    }
  }
  for (size_t f = 0; f < m.faces.size(); ++f) all.push_back(static_cast<uint16_t>(f));
  m.smoothing = std::vector<uint32_t>(m.faces.size(), 1u);
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

}  // namespace benchmodels
