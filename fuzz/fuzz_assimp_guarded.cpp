// Fuzzes the Assimp path as Facetmint runs it: the input, as a model file whose extension
// the first byte chooses, read by the guarded reader process and built into scene
// meshes. Whatever Assimp does with it, this process must get meshes that pass the
// builders' checks or a "could not be read (...)" error. Each input costs a process start,
// so runs are slow; the hand-back parser is fuzzed at full speed by fuzz_model_handback.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "fuzz/import_fuzz_checks.h"
#include "import/assimp_guard.h"
#include "import/mesh_builder_assimp.h"
#include "import/model_formats.h"

namespace {

std::string Extensions(size_t k) {
  std::vector<std::string> all;
  for (const TModelFormat& f : ModelFormats())
    if (f.Reader == TModelReader::Assimp)
      all.insert(all.end(), f.Extensions.begin(), f.Extensions.end());
  return all[k % all.size()];
}

// Fuzzing must stay quick: a hostile input gets a few seconds and 1 GiB.
TGuardLimits FuzzLimits() {
  TGuardLimits limits;
  limits.MemoryBytes = uint64_t{1} << 30;
  limits.CpuSeconds = 3;
  limits.WallMilliseconds = 5000;
  limits.MaxOutput = 64 << 20;
  return limits;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const std::string dir = [] {
    char pattern[] = "/tmp/fuzz_assimp_XXXXXX";
    return std::string(::mkdtemp(pattern));
  }();
  const std::string file = dir + "/model" + Extensions(data[0]);
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
  static const std::string reader = ModelReaderPath();
  THandbackModel model;
  try {
    model = ReadModelGuarded(file, reader, FuzzLimits());
  } catch (const std::runtime_error& e) {
    const std::string text = e.what();
    importfuzz::Require(text.rfind("could not be read (", 0) == 0 && text.back() == ')');
    importfuzz::CheckMessage(text);
    ::unlink(file.c_str());
    return 0;
  }
  ::unlink(file.c_str());
  // What came back passed the hand-back's checks; the builder makes no more vertices of it.
  size_t vertices = 0;
  for (const THandbackMesh& m : model.Meshes) vertices += m.VertexCount();
  for (const TBuiltHandbackMesh& b : BuildHandbackMeshes(model)) {
    importfuzz::CheckBuilt(b.Mesh, vertices);
    importfuzz::Require(b.Material < model.Materials.size());
    importfuzz::Require(b.Mesh.Colors.empty() || b.Mesh.Colors.size() == b.Mesh.Vertices.size());
  }
  return 0;
}
