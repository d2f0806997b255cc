#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {
size_t EntriesIn(const std::string& dir) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}
std::string Content(const std::string& path) {
  auto bytes = testsupport::ReadFile(path);
  return {bytes.begin(), bytes.end()};
}
}  // namespace

TEST(AtomicFile, ReplacesTheTargetOnlyOnCommit) {
  testsupport::TempDir dir;
  std::string target = dir.File("icon.ico");
  testsupport::WriteFile(target, {'o', 'l', 'd'});
  chmod(target.c_str(), 0640);
  {
    TAtomicFileStream s(target);
    s.Write("new content", 11);
    EXPECT_EQ(Content(target), "old");  // untouched while writing
    s.Commit();
  }
  EXPECT_EQ(Content(target), "new content");
  EXPECT_EQ(EntriesIn(dir.path()), 1u);
  struct stat st {};
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);  // keeps the permissions of the file it replaces
}

TEST(AtomicFile, AFailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
  testsupport::TempDir dir;
  std::string target = dir.File("icon.icns");
  testsupport::WriteFile(target, {'o', 'l', 'd'});
  EXPECT_THROW(WriteFileAtomically(target,
                                   [](TStream& s) {
                                     s.Write("partial", 7);
                                     throw EStreamError("disk full");
                                   }),
               EStreamError);
  EXPECT_EQ(Content(target), "old");
  EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(AtomicFile, ReportsAFolderThatCannotBeWritten) {
  testsupport::TempDir dir;
  EXPECT_THROW(TAtomicFileStream(dir.File("no/such/folder/icon.ico")), EStreamError);
}

TEST(AtomicFile, FullDeviceIsAnErrorNotATruncatedFile) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  // A stream over /dev/full fails on flush, as a full disk does.
  TFileStream s("/dev/full", TFileStream::Mode::Create);
  std::vector<char> block(1 << 16, 'x');
  EXPECT_THROW(
      {
        s.Write(block.data(), block.size());
        s.Flush();
      },
      EStreamError);
}
