// The textures of one model load: each source (a file found beside the model, or an image
// the model embeds) is decoded once, into one bitmap list item that every material naming
// it shares, under a registry name no other texture of the load has in any letter case.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "import/texture_lookup.h"

class TgkBitmapList;

struct TTextureResult {
  enum TStatus { Loaded, Missing, Undecodable };
  TStatus Status = Missing;
  std::string Name;  // the registry name when Loaded
  std::string Path;  // the file found ("" for embedded images and missing files)
};

class TTextureSet {
 public:
  TTextureSet(const std::string& model_file, TgkBitmapList& bitmaps)
      : finder_(model_file), bitmaps_(bitmaps) {}

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
  template <class Load>
  TTextureResult Add(const std::string& key, const std::string& path, const std::string& wanted,
                     Load&& load);
  std::string UniqueName(const std::string& wanted);

  TTextureFinder finder_;
  TgkBitmapList& bitmaps_;
  std::map<std::string, TTextureResult> by_key_;
  std::set<std::string> taken_;
};
