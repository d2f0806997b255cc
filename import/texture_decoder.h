// Decodes the texture images of a model load in a guarded child process
// (facetmint-texture-decoder): the image libraries parse whatever files a model names or
// holds, and a crash, hang or memory blow-up inside one of them must cost that texture only,
// never the program or the model on screen. One child serves a whole load; it starts at the
// first decode, and again at the next one after a failure.
//
// Limits: 2 GiB of address space and 2 minutes of processor time for the child's life,
// 30 s of wall time for each image and 60 s for all the images of the load (a model of many
// textures that each hang the decoder must not hold a thumbnailer for minutes).
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "imaging/image_codec.h"
#include "platform/guarded_process.h"

class TCancelSignal;
class TGuardedSession;

// The limits of the comment above.
TGuardLimits TextureDecoderLimits();
inline constexpr int kTextureLoadMilliseconds = 60 * 1000;

struct TDecodedTexture {
  std::optional<TRasterImage> Image;  // straight colour, fitted to the side asked for
  // Why the decoder failed ("" when it answered, with an image or without one).
  std::string Failure;
};

class TTextureDecoder {
 public:
  // cancel (may be null): once raised, a decode under way stops and no other starts.
  // load_ms: the wall time of all its decodes together, from the first one on.
  explicit TTextureDecoder(const TCancelSignal* cancel = nullptr,
                           const TGuardLimits& limits = TextureDecoderLimits(),
                           int load_ms = kTextureLoadMilliseconds);
  ~TTextureDecoder();
  TTextureDecoder(const TTextureDecoder&) = delete;
  TTextureDecoder& operator=(const TTextureDecoder&) = delete;

  // An image file, or an image file's bytes, reduced to fit max_side (area averaging,
  // aspect kept). No image when no decoder accepts it or the decoder failed.
  TDecodedTexture File(const std::string& path, int32_t max_side);
  TDecodedTexture Data(const uint8_t* data, size_t size, int32_t max_side);

 private:
  TDecodedTexture Decode(uint32_t kind, const void* payload, size_t size, int32_t max_side);

  const TCancelSignal* cancel_;
  TGuardLimits limits_;
  int load_ms_;
  std::optional<std::chrono::steady_clock::time_point> load_end_;
  std::unique_ptr<TGuardedSession> session_;
};

// The decoder program (see platform/helper_program.h); "" when none is installed.
std::string TextureDecoderPath();
// For tests: the program decoders run instead of TextureDecoderPath(); empty goes back to
// that one. Returns the previous choice.
std::string OverrideTextureDecoder(std::string program);
