// Measures the image codecs on a 256 x 256 icon-like image (a soft gradient disc on a
// transparent background, premultiplied as TpmBitmap holds it): PNG encode (the program's
// PNG export and stored forms), PNG and JPEG decode, JPEG encode, and the straight-colour
// conversion every alpha-storing encoder runs first.
#include <benchmark/benchmark.h>

#include <cmath>

#include "imaging/image_codec.h"

namespace {

TRasterImage IconImage() {
  TRasterImage image = AllocateRaster(256, 256, TAlphaForm::Straight);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      double d = std::hypot(x - 127.5, y - 127.5) / 120.0;
      uint32_t a = d >= 1 ? 0 : d > 0.9 ? static_cast<uint32_t>((1 - d) * 10 * 255) : 255;
      image.Row(y)[x] = (a << 24) | (static_cast<uint32_t>(x) << 16) |
                        (static_cast<uint32_t>(y) << 8) | static_cast<uint32_t>((x + y) / 2);
    }
  ConvertAlphaForm(image, TAlphaForm::Premultiplied);
  return image;
}

void BM_PngEncode256(benchmark::State& state) {
  TRasterImage image = IconImage();
  size_t bytes = 0;
  for (auto _ : state) bytes = EncodeImage(image, TImageFormat::Png).size();
  state.counters["file_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_PngEncode256)->Unit(benchmark::kMillisecond);

void BM_PngDecode256(benchmark::State& state) {
  std::vector<uint8_t> png = EncodeImage(IconImage(), TImageFormat::Png);
  for (auto _ : state)
    benchmark::DoNotOptimize(DecodeImage(png.data(), png.size(), TAlphaForm::Premultiplied));
}
BENCHMARK(BM_PngDecode256)->Unit(benchmark::kMillisecond);

void BM_JpegEncode256(benchmark::State& state) {
  TRasterImage image = IconImage();
  for (auto _ : state) benchmark::DoNotOptimize(EncodeImage(image, TImageFormat::Jpeg));
}
BENCHMARK(BM_JpegEncode256)->Unit(benchmark::kMillisecond);

void BM_JpegDecode256(benchmark::State& state) {
  std::vector<uint8_t> jpeg = EncodeImage(IconImage(), TImageFormat::Jpeg);
  for (auto _ : state)
    benchmark::DoNotOptimize(DecodeImage(jpeg.data(), jpeg.size(), TAlphaForm::Premultiplied));
}
BENCHMARK(BM_JpegDecode256)->Unit(benchmark::kMillisecond);

void BM_ToStraight256(benchmark::State& state) {
  TRasterImage image = IconImage();
  for (auto _ : state) {
    TRasterImage copy = image;
    ConvertAlphaForm(copy, TAlphaForm::Straight);
    benchmark::DoNotOptimize(copy.pixels.data());
  }
}
BENCHMARK(BM_ToStraight256)->Unit(benchmark::kMicrosecond);

}  // namespace
