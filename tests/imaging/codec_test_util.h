// Shared by the codec tests: the sample pattern, and decoding files with Pillow to compare
// what another reader sees.
#pragma once

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/image_codec.h"
#include "tests/support/test_support.h"

namespace codectest {

// The 8 x 6 pattern of tests/data/imaging (make_samples.py), straight 0xAARRGGBB.
inline uint32_t Pattern(int x, int y) {
  uint32_t a = y == 1 ? 36u * x : 255u;
  return (a << 24) | ((32u * x) << 16) | ((40u * y) << 8) | (16u * (x + y));
}

inline TRasterImage PatternImage(int w = 8, int h = 6) {
  TRasterImage image = AllocateRaster(w, h, TAlphaForm::Straight);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.Row(y)[x] = Pattern(x % 8, y % 6);
  return image;
}

inline std::string Sample(const std::string& name) {
  return testsupport::DataDir() + "/imaging/" + name;
}

inline int ChannelDistance(uint32_t a, uint32_t b) {
  int worst = 0;
  for (int s = 0; s < 32; s += 8) {
    int d = static_cast<int>((a >> s) & 0xFF) - static_cast<int>((b >> s) & 0xFF);
    worst = std::max(worst, d < 0 ? -d : d);
  }
  return worst;
}

// Pillow's view of an image file as straight 0xAARRGGBB pixels; false when Pillow is
// missing or cannot read it (message in error).
inline bool PillowPixels(const std::string& file, TRasterImage& image, std::string* error) {
  std::string py = testsupport::PythonWithPillow();
  if (py.empty()) {
    *error = "no Pillow";
    return false;
  }
  std::string script =
      "import sys; from PIL import Image; im = Image.open(sys.argv[1]); im.load(); "
      "im = im.convert('RGBA'); print(im.size[0], im.size[1]); print(im.tobytes().hex())";
  std::string out;
  if (testsupport::RunCommand(
          py + " -c " + testsupport::ShellQuote(script) + " " + testsupport::ShellQuote(file),
          &out) != 0) {
    *error = out;
    return false;
  }
  std::istringstream in(out);
  std::string hex;
  in >> image.width >> image.height >> hex;
  if (hex.size() != static_cast<size_t>(image.width) * image.height * 8) {
    *error = "unexpected output: " + out.substr(0, 200);
    return false;
  }
  image.form = TAlphaForm::Straight;
  image.pixels.resize(static_cast<size_t>(image.width) * image.height);
  for (size_t i = 0; i < image.pixels.size(); ++i) {
    uint32_t rgba = static_cast<uint32_t>(std::stoul(hex.substr(i * 8, 8), nullptr, 16));
    uint32_t r = rgba >> 24, g = (rgba >> 16) & 0xFF, b = (rgba >> 8) & 0xFF, a = rgba & 0xFF;
    image.pixels[i] = (a << 24) | (r << 16) | (g << 8) | b;
  }
  return true;
}

}  // namespace codectest
