#include "import/texture_lookup.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "import/name_text.h"

namespace fs = std::filesystem;

namespace {

bool SameTextAscii(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) {
             return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
           };
           return lower(x) == lower(y);
         });
}

// The parts of a map name, or just its base name when it leaves the model's folder.
std::vector<std::string> Parts(const std::string& map_name, bool base_only) {
  std::string name = map_name;
  std::replace(name.begin(), name.end(), '\\', '/');
  std::vector<std::string> parts;
  bool escapes = !name.empty() && name[0] == '/';
  size_t start = 0;
  while (start <= name.size()) {
    size_t slash = name.find('/', start);
    if (slash == std::string::npos) slash = name.size();
    std::string part = name.substr(start, slash - start);
    start = slash + 1;
    if (part.empty() || part == ".") continue;
    if (part == ".." || (parts.empty() && part.size() == 2 && part[1] == ':')) escapes = true;
    parts.push_back(part);
  }
  if ((base_only || escapes) && !parts.empty()) return {parts.back()};
  if (escapes) return {};
  return parts;
}

// The entry of dir called part, exactly or else without regard to case (the first in
// name order, so the choice does not depend on the directory's order).
std::string MatchEntry(const fs::path& dir, const std::string& part, bool want_dir) {
  std::error_code ec;
  fs::path exact = dir / part;
  if (want_dir ? fs::is_directory(exact, ec) : fs::is_regular_file(exact, ec)) return part;
  std::vector<std::string> matches;
  for (fs::directory_iterator it(dir.empty() ? fs::path(".") : dir, ec), end; !ec && it != end;
       it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (!SameTextAscii(name, part)) continue;
    std::error_code kind;
    if (want_dir ? it->is_directory(kind) : it->is_regular_file(kind)) matches.push_back(name);
  }
  if (matches.empty()) return {};
  return *std::min_element(matches.begin(), matches.end());
}

std::string Resolve(const fs::path& folder, const std::vector<std::string>& parts) {
  if (parts.empty()) return {};
  fs::path at = folder;
  for (size_t i = 0; i < parts.size(); ++i) {
    std::string entry = MatchEntry(at, parts[i], i + 1 < parts.size());
    if (entry.empty()) return {};
    at /= entry;
  }
  return at.string();
}

}  // namespace

std::string FindTextureFile(const std::string& model_file, const std::string& map_name) {
  if (map_name.empty()) return {};
  const fs::path folder = fs::path(model_file).parent_path();
  // The bytes as stored first, then the name as it would have been unpacked as UTF-8.
  std::vector<std::string> names = {map_name};
  if (std::string utf8 = ModelNameToUtf8(map_name); utf8 != map_name) names.push_back(utf8);
  for (bool base_only : {false, true}) {
    for (const std::string& name : names) {
      std::string found = Resolve(folder, Parts(name, base_only));
      if (!found.empty()) return found;
    }
  }
  return {};
}
