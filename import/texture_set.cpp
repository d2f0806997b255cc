#include "import/texture_set.h"

#include <cstring>

#include "core/text_helpers.h"
#include "scene/bitmap_codec.h"
#include "scene/bitmap_registry.h"

template <class Load>
TTextureResult TTextureSet::Add(const std::string& key, const std::string& path,
                                const std::string& wanted, Load&& load) {
  auto known = by_key_.find(key);
  if (known != by_key_.end()) return known->second;
  TTextureResult& result = by_key_[key];
  result.Path = path;
  TgkBitmapCollection& items = bitmaps_.Bitmaps();
  TgkBitmapStream& item = items.AddBitmap();
  if (!load(item.Bitmap())) {
    // Not an image our codecs read: the mesh stays untextured, like a missing file.
    items.Delete(items.Count() - 1);
    result.Status = TTextureResult::Undecodable;
    return result;
  }
  result.Status = TTextureResult::Loaded;
  result.Name = UniqueName(wanted);
  item.SetName(result.Name);
  return result;
}

TTextureResult TTextureSet::FromFile(const std::vector<std::string>& spellings,
                                     const std::string& wanted) {
  const std::string path = finder_.Find(spellings);
  if (path.empty()) return {};  // Missing
  return Add("file:" + path, path, wanted,
             [&](TgkBitmap& bitmap) { return LoadTextureFile(path, bitmap); });
}

TTextureResult TTextureSet::FromData(const std::string& key, const std::vector<uint8_t>& data,
                                     const std::string& wanted) {
  return Add("embedded:" + key, "", wanted, [&](TgkBitmap& bitmap) {
    return !data.empty() && LoadTextureData(data.data(), data.size(), bitmap);
  });
}

TTextureResult TTextureSet::FromPixels(const std::string& key, const std::vector<uint8_t>& argb,
                                       int32_t width, int32_t height, const std::string& wanted) {
  return Add("embedded:" + key, "", wanted, [&](TgkBitmap& bitmap) {
    if (argb.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 4) return false;
    std::vector<uint32_t> pixels(argb.size() / 4);
    std::memcpy(pixels.data(), argb.data(), argb.size());
    return LoadTexturePixels(pixels.data(), width, height, bitmap);
  });
}

// Materials find their texture by name, in any letter case: another texture whose name
// differs only in case gets a name of its own.
std::string TTextureSet::UniqueName(const std::string& wanted) {
  std::string name = wanted;
  for (int n = 2; !taken_.insert(LowerCase(name)).second; ++n)
    name = wanted + " (" + std::to_string(n) + ")";
  return name;
}
