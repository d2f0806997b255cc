#include "import/md3_skin.h"

#include <filesystem>

#include "core/text_helpers.h"

std::map<std::string, std::string> ParseMD3Skin(const std::string& text) {
  std::map<std::string, std::string> paths;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line(TrimChars(std::string_view(text).substr(start, end - start), " \t\r"));
    start = end + 1;
    const size_t comma = line.find(',');
    if (comma == std::string::npos) continue;
    const std::string surface(TrimChars(std::string_view(line).substr(0, comma), " \t"));
    const std::string path(TrimChars(std::string_view(line).substr(comma + 1), " \t\""));
    if (surface.empty() || path.empty()) continue;
    paths[LowerCase(surface)] = path;
  }
  return paths;
}

std::vector<std::string> MD3SkinNames(const std::string& model_file) {
  const std::string stem = std::filesystem::path(model_file).stem().string();
  return {stem + "_default.skin", "default.skin"};
}

std::vector<std::string> MD3TextureSpellings(const std::string& path) {
  std::vector<std::string> spellings = {path};
  std::string base = path;
  if (const size_t slash = base.find_last_of("/\\"); slash != std::string::npos)
    base = base.substr(slash + 1);
  if (const size_t dot = base.rfind('.'); dot != std::string::npos && dot > 0) base.resize(dot);
  if (base.empty()) return spellings;
  for (const char* ext : {".tga", ".jpg", ".jpeg", ".png"}) {
    if (base + ext != path) spellings.push_back(base + ext);
  }
  return spellings;
}
