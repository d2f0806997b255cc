#include "app/program_files.h"

#include <system_error>

#ifndef FACETMINT_SOURCE_DIR
#define FACETMINT_SOURCE_DIR ""
#endif
// From the installed command's folder to the window program.
#ifndef FACETMINT_WINDOW_FROM_BIN
#define FACETMINT_WINDOW_FROM_BIN "../libexec/facetmint/facetmint-window"
#endif

namespace {

bool IsFile(const std::filesystem::path& file) {
  std::error_code error;
  return std::filesystem::is_regular_file(file, error);
}

}  // namespace

std::filesystem::path ExecutableDir() {
  std::error_code error;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : exe.parent_path();
}

std::vector<std::filesystem::path> InstalledShareDirs() {
  const std::filesystem::path dir = ExecutableDir();
  if (dir.empty()) return {};
  return {dir / "../share", dir / "../../share"};
}

std::string HelpPageUrl(const std::string& language) {
  const std::string page_name = language == "en" ? "index.html" : "index." + language + ".html";
  std::vector<std::filesystem::path> candidates;
  for (const auto& share : InstalledShareDirs())
    candidates.push_back(share / "facetmint/help" / page_name);
  candidates.push_back(std::filesystem::path(FACETMINT_SOURCE_DIR) / "app/resources/help" /
                       page_name);
  for (const auto& page : candidates) {
    std::error_code error;
    if (IsFile(page)) return "file://" + std::filesystem::weakly_canonical(page, error).string();
  }
  return {};
}

std::filesystem::path WindowProgram() {
  const std::filesystem::path dir = ExecutableDir();
  for (const std::filesystem::path& program :
       {dir / "facetmint-window", dir / FACETMINT_WINDOW_FROM_BIN}) {
    if (IsFile(program)) return program.lexically_normal();
  }
  return {};
}
