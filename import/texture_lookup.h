// Finds the texture files a model names. Files name their textures as they were on the
// author's disk ("TEST.PNG" for test.png, folders written with backslashes, sometimes a
// drive letter, often a texture kept in a subfolder), so a name is looked for, in order:
//   1. as written, relative to the model's folder (either slash);
//   2. its base name in the model's folder;
//   3. its base name in the folder's immediate subfolders, taken in sorted name order.
// Within each step a name matching in exact case wins over one matching without regard to
// ASCII letter case (then the first in name order). Absolute paths, drive letters and ".."
// parts are never followed: such a name is looked for by its base name only, so nothing
// outside the model's folder and its subfolders is found (symbolic links inside it are
// followed like the folders they stand for).
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

// One finder per model load: each folder it looks into is listed once, on first need, so
// any number of lookups cost no more file system work than one per folder.
class TTextureFinder {
 public:
  // model_file: the model's file name; its folder is searched ("" means the current
  // directory).
  explicit TTextureFinder(const std::string& model_file);
  ~TTextureFinder();
  TTextureFinder(const TTextureFinder&) = delete;
  TTextureFinder& operator=(const TTextureFinder&) = delete;

  // The path of an existing regular file, or "" when none matches. spellings are the same
  // name written in several ways (say the file's bytes and their UTF-8 reading); each step
  // tries all of them before the next step.
  std::string Find(const std::vector<std::string>& spellings);
  std::string Find(const std::string& name) { return Find(std::vector<std::string>{name}); }

  // How many folders have been listed so far.
  int FoldersListed() const { return folders_listed_; }

 private:
  struct TListing;
  const TListing& Listing(const std::filesystem::path& relative);
  std::string Resolve(const std::vector<std::string>& parts);
  std::string InFolder(const std::filesystem::path& relative, const std::string& base, bool exact);

  std::filesystem::path folder_;
  std::map<std::filesystem::path, std::unique_ptr<TListing>> listings_;
  std::map<std::vector<std::string>, std::string> found_;
  int folders_listed_ = 0;
};

// One lookup of a 3DS map name with a finder of its own: the name's bytes, then their
// reading as the file's code page (ModelNameToUtf8).
std::string FindTextureFile(const std::string& model_file, const std::string& map_name);
