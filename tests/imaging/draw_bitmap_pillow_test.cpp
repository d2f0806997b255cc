// The high-quality downscale against Pillow's bicubic resize (the same Catmull-Rom kernel
// widened by the scale factor) on an opaque test picture: both must agree to a few levels.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "imaging/bitmap.h"
#include "imaging/canvas.h"
#include "tests/support/test_support.h"

namespace {

// Smooth gradients, a hard-edged disc and thin lines: both flat and busy regions.
void TestPicture(TpmBitmap& b) {
  const int n = b.Width();
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      uint32_t r = x * 255 / n, g = y * 255 / n, bl = ((x + y) / 8) % 2 ? 200 : 40;
      const int dx = x - n / 2, dy = y - n / 3;
      if (dx * dx + dy * dy < n * n / 16) r = g = bl = 250;
      if (x % 37 == 0 || y % 53 == 0) r = g = bl = 0;
      b.Scanline(y)[x] = 0xFF000000u | (r << 16) | (g << 8) | bl;
    }
}

// Pillow's resize of the raw BGRA bytes in `in` to size x size, read back as BGRA.
bool PillowResize(const std::string& python, const testsupport::TempDir& dir, const TpmBitmap& in,
                  int size, TpmBitmap& out) {
  std::vector<unsigned char> bytes(
      reinterpret_cast<const unsigned char*>(in.Pixels()),
      reinterpret_cast<const unsigned char*>(in.Pixels()) + in.ByteSize());
  testsupport::WriteFile(dir.File("in.raw"), bytes);
  const std::string script =
      "import sys\n"
      "from PIL import Image\n"
      "w = int(sys.argv[3]); s = int(sys.argv[4])\n"
      "im = Image.frombytes('RGBA', (w, w), open(sys.argv[1], 'rb').read(), 'raw', 'BGRA')\n"
      "im = im.convert('RGB').resize((s, s), Image.BICUBIC).convert('RGBA')\n"
      "open(sys.argv[2], 'wb').write(im.tobytes('raw', 'BGRA'))\n";
  testsupport::WriteFile(dir.File("resize.py"),
                         std::vector<unsigned char>(script.begin(), script.end()));
  std::string output;
  const int status =
      testsupport::RunCommand(python + " " + testsupport::ShellQuote(dir.File("resize.py")) + " " +
                                  testsupport::ShellQuote(dir.File("in.raw")) + " " +
                                  testsupport::ShellQuote(dir.File("out.raw")) + " " +
                                  std::to_string(in.Width()) + " " + std::to_string(size),
                              &output);
  if (status != 0) {
    ADD_FAILURE() << output;
    return false;
  }
  const auto result = testsupport::ReadFile(dir.File("out.raw"));
  out.SetSize(size, size);
  if (result.size() != out.ByteSize()) return false;
  std::memcpy(out.Pixels(), result.data(), result.size());
  return true;
}

void ExpectClose(const TpmBitmap& ours, const TpmBitmap& theirs, int maxDiff, double maxMean) {
  ASSERT_EQ(ours.Width(), theirs.Width());
  const uint8_t* a = reinterpret_cast<const uint8_t*>(ours.Pixels());
  const uint8_t* b = reinterpret_cast<const uint8_t*>(theirs.Pixels());
  int worst = 0;
  double total = 0;
  for (size_t i = 0; i < ours.ByteSize(); ++i) {
    const int d = std::abs(int(a[i]) - int(b[i]));
    worst = std::max(worst, d);
    total += d;
  }
  EXPECT_LE(worst, maxDiff);
  EXPECT_LE(total / ours.ByteSize(), maxMean);
}

}  // namespace

TEST(DrawBitmapPillow, DownscalesAgreeWithPillowBicubic) {
  const std::string python = testsupport::PythonWithPillow();
  if (python.empty()) GTEST_SKIP() << "no Python with Pillow";
  testsupport::TempDir dir;
  TpmBitmap big(1024, 1024);
  TestPicture(big);
  TpmBitmap master(256, 256);
  master.Canvas().DrawBitmap(big, {0, 0, 1024, 1024}, {0, 0, 256, 256}, 1, false);
  TpmBitmap reference;
  ASSERT_TRUE(PillowResize(python, dir, big, 256, reference));
  ExpectClose(master, reference, 3, 0.25);
  for (int size : {48, 16}) {
    TpmBitmap preview(size, size);
    preview.Canvas().DrawBitmap(master, {0, 0, 256, 256}, {0, 0, float(size), float(size)}, 1,
                                false);
    TpmBitmap theirs;
    ASSERT_TRUE(PillowResize(python, dir, master, size, theirs));
    ExpectClose(preview, theirs, 3, 0.25);
  }
}
