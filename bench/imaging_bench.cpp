// Measures the icon pipeline's 2D hot paths: the high-quality DrawBitmap from the 1024
// render to the 256 master, the six previews drawn from the master, and the stack blur of
// the effects at small and large radii (its cost per pixel must not depend on the radius).
#include <benchmark/benchmark.h>

#include "imaging/bitmap.h"
#include "imaging/canvas.h"
#include "imaging/resample.h"
#include "imaging/stack_blur.h"

namespace {

void FillPattern(TpmBitmap& b) {
  // Something like a rendered model: an opaque disc with soft shading on transparency.
  const int w = b.Width(), h = b.Height();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int dx = x - w / 2, dy = y - h / 2;
      if (dx * dx + dy * dy < (w * w) / 6) {
        const uint32_t g = 64 + (x * 191) / w;
        b.Scanline(y)[x] = 0xFF000000u | (g << 16) | ((255 - g) << 8) | (y * 255 / h);
      }
    }
}

TpmRect Whole(const TpmBitmap& b) {
  return {0, 0, float(b.Width()), float(b.Height())};
}

// Argument 1: the baseline (SSE2) code path instead of the one the processor allows.
void BM_Scale1024To256(benchmark::State& state) {
  ResampleForceBaseline(state.range(0) != 0);
  TpmBitmap work(1024, 1024);
  FillPattern(work);
  TpmBitmap master(256, 256);
  TpmCanvas& canvas = master.Canvas();
  for (auto _ : state) {
    master.Clear(0);
    canvas.DrawBitmap(work, Whole(work), Whole(master), 1, false);
    benchmark::DoNotOptimize(master.Pixels());
  }
}
BENCHMARK(BM_Scale1024To256)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SixPreviewsFrom256(benchmark::State& state) {
  ResampleForceBaseline(state.range(0) != 0);
  TpmBitmap master(256, 256);
  FillPattern(master);
  const int sizes[6] = {256, 128, 64, 48, 32, 16};
  TpmBitmap previews[6];
  for (int i = 0; i < 6; ++i) previews[i].SetSize(sizes[i], sizes[i]);
  for (auto _ : state) {
    for (auto& p : previews) {
      p.Clear(0);
      p.Canvas().DrawBitmap(master, Whole(master), Whole(p), 1, false);
    }
    benchmark::DoNotOptimize(previews[5].Pixels());
  }
}
BENCHMARK(BM_SixPreviewsFrom256)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ShadowDrawAtFractionalOffset(benchmark::State& state) {
  ResampleForceBaseline(false);
  // The 256 master into the 268 shadow work bitmap, 1:1 at the effect offset.
  TpmBitmap master(256, 256);
  FillPattern(master);
  TpmBitmap work(268, 268);
  for (auto _ : state) {
    work.Clear(0);
    work.Canvas().DrawBitmap(master, Whole(master), {6.12f, 6.12f, 262.12f, 262.12f}, 1, false);
    benchmark::DoNotOptimize(work.Pixels());
  }
}
BENCHMARK(BM_ShadowDrawAtFractionalOffset)->Unit(benchmark::kMillisecond);

// Arguments: side, radius. Items processed = pixels, so the rate shows the cost per pixel.
void BM_StackBlur(benchmark::State& state) {
  const int side = static_cast<int>(state.range(0));
  const int radius = static_cast<int>(state.range(1));
  TpmBitmap source(side, side);
  FillPattern(source);
  TpmBitmap work(side, side);
  for (auto _ : state) {
    state.PauseTiming();
    work.Assign(source);
    state.ResumeTiming();
    StackBlur(work, radius);
    benchmark::DoNotOptimize(work.Pixels());
  }
  state.SetItemsProcessed(state.iterations() * side * side);
}
BENCHMARK(BM_StackBlur)
    ->Args({268, 4})
    ->Args({268, 40})
    ->Args({1024, 4})
    ->Args({1024, 40})
    ->Unit(benchmark::kMillisecond);

}  // namespace
