// Measures the icon writers on a typical set of previews (a lit sphere with a soft,
// semi-transparent shadow): WriteIco and WriteIcns into memory and into a file, the JPEG
// 2000 encoding of the 256 image alone by worker-thread count, and a 1024 PNG element by
// the icon files' writer and by libpng.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "core/stream.h"
#include "iconfmt/icon_image.h"
#include "iconfmt/jp2_encoder.h"
#include "iconfmt/macico.h"
#include "iconfmt/png_data.h"
#include "iconfmt/winico.h"
#include "imaging/filter.h"
#include "imaging/image_codec.h"
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

// A 1024 icon picture: arg 0 a model filling it, 1 the default framing's (a model of about
// a quarter of the side, the rest transparent).
const TpmBitmap& Icon1024(int framing) {
  static const std::unique_ptr<TpmBitmap> filled = MakeSamplePreview(1024);
  static const std::unique_ptr<TpmBitmap> small = [] {
    auto picture = std::make_unique<TpmBitmap>(1024, 1024);
    const auto model = MakeSamplePreview(280);
    for (int y = 0; y < 280; ++y)
      std::memcpy(picture->Scanline(372 + y) + 372, model->Scanline(y), 280 * 4);
    return picture;
  }();
  return framing == 0 ? *filled : *small;
}

// The icon files' own PNG writer, which writes runs of transparent rows itself.
void BM_IconPng1024(benchmark::State& state) {
  const TpmBitmap& picture = Icon1024(static_cast<int>(state.range(0)));
  size_t bytes = 0;
  for (auto _ : state) bytes = EncodePngData(picture).size();
  state.counters["KB"] = static_cast<double>(bytes) / 1024;
}
BENCHMARK(BM_IconPng1024)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The same picture through libpng's quick setting, as the icon PNGs were written before.
void BM_LibpngQuickPng1024(benchmark::State& state) {
  const TpmBitmap& picture = Icon1024(static_cast<int>(state.range(0)));
  TEncodeOptions options;
  options.fast = true;
  size_t bytes = 0;
  for (auto _ : state) bytes = EncodeImage(RasterOf(picture), TImageFormat::Png, options).size();
  state.counters["KB"] = static_cast<double>(bytes) / 1024;
}
BENCHMARK(BM_LibpngQuickPng1024)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
