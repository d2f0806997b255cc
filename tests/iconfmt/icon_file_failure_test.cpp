// Writing icon files where writing fails: the error reaches the caller with a message, and
// no file is half-written — the target is either what it was or the complete new file.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>

#include "core/stream.h"
#include "iconfmt/macico.h"
#include "iconfmt/winico.h"
#include "tests/iconfmt/sample_previews.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using Writer = std::function<void(const TSamplePreviews&, const std::string&)>;

void Ico(const TSamplePreviews& p, const std::string& name) {
  WriteIco(*p.image16, *p.image32, *p.image48, *p.image64, *p.image128, *p.image256, name);
}

void Icns(const TSamplePreviews& p, const std::string& name) {
  WriteIcns(*p.image16, *p.image32, *p.image48, *p.image128, *p.image256, name);
}

std::vector<std::string> Listing(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

class IconFileFailure : public ::testing::TestWithParam<std::pair<const char*, Writer>> {
 protected:
  TSamplePreviews previews_;
  testsupport::TempDir dir_;
};

TEST_P(IconFileFailure, AFolderThatCannotTakeTheFileRaisesAndLeavesNothing) {
  const auto& [name, write] = GetParam();
  // A plain file where the folder should be: no one, not even root, can create in it.
  std::string not_a_folder = dir_.File("notes");
  testsupport::WriteFile(not_a_folder, {'x'});
  for (const std::string& target : {not_a_folder + "/" + name, dir_.File("missing") + "/" + name}) {
    try {
      write(previews_, target);
      ADD_FAILURE() << "writing " << target << " did not raise";
    } catch (const EStreamError& e) {
      EXPECT_NE(std::string(e.what()).find("\"" + target + "\""), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(Listing(dir_.path()), std::vector<std::string>{"notes"});
  EXPECT_EQ(testsupport::ReadFile(not_a_folder), std::vector<unsigned char>{'x'});
}

TEST_P(IconFileFailure, AnExistingIconSurvivesAWriteThatFailsHalfway) {
  const auto& [name, write] = GetParam();
  std::string target = dir_.File(name);
  const std::vector<unsigned char> old(5000, 0xA5);
  testsupport::WriteFile(target, old);

  // In a child process files may not grow beyond 4 KB, so the write fails part-way, as
  // on a full disk. The child reports whether the writer raised.
  int pipe_fds[2];
  ASSERT_EQ(pipe(pipe_fds), 0);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    close(pipe_fds[0]);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
    int code = 2;
    std::string message;
    try {
      write(previews_, target);
    } catch (const EStreamError& e) {
      code = 0;
      message = e.what();
    } catch (...) {
      code = 3;
    }
    (void)!::write(pipe_fds[1], message.data(), message.size());
    _exit(code);
  }
  close(pipe_fds[1]);
  std::string message;
  char buf[512];
  ssize_t n;
  while ((n = read(pipe_fds[0], buf, sizeof buf)) > 0) message.append(buf, size_t(n));
  close(pipe_fds[0]);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "2: the write did not raise, 3: it raised another error";
  // The message names the file the user chose, not the temporary one.
  EXPECT_EQ(message.find(".tmp"), std::string::npos) << message;
  EXPECT_NE(message.find("\"" + target + "\""), std::string::npos) << message;

  EXPECT_EQ(testsupport::ReadFile(target), old);
  EXPECT_EQ(Listing(dir_.path()), std::vector<std::string>{name});  // no temporary left

  // Without the limit the same call replaces the icon completely.
  write(previews_, target);
  auto written = testsupport::ReadFile(target);
  EXPECT_GT(written.size(), old.size());
  EXPECT_EQ(Listing(dir_.path()), std::vector<std::string>{name});
}

INSTANTIATE_TEST_SUITE_P(BothWriters, IconFileFailure,
                         ::testing::Values(std::make_pair("icon.ico", Writer(Ico)),
                                           std::make_pair("icon.icns", Writer(Icns))),
                         [](const auto& param_info) {
                           return std::string(param_info.param.first).substr(5);
                         });

}  // namespace
