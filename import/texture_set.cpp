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
  const TDecodedTexture* texture = nullptr;
  if (ahead_) {
    if (const auto found = ahead_->find(key); found != ahead_->end()) texture = &found->second;
  }
  TDecodedTexture decoded = texture ? TDecodedTexture{} : decode();
  if (!texture) texture = &decoded;
  // Not an image our codecs read, or one the decoder failed on: the mesh stays untextured,
  // like a missing file.
  result.Status = texture->Image ? TTextureResult::Loaded : TTextureResult::Undecodable;
  result.Failure = texture->Failure;
  if (record_) {
    (*record_)[key] = std::move(decoded);
    return result;
  }
  if (!texture->Image) return result;
  result.Name = UniqueName(wanted);
  TgkBitmapStream& item = bitmaps_->Bitmaps().AddBitmap();
  StoreTexture(*texture->Image, item.Bitmap());
  item.SetName(result.Name);
  return result;
}

TTextureResult TTextureSet::FromFile(const std::vector<std::string>& spellings,
                                     const std::string& wanted) {
  const std::string path = finder_.Find(spellings);
  if (path.empty()) return {};  // Missing
  return Add("file:" + path, path, wanted, [&] { return decoder_.File(path, MaxTextureSide()); });
}

TTextureResult TTextureSet::FromData(const std::string& key, const std::vector<uint8_t>& data,
                                     const std::string& wanted) {
  return Add("embedded:" + key, "", wanted, [&]() -> TDecodedTexture {
    if (data.empty()) return {};
    return decoder_.Data(data.data(), data.size(), MaxTextureSide());
  });
}

TTextureResult TTextureSet::FromPixels(const std::string& key, const std::vector<uint8_t>& argb,
                                       int32_t width, int32_t height, const std::string& wanted) {
  // Plain pixels, which no image library parses: taken here.
  return Add("embedded:" + key, "", wanted, [&]() -> TDecodedTexture {
    if (argb.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 4) return {};
    std::vector<uint32_t> pixels(argb.size() / 4);
    std::memcpy(pixels.data(), argb.data(), argb.size());
    return {DecodeTexturePixels(pixels.data(), width, height), ""};
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
