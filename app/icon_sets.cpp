#include "app/icon_sets.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "app/model_info.h"
#include "iconfmt/icon_file.h"
#include "iconfmt/png_data.h"
#include "iconfmt/png_ico.h"
#include "imaging/bitmap.h"
#include "imaging/canvas.h"

namespace fs = std::filesystem;

namespace {

// The iconset's files: name, side.
struct TIconsetEntry {
  const char* Name;
  int Size;
};
constexpr TIconsetEntry kIconset[] = {{"icon_16x16.png", 16},    {"icon_16x16@2x.png", 32},
                                      {"icon_32x32.png", 32},    {"icon_32x32@2x.png", 64},
                                      {"icon_128x128.png", 128}, {"icon_128x128@2x.png", 256},
                                      {"icon_256x256.png", 256}, {"icon_256x256@2x.png", 512},
                                      {"icon_512x512.png", 512}, {"icon_512x512@2x.png", 1024}};

void MakeFolder(const fs::path& folder) {
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) throw std::runtime_error(folder.string() + ": " + error.message());
}

void WritePng(const fs::path& file, const TpmBitmap& image) {
  SaveIconFile(file.string(), EncodePngData(image));
}

void WriteText(const fs::path& file, const std::string& text) {
  SaveIconFile(file.string(), std::vector<uint8_t>(text.begin(), text.end()));
}

std::string Side(int size) {
  return std::to_string(size) + "x" + std::to_string(size);
}

}  // namespace

void WriteIconset(const std::string& folder, const TIconSource& icon) {
  MakeFolder(folder);
  for (const TIconsetEntry& e : kIconset) WritePng(fs::path(folder) / e.Name, icon(e.Size));
}

void WriteIconTheme(const std::string& folder, const std::string& name, const TIconSource& icon) {
  for (int size : kThemeSizes) {
    const fs::path apps = fs::path(folder) / "hicolor" / Side(size) / "apps";
    MakeFolder(apps);
    WritePng(apps / (name + ".png"), icon(size));
  }
}

void WriteWebIcons(const std::string& folder, const std::string& name, uint32_t background,
                   const TIconSource& icon) {
  MakeFolder(folder);
  const fs::path dir(folder);
  WritePngIco({&icon(16), &icon(32), &icon(48)}, (dir / "favicon.ico").string());
  {
    const TpmBitmap& picture = icon(180);
    TpmBitmap touch(180, 180);
    std::fill_n(touch.Pixels(), 180 * 180, background | 0xFF000000u);
    touch.Canvas().DrawBitmap(picture, {0, 0, 180, 180}, {0, 0, 180, 180}, 1, false);
    WritePng(dir / "apple-touch-icon.png", touch);
  }
  WritePng(dir / "icon-192.png", icon(192));
  WritePng(dir / "icon-512.png", icon(512));
  std::string manifest = "{\n  \"name\": " + JsonString(name) + ",\n  \"icons\": [\n";
  for (int size : {192, 512}) {
    manifest += "    {\"src\": \"icon-" + std::to_string(size) + ".png\", \"sizes\": \"" +
                Side(size) + "\", \"type\": \"image/png\", \"purpose\": \"any\"}" +
                (size == 192 ? ",\n" : "\n");
  }
  manifest += "  ]\n}\n";
  WriteText(dir / "site.webmanifest", manifest);
}

std::vector<std::string> IconsetFiles() {
  std::vector<std::string> files;
  for (const TIconsetEntry& e : kIconset) files.emplace_back(e.Name);
  return files;
}

std::vector<std::string> IconThemeFiles(const std::string& name) {
  std::vector<std::string> files;
  for (int size : kThemeSizes) files.push_back("hicolor/" + Side(size) + "/apps/" + name + ".png");
  return files;
}

std::vector<std::string> WebIconFiles() {
  return {"favicon.ico", "apple-touch-icon.png", "icon-192.png", "icon-512.png",
          "site.webmanifest"};
}

std::string IconSetName(const std::string& model_file) {
  if (model_file.empty()) return "facetmint";
  const std::string stem = fs::path(model_file).stem().string();
  std::string name;
  for (size_t i = 0; i < stem.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(stem[i]);
    if ((c & 0xC0) == 0x80) continue;  // the rest of a character already replaced
    const unsigned char lower = (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
    const bool kept = (lower >= 'a' && lower <= 'z') || (lower >= '0' && lower <= '9') ||
                      lower == '.' || lower == '_' || lower == '-';
    name += kept ? static_cast<char>(lower) : '-';
  }
  return ValidIconSetName(name) ? name : "facetmint";
}

bool ValidIconSetName(const std::string& name) {
  if (name.empty() || name[0] == '.') return false;  // "." and "..", or a hidden file
  return std::none_of(name.begin(), name.end(), [](char c) {
    return c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
  });
}
