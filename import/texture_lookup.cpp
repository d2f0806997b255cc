#include "import/texture_lookup.h"

#include <algorithm>
#include <system_error>
#include <unordered_map>

#include "core/text_helpers.h"
#include "import/name_text.h"

namespace fs = std::filesystem;

namespace {

// The parts of a name, or just its base name when it leaves the model's folder (an
// absolute path, a drive letter, a ".." part).
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
  return parts;
}

}  // namespace

// A folder's entries, sorted by name, split into files and folders, with the first name
// in order for each lower-case spelling.
struct TTextureFinder::TListing {
  struct TNames {
    std::vector<std::string> sorted;
    std::unordered_map<std::string, std::string> by_lower;

    void Finish() {
      std::sort(sorted.begin(), sorted.end());
      for (const std::string& n : sorted) by_lower.emplace(LowerCase(n), n);
    }
    // name itself when present, else (unless exact) the first that differs only in case.
    std::string Match(const std::string& name, bool exact) const {
      if (std::binary_search(sorted.begin(), sorted.end(), name)) return name;
      if (exact) return {};
      auto it = by_lower.find(LowerCase(name));
      return it == by_lower.end() ? std::string() : it->second;
    }
  };
  TNames files, folders;
};

TTextureFinder::TTextureFinder(const std::string& model_file)
    : folder_(fs::path(model_file).parent_path()) {}

TTextureFinder::~TTextureFinder() = default;

const TTextureFinder::TListing& TTextureFinder::Listing(const fs::path& relative) {
  auto& slot = listings_[relative];
  if (slot) return *slot;
  slot = std::make_unique<TListing>();
  ++folders_listed_;
  fs::path dir = folder_ / relative;
  if (dir.empty()) dir = ".";
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code kind;
    // Symbolic links count as what they point to.
    if (it->is_regular_file(kind))
      slot->files.sorted.push_back(it->path().filename().string());
    else if (it->is_directory(kind))
      slot->folders.sorted.push_back(it->path().filename().string());
  }
  slot->files.Finish();
  slot->folders.Finish();
  return *slot;
}

// The parts as a path below the model's folder, each matched exactly or else by case.
std::string TTextureFinder::Resolve(const std::vector<std::string>& parts) {
  if (parts.empty()) return {};
  fs::path at;
  for (size_t i = 0; i < parts.size(); ++i) {
    const TListing& listing = Listing(at);
    const bool last = i + 1 == parts.size();
    const std::string entry = (last ? listing.files : listing.folders).Match(parts[i], false);
    if (entry.empty()) return {};
    at /= entry;
  }
  return (folder_ / at).string();
}

std::string TTextureFinder::InFolder(const fs::path& relative, const std::string& base,
                                     bool exact) {
  const std::string entry = Listing(relative).files.Match(base, exact);
  return entry.empty() ? std::string() : (folder_ / relative / entry).string();
}

std::string TTextureFinder::Find(const std::vector<std::string>& spellings) {
  auto cached = found_.find(spellings);
  if (cached != found_.end()) return cached->second;
  std::string& result = found_[spellings];
  std::vector<std::string> bases;
  for (const std::string& name : spellings) {
    if (name.empty()) continue;
    // 1. As written (a name leaving the folder is reduced to its base name).
    if (std::string found = Resolve(Parts(name, false)); !found.empty()) return result = found;
    if (std::vector<std::string> base = Parts(name, true); !base.empty())
      bases.push_back(base.back());
  }
  // 2. The base name beside the model.
  for (bool exact : {true, false})
    for (const std::string& base : bases)
      if (std::string found = InFolder({}, base, exact); !found.empty()) return result = found;
  // 3. The base name in the immediate subfolders, in name order.
  if (bases.empty()) return result;
  const std::vector<std::string> folders = Listing({}).folders.sorted;
  for (bool exact : {true, false})
    for (const std::string& folder : folders)
      for (const std::string& base : bases)
        if (std::string found = InFolder(folder, base, exact); !found.empty())
          return result = found;
  return result;
}

std::string FindTextureFile(const std::string& model_file, const std::string& map_name) {
  std::vector<std::string> spellings = {map_name};
  if (std::string utf8 = ModelNameToUtf8(map_name); utf8 != map_name) spellings.push_back(utf8);
  return TTextureFinder(model_file).Find(spellings);
}
