// The conversation between Facetmint and facetmint-texture-decoder on the decoder's standard
// input and output, in the machine's byte order (both ends come from the same build).
//   request: TTextureRequest, then Size bytes: a file's path (kTextureFromFile) or an image
//            file's bytes (kTextureFromData);
//   answer:  TTextureAnswer, then MessageSize bytes of text (why the image was not decoded),
//            then Width x Height straight ARGB pixels, rows top to bottom, when Decoded.
// The decoder answers each request before it reads the next, and ends at end of input.
#pragma once

#include <cstdint>

enum : uint32_t { kTextureFromFile = 1, kTextureFromData = 2 };
enum : uint32_t { kTextureDecoded = 1, kTextureNotAnImage = 2, kTextureFailed = 3 };

// Longest path and longest message either end accepts.
constexpr uint64_t kMaxTexturePath = 1 << 16;
constexpr uint32_t kMaxTextureMessage = 1024;

struct TTextureRequest {
  uint32_t Kind = 0;
  int32_t MaxSide = 0;  // the image is reduced to fit a square of this side
  uint64_t Size = 0;
};

struct TTextureAnswer {
  uint32_t Status = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  uint32_t MessageSize = 0;
};
