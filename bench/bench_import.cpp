// Measures model import: a generated 3DS of about 30 000 triangles with smoothing groups
// through the reader alone, the reader and the mesh builder, and the whole Import3DS into
// a scene parent; a generated MD3 (8 surfaces, 10 frames) through ImportMD3; a 3DS of
// 20 000 small meshes (the cost per added mesh); and 2 000 textured meshes beside a
// folder of 10 000 files (the cost of the texture search); a 256 x 256 PNG texture decoded
// in the program and in the guarded decoder process, started anew and already running.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>

#include "bench/bench_support.h"
#include "import/file_3ds.h"
#include "import/file_md3.h"
#include "import/import_3ds.h"
#include "import/import_md3.h"
#include "import/mesh_builder_3ds.h"
#include "import/texture_decoder.h"
#include "scene/bitmap_registry.h"
#include "scene/dummy.h"
#include "tests/import/model_writer.h"

using namespace modelwriter;

namespace {

// A sphere of rows x columns quads; each band of 8 rows is its own smoothing group, so
// the builder splits the vertices along every band edge.
Bytes Sphere3DS(int rows, int columns) {
  MeshLayout m = Sphere(rows, columns, true);
  for (V3& v : m.vertices) v = {v.x * 50, v.y * 50, v.z * 50};
  std::vector<uint32_t> smoothing;
  for (int r = 0; r < rows; ++r)
    smoothing.insert(smoothing.end(), 2 * columns, 1u << ((r / 8) % 32));
  m.smoothing = smoothing;
  m.groups = {{"Paint", {0}}};
  return File3DS({MaterialChunk("PAINT", {0.8f, 0.2f, 0.1f}), MeshChunk(m)});
}

const Bytes& Big3DS() {
  static const Bytes bytes = Sphere3DS(123, 123);  // 30 258 triangles
  return bytes;
}

Bytes BigMD3() {
  MD3Layout layout;
  layout.frames = 10;
  for (int s = 0; s < 8; ++s) {
    MD3Surface surface;
    surface.name = "part" + std::to_string(s);
    surface.frames = 10;
    const int side = 45;  // 2025 vertices, 3872 triangles per surface
    for (int f = 0; f < 10; ++f) {
      std::vector<MD3Vert> frame;
      for (int i = 0; i < side * side; ++i) {
        frame.push_back({static_cast<int16_t>(i % side * 64 + s * 3000),
                         static_cast<int16_t>(i / side * 64), static_cast<int16_t>(f * 10),
                         static_cast<uint8_t>(i), static_cast<uint8_t>(i * 3)});
      }
      surface.vertices.push_back(frame);
    }
    for (int r = 0; r + 1 < side; ++r) {
      for (int c = 0; c + 1 < side; ++c) {
        int a = r * side + c;
        surface.triangles.push_back({a, a + 1, a + side + 1});
        surface.triangles.push_back({a, a + side + 1, a + side});
      }
    }
    layout.surfaces.push_back(surface);
  }
  return FileMD3(layout);
}

void BM_Read3DS(benchmark::State& state) {
  for (auto _ : state) {
    TMemoryStream stream(Big3DS());
    TFile3DS file;
    file.LoadFromStream(stream);
    benchmark::DoNotOptimize(file.ObjectList().Mesh(0).FaceCount());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(Big3DS().size()));
}
BENCHMARK(BM_Read3DS)->Unit(benchmark::kMillisecond);

void BM_Build3DS(benchmark::State& state) {
  size_t vertices = 0;
  for (auto _ : state) {
    TMemoryStream stream(Big3DS());
    TFile3DS file;
    file.LoadFromStream(stream);
    Build3DSMeshes(file, [&](TBuiltMesh&& m) { vertices = m.Vertices.size(); });
  }
  state.counters["vertices"] = static_cast<double>(vertices);
}
BENCHMARK(BM_Build3DS)->Unit(benchmark::kMillisecond);

void BM_Import3DS(benchmark::State& state) {
  TgkDummy parent;
  for (auto _ : state) {
    TMemoryStream stream(Big3DS());
    Import3DS("", nullptr, stream, parent);
  }
  state.counters["triangles"] = 30258;
}
BENCHMARK(BM_Import3DS)->Unit(benchmark::kMillisecond);

void BM_ImportMD3(benchmark::State& state) {
  const Bytes bytes = BigMD3();
  TgkDummy parent;
  for (auto _ : state) {
    TMemoryStream stream(bytes);
    ImportMD3("", nullptr, stream, parent);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_ImportMD3)->Unit(benchmark::kMillisecond);

// Many small meshes, each naming a material that only the last material of the file
// matches (in another letter case): the material lookups of a hostile or merely large file.
void BM_FindMaterialsOfManyMeshes(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::vector<Chunk> chunks;
  for (int i = 0; i < n; ++i) chunks.push_back(MaterialChunk("m" + std::to_string(i), {1, 0, 0}));
  chunks.push_back(MaterialChunk("LAST", {0, 1, 0}));
  for (int i = 0; i < n; ++i) {
    MeshLayout m;
    m.name = "t" + std::to_string(i);
    m.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    m.faces = {{0, 1, 2}};
    m.groups = {{"last", {0}}};
    chunks.push_back(MeshChunk(m));
  }
  const Bytes bytes = File3DS(chunks);
  for (auto _ : state) {
    TMemoryStream stream(bytes);
    TFile3DS file;
    file.LoadFromStream(stream);
    for (int i = 0; i < file.ObjectList().MeshCount(); ++i) {
      benchmark::DoNotOptimize(
          file.MaterialList().FindByName(file.ObjectList().Mesh(i).MaterialGroups[0].Name));
    }
  }
  state.counters["file_bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_FindMaterialsOfManyMeshes)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// count tetrahedra side by side, each its own mesh; material names the texture of mesh i
// (empty: no material).
Bytes ManyMeshes3DS(int count, const std::function<std::string(int)>& texture = nullptr) {
  std::vector<Chunk> chunks;
  for (int i = 0; texture && i < count; ++i)
    chunks.push_back(MaterialChunk("M" + std::to_string(i), {0.5f, 0.5f, 0.5f}, texture(i)));
  for (int i = 0; i < count; ++i) {
    MeshLayout m;
    m.name = "part" + std::to_string(i);
    const float x = static_cast<float>(i % 200), y = static_cast<float>(i / 200);
    m.vertices = {{x, y, 0}, {x + 0.5f, y, 0}, {x, y + 0.5f, 0}, {x, y, 0.5f}};
    m.faces = {{0, 2, 1}, {0, 1, 3}, {1, 2, 3}, {2, 0, 3}};
    if (texture) m.groups = {{"M" + std::to_string(i), {0, 1, 2, 3}}};
    chunks.push_back(MeshChunk(m));
  }
  return File3DS(std::move(chunks));
}

void BM_Import3DSManyMeshes(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const Bytes bytes = ManyMeshes3DS(count);
  // As in the window: a root component owns the holder and the meshes, so each load also
  // frees the previous load's meshes from the owner's list.
  TComponent root;
  auto* parent = new TgkDummy(&root);
  for (auto _ : state) {
    TMemoryStream stream(bytes);
    Import3DS("", nullptr, stream, *parent);
  }
  state.counters["meshes"] = parent->ChildrenCount();
}
BENCHMARK(BM_Import3DSManyMeshes)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

// 2 000 meshes whose materials name textures that do not exist, beside 10 000 other
// files: every lookup searches the folder.
void BM_Import3DSTextureSearch(benchmark::State& state) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / "facetmint_bench_texture_search";
  fs::remove_all(dir);
  fs::create_directories(dir / "textures");
  for (int i = 0; i < 10000; ++i) std::ofstream(dir / ("file" + std::to_string(i) + ".dat"));
  const Bytes bytes =
      ManyMeshes3DS(2000, [](int i) { return "MISSING" + std::to_string(i % 50) + ".PNG"; });
  const std::string model = (dir / "model.3ds").string();
  TgkDummy parent;
  TgkBitmapList bitmaps(nullptr);
  for (auto _ : state) {
    TMemoryStream stream(bytes);
    Import3DS(model, &bitmaps, stream, parent);
  }
  state.counters["meshes"] = parent.ChildrenCount();
  fs::remove_all(dir);
}
BENCHMARK(BM_Import3DSTextureSearch)->Unit(benchmark::kMillisecond);

// The texture of the start-up benchmark's model.
const std::string& TextureFile() {
  static const std::string file = [] {
    const std::string path =
        (std::filesystem::temp_directory_path() / "facetmint_bench_texture.png").string();
    benchsupport::WriteSphereTexture(path);
    return path;
  }();
  return file;
}

void BM_TextureInProgram(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        DecodeImageFileFitting(TextureFile(), TAlphaForm::Straight, 4096).pixels.data());
  }
}
BENCHMARK(BM_TextureInProgram)->Unit(benchmark::kMillisecond);

// Arg 1: a new decoder process for each image (a model load of one texture); 0: one
// process for all.
void BM_TextureGuarded(benchmark::State& state) {
  auto shared = std::make_unique<TTextureDecoder>();
  for (auto _ : state) {
    if (state.range(0)) shared = std::make_unique<TTextureDecoder>();
    const TDecodedTexture decoded = shared->File(TextureFile(), 4096);
    if (!decoded.Image) state.SkipWithError(decoded.Failure.c_str());
  }
}
BENCHMARK(BM_TextureGuarded)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace
