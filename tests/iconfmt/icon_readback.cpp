#include "tests/iconfmt/icon_readback.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "tests/support/test_support.h"

namespace iconreadback {

uint32_t LE16(const std::vector<uint8_t>& b, size_t at) {
  return b.at(at) | b.at(at + 1) << 8;
}

uint32_t LE32(const std::vector<uint8_t>& b, size_t at) {
  return LE16(b, at) | LE16(b, at + 2) << 16;
}

uint32_t BE32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t{b.at(at)} << 24 | b.at(at + 1) << 16 | b.at(at + 2) << 8 | b.at(at + 3);
}

std::vector<uint8_t> PillowRgba(const std::string& python, const std::string& file, int size,
                                std::string* error) {
  std::string out = file + "." + std::to_string(size) + ".rgba";
  std::string script =
      "import sys\n"
      "from PIL import Image\n"
      "im = Image.open(sys.argv[1])\n"
      "s = int(sys.argv[2])\n"
      "if im.format == 'ICNS': im.size = (s, s, 1)\n"  // picks the element to decode
      "elif im.size != (s, s): im.size = (s, s)\n"
      "im.load()\n"
      "assert im.size == (s, s), im.size\n"
      "open(sys.argv[3], 'wb').write(im.convert('RGBA').tobytes())\n";
  std::string output;
  int rc = testsupport::RunCommand(python + " -c " + testsupport::ShellQuote(script) + " " +
                                       testsupport::ShellQuote(file) + " " + std::to_string(size) +
                                       " " + testsupport::ShellQuote(out),
                                   &output);
  if (rc != 0) {
    if (error) *error = output;
    return {};
  }
  auto bytes = testsupport::ReadFile(out);
  std::remove(out.c_str());
  return {bytes.begin(), bytes.end()};
}

std::vector<uint8_t> ExpectedRgba(const uint32_t* premultiplied, size_t count) {
  std::vector<uint8_t> out;
  out.reserve(count * 4);
  for (size_t i = 0; i < count; ++i) {
    uint32_t p = premultiplied[i];
    double a = p >> 24;
    for (int shift : {16, 8, 0}) {
      double c = (p >> shift) & 0xFF;
      out.push_back(a == 0 ? 0
                           : static_cast<uint8_t>(std::min(255.0, std::nearbyint(c * 255 / a))));
    }
    out.push_back(static_cast<uint8_t>(a));
  }
  return out;
}

int MaxDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  if (a.size() != b.size()) return 256;
  int worst = 0;
  for (size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(a[i] - b[i]));
  return worst;
}

}  // namespace iconreadback
