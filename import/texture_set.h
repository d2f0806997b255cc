// The textures of one model load: each source (a file found beside the model, or an image
// the model embeds) is decoded once (image files in a guarded process, texture_decoder.h), into one
// bitmap list item that every material naming it shares, under a registry name no other texture of
// the load has in any letter case.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "import/texture_decoder.h"
#include "import/texture_lookup.h"

class TgkBitmapList;

struct TTextureResult {
  enum TStatus { Loaded, Missing, Undecodable };
  TStatus Status = Missing;
  std::string Name;     // the registry name when Loaded
  std::string Path;     // the file found ("" for embedded images and missing files)
  std::string Failure;  // when Undecodable because the decoder failed: why
};

// Textures decoded ahead of a load's scene step, by source.
using TDecodedTextures = std::map<std::string, TDecodedTexture>;

class TTextureSet {
 public:
  // Each texture into bitmaps, taken from ahead (may be null) when decoded there already.
  TTextureSet(const std::string& model_file, TgkBitmapList& bitmaps,
              const TDecodedTextures* ahead = nullptr)
      : finder_(model_file), bitmaps_(&bitmaps), ahead_(ahead) {}
  // Only decodes each texture into ahead, touching no scene object: for a thread of its own.
  // cancel (may be null) stops a decode under way.
  TTextureSet(const std::string& model_file, TDecodedTextures& ahead,
              const TCancelSignal* cancel = nullptr)
      : finder_(model_file), record_(&ahead), decoder_(cancel) {}

  // A file the model names, written in one or more spellings (TTextureFinder); wanted is
  // the registry name to give it.
  TTextureResult FromFile(const std::vector<std::string>& spellings, const std::string& wanted);
  // An image file's bytes the model holds itself; key tells one embedded image from another.
  TTextureResult FromData(const std::string& key, const std::vector<uint8_t>& data,
                          const std::string& wanted);
  // Straight ARGB pixels the model holds itself.
  TTextureResult FromPixels(const std::string& key, const std::vector<uint8_t>& argb, int32_t width,
                            int32_t height, const std::string& wanted);

 private:
  template <class Decode>
  TTextureResult Add(const std::string& key, const std::string& path, const std::string& wanted,
                     Decode&& decode);
  std::string UniqueName(const std::string& wanted);

  TTextureFinder finder_;
  TgkBitmapList* bitmaps_ = nullptr;
  const TDecodedTextures* ahead_ = nullptr;
  TDecodedTextures* record_ = nullptr;
  TTextureDecoder decoder_;  // image files are decoded in its guarded process
  std::map<std::string, TTextureResult> by_key_;
  std::set<std::string> taken_;
};
