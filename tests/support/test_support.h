// Helpers shared by the test suites: temporary folders, test data paths, external tools.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// A fresh folder under the system's temporary directory, removed with its content.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Sets (or, with no value, removes) an environment variable for its lifetime; the previous
// state comes back on destruction.
class ScopedEnv {
 public:
  ScopedEnv(std::string name, const std::optional<std::string>& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> previous_;
};

// The project's own test data folder (tests/data).
std::string DataDir();

// Runs a shell command, returns its exit status and fills output with its stdout+stderr.
int RunCommand(const std::string& command, std::string* output = nullptr);
// True when the program is on PATH (or an absolute path that exists).
bool HaveTool(const std::string& tool);
// The system Python with Pillow, or "" when it is missing.
std::string PythonWithPillow();

std::vector<unsigned char> ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::vector<unsigned char>& bytes);
std::string ShellQuote(const std::string& text);

// True when the process is gone or only its exit status is left (a zombie nobody reaped).
bool ProcessEnded(int pid);

}  // namespace testsupport
