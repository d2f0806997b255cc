#include "platform/helper_program.h"

#include <unistd.h>

#include <filesystem>

namespace fs = std::filesystem;

std::string FindHelperProgram(const std::string& name, const std::vector<std::string>& known) {
  std::vector<fs::path> candidates;
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    candidates.push_back(self.parent_path() / name);
    candidates.push_back(self.parent_path().parent_path() / "libexec" / "facetmint" / name);
  }
  candidates.insert(candidates.end(), known.begin(), known.end());
  for (const fs::path& p : candidates) {
    if (::access(p.c_str(), X_OK) == 0 && fs::is_regular_file(p, ec)) return p.string();
  }
  return "";
}
