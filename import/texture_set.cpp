#include "import/texture_set.h"

#include <cstring>

#include "core/text_helpers.h"
#include "scene/bitmap_codec.h"
#include "scene/bitmap_registry.h"

template <class Decode>
TTextureResult TTextureSet::Add(const std::string& key, const std::string& path,
                                const std::string& wanted, Decode&& decode) {
  auto known = by_key_.find(key);
  if (known != by_key_.end()) return known->second;
  TTextureResult& result = by_key_[key];
  result.Path = path;
  const std::optional<TRasterImage>* image = nullptr;
  if (ahead_) {
    if (const auto found = ahead_->find(key); found != ahead_->end()) image = &found->second;
  }
  std::optional<TRasterImage> decoded;
  if (!image) {
    decoded = decode();
    image = &decoded;
  }
  // Not an image our codecs read: the mesh stays untextured, like a missing file.
  result.Status = *image ? TTextureResult::Loaded : TTextureResult::Undecodable;
  if (record_) {
    (*record_)[key] = std::move(decoded);
    return result;
  }
  if (!*image) return result;
  result.Name = UniqueName(wanted);
  TgkBitmapStream& item = bitmaps_->Bitmaps().AddBitmap();
  StoreTexture(**image, item.Bitmap());
  item.SetName(result.Name);
  return result;
}

TTextureResult TTextureSet::FromFile(const std::vector<std::string>& spellings,
                                     const std::string& wanted) {
  const std::string path = finder_.Find(spellings);
  if (path.empty()) return {};  // Missing
  return Add("file:" + path, path, wanted, [&] { return DecodeTextureFile(path); });
}

TTextureResult TTextureSet::FromData(const std::string& key, const std::vector<uint8_t>& data,
                                     const std::string& wanted) {
  return Add("embedded:" + key, "", wanted, [&]() -> std::optional<TRasterImage> {
    if (data.empty()) return std::nullopt;
    return DecodeTextureData(data.data(), data.size());
  });
}

TTextureResult TTextureSet::FromPixels(const std::string& key, const std::vector<uint8_t>& argb,
                                       int32_t width, int32_t height, const std::string& wanted) {
  return Add("embedded:" + key, "", wanted, [&]() -> std::optional<TRasterImage> {
    if (argb.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 4) {
      return std::nullopt;
    }
    std::vector<uint32_t> pixels(argb.size() / 4);
    std::memcpy(pixels.data(), argb.data(), argb.size());
    return DecodeTexturePixels(pixels.data(), width, height);
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
