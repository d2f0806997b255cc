// Measures the icon render of the workbench: the whole RenderIcons and its steps apart
// (render + read-back of the 1024 frame, scaling to the 256 master, the drop shadow, the
// six previews) for the round cube and for a generated 30 000-triangle model, shadow on
// and off; and a whole `facetmint render` of a generated 2 000-triangle 3DS writing .icns,
// .ico and .png, timed as a child process with its peak resident memory as a counter.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/workbench.h"
#include "render/gl_canvas.h"
#include "scene/camera_light.h"
#include "scene/dummy.h"
#include "scene/shape.h"
#include "tests/import/model_writer.h"

namespace {

using namespace modelwriter;

// A sphere of rows x columns quads as a 3DS file.
Bytes Sphere3DS(int rows, int columns) {
  MeshLayout m;
  m.name = "Sphere";
  for (int r = 0; r <= rows; ++r) {
    for (int c = 0; c <= columns; ++c) {
      const double lat = M_PI * r / rows - M_PI / 2, lng = 2 * M_PI * c / columns;
      m.vertices.push_back({static_cast<float>(std::cos(lat) * std::cos(lng)),
                            static_cast<float>(std::cos(lat) * std::sin(lng)),
                            static_cast<float>(std::sin(lat))});
    }
  }
  auto at = [&](int r, int c) { return static_cast<uint16_t>(r * (columns + 1) + c); };
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      m.faces.push_back({at(r, c), at(r, c + 1), at(r + 1, c + 1)});
      m.faces.push_back({at(r, c), at(r + 1, c + 1), at(r + 1, c)});
    }
  }
  m.smoothing = std::vector<uint32_t>(m.faces.size(), 1u);
  m.groups = {{"Paint", {0}}};
  return File3DS({MaterialChunk("Paint", {0.2f, 0.5f, 0.9f}), MeshChunk(m)});
}

std::string WriteModel(const std::string& name, int rows, int columns) {
  const std::string path = (std::filesystem::temp_directory_path() / name).string();
  const Bytes bytes = Sphere3DS(rows, columns);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return path;
}

// arg 0: 0 round cube, 1 the 30 000-triangle sphere; arg 1: shadow on.
std::unique_ptr<TWorkbench> MakeBench(benchmark::State& state) {
  InstallOpenGLRenderer();
  auto bench = std::make_unique<TWorkbench>();
  if (state.range(0) == 1) {
    static const std::string big = WriteModel("facetmint_bench_30k.3ds", 122, 123);  // 30 012
    bench->LoadModel(big);
  }
  bench->SetShadowEnabled(state.range(1) != 0);
  if (!bench->RenderIcons()) state.SkipWithError("no off-screen OpenGL");
  return bench;
}

void Args(benchmark::internal::Benchmark* b) {
  b->ArgNames({"model", "shadow"})->Args({0, 1})->Args({0, 0})->Args({1, 1})->Args({1, 0});
  b->Unit(benchmark::kMillisecond);
}

void BM_RenderIcons(benchmark::State& state) {
  auto bench = MakeBench(state);
  for (auto _ : state) benchmark::DoNotOptimize(bench->RenderIcons());
}
BENCHMARK(BM_RenderIcons)->Apply(Args);

void BM_RenderAndReadBack(benchmark::State& state) {
  auto bench = MakeBench(state);
  for (auto _ : state) {
    benchmark::DoNotOptimize(RenderModel(bench->SceneBitmap(), bench->WorkBitmap(),
                                         bench->MeshOwner(), bench->Camera1(), bench->Light1(),
                                         nullptr));
  }
}
BENCHMARK(BM_RenderAndReadBack)->Apply(Args);

void BM_MasterScaling(benchmark::State& state) {
  auto bench = MakeBench(state);
  for (auto _ : state) {
    TpmBitmap master(kMasterSize, kMasterSize);
    MakeMaster(bench->WorkBitmap(), master);
  }
}
BENCHMARK(BM_MasterScaling)->Args({0, 0})->Args({1, 0})->Unit(benchmark::kMillisecond);

void BM_Shadow(benchmark::State& state) {
  auto bench = MakeBench(state);
  TpmBitmap plain(kMasterSize, kMasterSize);
  MakeMaster(bench->WorkBitmap(), plain);
  for (auto _ : state) {
    state.PauseTiming();
    TpmBitmap master(kMasterSize, kMasterSize);
    master.Assign(plain);
    state.ResumeTiming();
    AddShadow(master, bench->WorkBitmap(), bench->Shadow());
  }
}
BENCHMARK(BM_Shadow)->Args({0, 1})->Args({1, 1})->Unit(benchmark::kMillisecond);

void BM_Previews(benchmark::State& state) {
  auto bench = MakeBench(state);
  TpmBitmap master(kMasterSize, kMasterSize);
  MakeMaster(bench->WorkBitmap(), master);
  for (auto _ : state) MakePreviews(master, bench->Previews());
}
BENCHMARK(BM_Previews)->Args({0, 1})->Unit(benchmark::kMillisecond);

// The whole command in a child process: wall time per run, peak RSS as a counter.
void BM_CommandRender2000(benchmark::State& state) {
  static const std::string model = WriteModel("facetmint_bench_2k.3ds", 31, 32);  // 1 984
  const std::string out = (std::filesystem::temp_directory_path() / "facetmint_bench_out").string();
  std::filesystem::create_directories(out);
  const std::string icns = out + "/i.icns", ico = out + "/i.ico", png = out + "/i.png";
  long peak_kb = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
      execl(FACETMINT_EXE, FACETMINT_EXE, "render", model.c_str(), "-o", icns.c_str(), "-o",
            ico.c_str(), "-o", png.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("facetmint render failed");
      break;
    }
    peak_kb = std::max(peak_kb, usage.ru_maxrss);
  }
  state.counters["peak_MB"] = static_cast<double>(peak_kb) / 1024;
}
BENCHMARK(BM_CommandRender2000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
