#include "core/stream.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

TEST(MemoryStream, ReadsShortAtTheEndAndWritesPastIt) {
  TMemoryStream s(std::vector<uint8_t>{1, 2, 3});
  uint8_t buf[8] = {};
  s.Seek(1);
  EXPECT_EQ(s.Read(buf, 8), 2u);
  EXPECT_EQ(buf[0], 2);
  EXPECT_EQ(buf[1], 3);
  EXPECT_EQ(s.Read(buf, 8), 0u);
  EXPECT_THROW(s.ReadBuffer(buf, 1), EStreamError);

  // Seeking past the end and writing fills the gap with zeros.
  s.Seek(5);
  uint8_t nine = 9;
  s.Write(&nine, 1);
  ASSERT_EQ(s.Size(), 6);
  EXPECT_EQ(s.Bytes()[3], 0);
  EXPECT_EQ(s.Bytes()[5], 9);
  EXPECT_THROW(s.Seek(-1), EStreamError);
}

TEST(FileStream, RoundTripsAndReportsMissingFiles) {
  testsupport::TempDir dir;
  {
    TFileStream out(dir.File("a.bin"), TFileStream::Mode::Create);
    out.Write("hello", 5);
    EXPECT_EQ(out.Size(), 5);
  }
  TMemoryStream in;
  in.LoadFromFile(dir.File("a.bin"));
  EXPECT_EQ(std::string(in.Bytes().begin(), in.Bytes().end()), "hello");
  try {
    in.LoadFromFile(dir.File("missing.bin"));
    FAIL() << "no error for a missing file";
  } catch (const EStreamError& e) {
    EXPECT_NE(std::string(e.what()).find("missing.bin"), std::string::npos);
  }
}
