// Measures the icon writers on a typical set of previews (a lit sphere with a soft,
// semi-transparent shadow): WriteIco and WriteIcns into memory and into a file, and the
// JPEG 2000 encoding of the 256 image alone by worker-thread count.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "core/stream.h"
#include "iconfmt/icon_image.h"
#include "iconfmt/jp2_encoder.h"
#include "iconfmt/macico.h"
#include "iconfmt/winico.h"
#include "tests/iconfmt/sample_previews.h"

namespace {

const TSamplePreviews& Previews() {
  static const TSamplePreviews previews;
  return previews;
}

std::string TempName(const char* ext) {
  return "/tmp/facetmint-bench-" + std::to_string(getpid()) + ext;
}

void BM_WriteIcoToMemory(benchmark::State& state) {
  const auto& p = Previews();
  for (auto _ : state) {
    TMemoryStream stream;
    WriteIco(*p.image16, *p.image32, *p.image48, *p.image64, *p.image128, *p.image256, stream);
    benchmark::DoNotOptimize(stream.Memory());
  }
}
BENCHMARK(BM_WriteIcoToMemory)->Unit(benchmark::kMillisecond);

void BM_WriteIcoToFile(benchmark::State& state) {
  const auto& p = Previews();
  std::string name = TempName(".ico");
  for (auto _ : state)
    WriteIco(*p.image16, *p.image32, *p.image48, *p.image64, *p.image128, *p.image256, name);
  std::remove(name.c_str());
}
BENCHMARK(BM_WriteIcoToFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WriteIcnsToMemory(benchmark::State& state) {
  const auto& p = Previews();
  for (auto _ : state) {
    TMemoryStream stream;
    WriteIcns(*p.image16, *p.image32, *p.image48, *p.image128, *p.image256, stream);
    benchmark::DoNotOptimize(stream.Memory());
  }
}
BENCHMARK(BM_WriteIcnsToMemory)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void BM_WriteIcnsToFile(benchmark::State& state) {
  const auto& p = Previews();
  std::string name = TempName(".icns");
  for (auto _ : state)
    WriteIcns(*p.image16, *p.image32, *p.image48, *p.image128, *p.image256, name);
  std::remove(name.c_str());
}
BENCHMARK(BM_WriteIcnsToFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// Argument: worker threads (1 = the calling thread only).
void BM_EncodeJp2(benchmark::State& state) {
  auto pixels = PrepareIconImage(*Previews().image256, 256);
  for (auto _ : state) {
    auto jp2 = EncodeJp2(pixels.data(), 256, 256, static_cast<int>(state.range(0)));
    benchmark::DoNotOptimize(jp2.data());
  }
}
// Process CPU time counts the worker threads too; on an idle machine the real time is
// about that divided by the threads that can run at once.
BENCHMARK(BM_EncodeJp2)
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace
