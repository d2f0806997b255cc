// Loading a model of many small meshes, as the user does it: through the workbench (what the
// command line does before it renders) and through the main window, whose mesh list gets a
// row per mesh. The model is a generated 3DS file of N cubes, each its own named mesh.
// Targets: 20 000 meshes within 1 s through the workbench and within 3 s in the window.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "app/main_form.h"
#include "app/main_window.h"
#include "app/workbench.h"
#include "platform/event_loop.h"
#include "render/gl_canvas.h"
#include "tests/import/model_writer.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/test_support.h"
#include "ui/list_box.h"

namespace {

using namespace modelwriter;

// A model file of Count cubes side by side, written once per count.
std::string ManyMeshModel(testsupport::TempDir& dir, int count) {
  std::vector<Chunk> meshes;
  meshes.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    MeshLayout cube = Cube("cube" + std::to_string(i));
    for (V3& v : cube.vertices) v.x += static_cast<float>(i % 200) * 2;
    for (V3& v : cube.vertices) v.y += static_cast<float>(i / 200) * 2;
    meshes.push_back(MeshChunk(cube));
  }
  const std::string path = dir.File("many" + std::to_string(count) + ".3ds");
  testsupport::WriteFile(path, File3DS(std::move(meshes)));
  return path;
}

void BM_WorkbenchLoad(benchmark::State& state) {
  testsupport::TempDir dir;
  const std::string model = ManyMeshModel(dir, static_cast<int>(state.range(0)));
  TWorkbench bench;
  for (auto _ : state) {
    bench.LoadModel(model);
    benchmark::DoNotOptimize(bench.Meshes().size());
  }
}
BENCHMARK(BM_WorkbenchLoad)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WindowLoad(benchmark::State& state) {
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  testsupport::TempDir dir;
  const std::string model = ManyMeshModel(dir, static_cast<int>(state.range(0)));
  TEventLoop loop;
  testsupport::TScriptedDialogService dialogs;
  TMainWindow window(loop, &dialogs, false);
  loop.ProcessPending();
  for (auto _ : state) {
    window.Form().LoadModel(model);
    loop.ProcessPending();  // the frame that shows the new rows
    benchmark::DoNotOptimize(window.Form().MeshList().Count());
  }
}
BENCHMARK(BM_WindowLoad)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
