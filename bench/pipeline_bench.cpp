// Measures the icon render of the workbench: the whole RenderIcons and its steps apart
// (render + read-back of the 1024 frame, scaling to the 256 master, the drop shadow, the
// six previews) for the round cube and for a generated 30 000-triangle model, shadow on
// and off; and a whole `facetmint render` of a generated 2 000-triangle 3DS writing .icns,
// .ico and .png, timed as a child process with its peak resident memory as a counter.
// The 1024 master (what an .icns adds) whole and by step: the 4096 x 4096 frame with its
// read-back, its reduction to 1024, the shadow at 1024; and BM_CommandIcnsCost, the cost of
// adding -o x.icns to `render -o x.ico -o x.png`, both commands timed side by side.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/large_master.h"
#include "app/workbench.h"
#include "imaging/resample.h"
#include "render/gl_canvas.h"
#include "scene/camera_light.h"
#include "scene/dummy.h"
#include "scene/scene_bitmap.h"
#include "scene/shape.h"
#include "tests/import/model_writer.h"

namespace {

using namespace modelwriter;

// A sphere of rows x columns quads as a 3DS file.
Bytes Sphere3DS(int rows, int columns) {
  MeshLayout m = Sphere(rows, columns);
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
    AddShadow(master, bench->Shadow());
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

// arg 2: the frame in tiles through the 1024 target (0) or multisampled at 2048 (1).
void BM_Master1024(benchmark::State& state) {
  auto bench = MakeBench(state);
  const TLargeFrame method = state.range(2) != 0 ? TLargeFrame::Multisample : TLargeFrame::Tiles;
  for (auto _ : state) {
    TpmBitmap master;
    MakeLargeMaster(1024, bench->SceneBitmap(), bench->MeshOwner(), bench->Camera1(),
                    bench->Light1(), nullptr, bench->Shadow(), true, master, method);
  }
}
BENCHMARK(BM_Master1024)
    ->ArgNames({"model", "shadow", "msaa"})
    ->Args({0, 1, 1})
    ->Args({0, 1, 0})
    ->Args({0, 0, 1})
    ->Args({0, 0, 0})
    ->Args({1, 1, 1})
    ->Args({1, 1, 0})
    ->Unit(benchmark::kMillisecond);

// arg 0: the frame's side (2048 or 4096) reduced to 1024.
void BM_Master1024Reduction(benchmark::State& state) {
  const int side = static_cast<int>(state.range(0));
  std::vector<uint32_t> frame(static_cast<size_t>(side) * side, 0);
  for (int y = side / 4; y < side * 3 / 4; ++y)  // a disc of opaque grey
    for (int x = side / 4; x < side * 3 / 4; ++x)
      if ((x - side / 2) * (x - side / 2) + (y - side / 2) * (y - side / 2) < side * side / 16)
        frame[static_cast<size_t>(y) * side + x] = 0xFF808080u;
  TpmBitmap master(1024, 1024);
  const float f = static_cast<float>(side);
  for (auto _ : state) {
    TpmPixelImage source{frame.data(), side, side, side};
    TpmPixelTarget target{master.Pixels(), 1024, 1024, 1024};
    ResampleDraw(source, {0, 0, f, f}, target, {0, 0, 1024, 1024}, {TpmPixelBox{0, 0, 1024, 1024}},
                 1, false);
  }
}
BENCHMARK(BM_Master1024Reduction)->Arg(2048)->Arg(4096)->Unit(benchmark::kMillisecond);

void BM_Master1024Shadow(benchmark::State& state) {
  auto bench = MakeBench(state);
  TpmBitmap plain;
  TShadowSettings off = bench->Shadow();
  off.Enabled = false;
  MakeLargeMaster(1024, bench->SceneBitmap(), bench->MeshOwner(), bench->Camera1(), bench->Light1(),
                  nullptr, off, true, plain);
  for (auto _ : state) {
    state.PauseTiming();
    TpmBitmap master(1024, 1024);
    master.Assign(plain);
    state.ResumeTiming();
    AddShadow(master, bench->Shadow(), 4);
  }
}
BENCHMARK(BM_Master1024Shadow)->Args({0, 1})->Unit(benchmark::kMillisecond);

// Runs facetmint with args; the wall time in seconds and the peak RSS in kB, or a negative
// time when it failed.
double RunFacetmint(const std::vector<std::string>& args, long& peak_kb) {
  std::vector<char*> argv{const_cast<char*>(FACETMINT_EXE)};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    execv(FACETMINT_EXE, argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  peak_kb = std::max(peak_kb, usage.ru_maxrss);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

// `render -o x.ico -o x.png` and the same with -o x.icns, alternately, on the 2 000-triangle
// model: the medians and their ratio (the .icns adds the 512 and 1024 masters).
void BM_CommandIcnsCost(benchmark::State& state) {
  static const std::string model = WriteModel("facetmint_bench_2k.3ds", 31, 32);
  const std::string out = (std::filesystem::temp_directory_path() / "facetmint_bench_out").string();
  std::filesystem::create_directories(out);
  const std::vector<std::string> base{"render", model, "-o", out + "/i.ico", "-o", out + "/i.png"};
  std::vector<std::string> with = base;
  with.insert(with.end(), {"-o", out + "/i.icns"});
  std::vector<double> base_times, with_times;
  long base_kb = 0, with_kb = 0;
  for (auto _ : state) {
    const bool first = base_times.size() % 2 == 0;  // alternate which runs first
    const double a = first ? RunFacetmint(base, base_kb) : RunFacetmint(with, with_kb);
    const double b = first ? RunFacetmint(with, with_kb) : RunFacetmint(base, base_kb);
    if (a < 0 || b < 0) {
      state.SkipWithError("facetmint render failed");
      break;
    }
    base_times.push_back(first ? a : b);
    with_times.push_back(first ? b : a);
    state.SetIterationTime(a + b);
  }
  if (base_times.empty()) return;
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  state.counters["ico_png_ms"] = median(base_times) * 1000;
  state.counters["with_icns_ms"] = median(with_times) * 1000;
  state.counters["ratio"] = median(with_times) / median(base_times);
  state.counters["ico_png_MB"] = static_cast<double>(base_kb) / 1024;
  state.counters["with_icns_MB"] = static_cast<double>(with_kb) / 1024;
}
BENCHMARK(BM_CommandIcnsCost)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

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
