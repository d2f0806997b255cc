// The .icns save begun before its masters: the same file as the save made at once, nothing
// written when it is never finished, and failures raised.
#include "app/icon_save.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/stream.h"
#include "imaging/bitmap.h"
#include "tests/support/test_support.h"

namespace {

// Semi-transparent rings that differ by size, premultiplied.
void Paint(TpmBitmap& b, int size, unsigned seed) {
  b.SetSize(size, size);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const int d = std::abs(x - size / 2) + std::abs(y - size / 3);
      const uint32_t a = static_cast<uint32_t>((d * 7 + seed) % 256);
      const uint32_t c = a * ((x + seed) % 5) / 4;
      b.Scanline(y)[x] = (a << 24) | (c << 16) | ((a - c) << 8) | (c / 2);
    }
}

class IcnsSaveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    unsigned seed = 1;
    for (int size : TIconPreviews::kSizes) Paint(previews.Of(size), size, seed++);
    Paint(master512, 512, 11);
    Paint(master1024, 1024, 13);
  }
  TIconPreviews previews;
  TpmBitmap master512, master1024;
  testsupport::TempDir dir;
};

TEST_F(IcnsSaveTest, FinishingWritesTheFileTheSaveAtOnceWrites) {
  SaveIcns(previews, master512, master1024, dir.File("at_once.icns"));
  {
    TIcnsSave save(previews);
    save.Finish(master512, master1024, dir.File("begun.icns"));
  }
  const auto at_once = testsupport::ReadFile(dir.File("at_once.icns"));
  EXPECT_GT(at_once.size(), 1000u);
  EXPECT_EQ(testsupport::ReadFile(dir.File("begun.icns")), at_once);
}

TEST_F(IcnsSaveTest, ASaveNeverFinishedOrFailingLeavesNothing) {
  { TIcnsSave abandoned(previews); }
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  const std::string nowhere = dir.File("missing") + "/icon.icns";
  TIcnsSave save(previews);
  EXPECT_THROW(save.Finish(master512, master1024, nowhere), EStreamError);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
