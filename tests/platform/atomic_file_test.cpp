#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

TEST(AtomicFile, ALinkStaysAndItsTargetIsReplaced) {
  testsupport::TempDir dir;
  fs::create_directory(dir.File("real"));
  const std::string real = dir.File("real/icon.png");
  testsupport::WriteFile(real, {'o', 'l', 'd'});
  const std::string link = dir.File("icon.png");
  fs::create_symlink("real/icon.png", link);  // relative, as links usually are
  const std::string chain = dir.File("latest.png");
  fs::create_symlink(link, chain);
  WriteFileAtomically(chain, [](TStream& s) { s.Write("new", 3); });
  EXPECT_TRUE(fs::is_symlink(chain));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Content(real), "new");
  EXPECT_EQ(EntriesIn(dir.File("real")), 1u);
  // A dangling link gets its target created.
  const std::string dangling = dir.File("new.ico");
  fs::create_symlink("real/new.ico", dangling);
  WriteFileAtomically(dangling, [](TStream& s) { s.Write("ico", 3); });
  EXPECT_TRUE(fs::is_symlink(dangling));
  EXPECT_EQ(Content(dir.File("real/new.ico")), "ico");
}

TEST(AtomicFile, AFileSizeLimitIsAWriteErrorNotADeath) {
  testsupport::TempDir dir;
  const std::string target = dir.File("big.icns");
  testsupport::WriteFile(target, {'o', 'l', 'd'});
  // In a child, so that the limit does not reach the rest of the tests.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    rlimit limit{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
    std::vector<char> block(1 << 16, 'x');
    try {
      WriteFileAtomically(target, [&](TStream& s) { s.Write(block.data(), block.size()); });
    } catch (const EStreamError& e) {
      // Named after the target, not the temporary file.
      _exit(std::string(e.what()).find("\"" + target + "\"") != std::string::npos ? 0 : 3);
    }
    _exit(2);  // the write passed the limit unnoticed
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(Content(target), "old");
  EXPECT_EQ(EntriesIn(dir.path()), 1u);  // no temporary file left beside it
}

// An interrupted program leaves no partly written file: for each ending signal, a child with
// two files half written (and one committed) is ended by it, and only the committed file and
// the old target remain; the child still dies of that signal.
TEST(AtomicFile, EndingSignalsRemoveTheFilesBeingWritten) {
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGXCPU}) {
    testsupport::TempDir dir;
    const std::string target = dir.File("icon.icns");
    testsupport::WriteFile(target, {'o', 'l', 'd'});
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const rlimit no_core{0, 0};  // SIGXCPU would dump core
      setrlimit(RLIMIT_CORE, &no_core);
      RemoveTemporaryFilesOnSignals();
      WriteFileAtomically(dir.File("done.png"), [](TStream& s) { s.Write("done", 4); });
      TAtomicFileStream first(target);
      first.Write("partial", 7);
      TAtomicFileStream second(dir.File("other.ico"));
      second.Write("partial", 7);
      first.Flush();
      second.Flush();
      ::raise(signal);
      _exit(3);  // the signal did not end the process
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exited with " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), signal);
    EXPECT_EQ(Content(target), "old");
    EXPECT_EQ(Content(dir.File("done.png")), "done");
    EXPECT_EQ(EntriesIn(dir.path()), 2u) << "signal " << signal;
  }
}
