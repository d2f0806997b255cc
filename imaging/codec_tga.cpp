// Truevision TGA, the texture format of many 3DS and MD3 models: colour-mapped, true-colour
// and grey images, uncompressed or run-length encoded, 8, 15, 16, 24 and 32 bits per pixel,
// with any of the four origins.
#include <algorithm>
#include <cstring>

#include "imaging/image_codec.h"

using imagecodec::Le16;

namespace {

constexpr size_t kHeaderSize = 18;

struct TTgaHeader {
  uint8_t id_length, map_type, image_type;
  uint16_t map_first, map_length;
  uint8_t map_entry_bits;
  uint16_t width, height;
  uint8_t depth, descriptor;

  explicit TTgaHeader(const uint8_t* p)
      : id_length(p[0]),
        map_type(p[1]),
        image_type(p[2]),
        map_first(Le16(p + 3)),
        map_length(Le16(p + 5)),
        map_entry_bits(p[7]),
        width(Le16(p + 12)),
        height(Le16(p + 14)),
        depth(p[16]),
        descriptor(p[17]) {}

  int Kind() const { return image_type & 7; }  // 1 mapped, 2 true colour, 3 grey
  bool Rle() const { return image_type & 8; }
  size_t MapBytes() const { return map_type ? size_t{map_length} * ((map_entry_bits + 7) / 8) : 0; }
  int AlphaBits() const { return descriptor & 0x0F; }
};

bool EntryBitsValid(int bits) {
  return bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

[[noreturn]] void Fail(const std::string& what) {
  throw EImageError("Invalid TGA image: " + what);
}

// One stored colour (15/16/24/32 bits, B G R [A] order) as 0xAARRGGBB; the attribute bit of
// 15 and 16-bit values gives alpha 255 or 0 until the caller decides whether it counts.
uint32_t ColorOf(const uint8_t* p, int bits) {
  switch (bits) {
    case 15:
    case 16: {
      uint32_t v = Le16(p);
      auto five = [](uint32_t c) { return (c << 3) | (c >> 2); };
      uint32_t a = (v & 0x8000) ? 0xFF : 0;
      return (a << 24) | (five((v >> 10) & 31) << 16) | (five((v >> 5) & 31) << 8) | five(v & 31);
    }
    case 24:
      return 0xFF000000u | (p[2] << 16) | (p[1] << 8) | p[0];
    default:
      return (static_cast<uint32_t>(p[3]) << 24) | (p[2] << 16) | (p[1] << 8) | p[0];
  }
}

}  // namespace

namespace imagecodec {

bool LooksLikeTga(const uint8_t* data, size_t size) {
  if (size < kHeaderSize) return false;
  TTgaHeader h(data);
  if (h.map_type > 1 || (h.image_type & ~0x0B) != 0 || h.Kind() == 0) return false;
  if (h.width == 0 || h.height == 0 || (h.descriptor & 0xC0) != 0 || h.AlphaBits() > 8)
    return false;
  if (h.map_type && !EntryBitsValid(h.map_entry_bits)) return false;
  switch (h.Kind()) {
    case 1:
      if (!h.map_type || h.map_length == 0 || (h.depth != 8 && h.depth != 16)) return false;
      break;
    case 2:
      if (!EntryBitsValid(h.depth)) return false;
      break;
    case 3:
      if (h.depth != 8 && h.depth != 16) return false;
      break;
    default:
      return false;
  }
  return kHeaderSize + h.id_length + h.MapBytes() <= size;
}

TRasterImage DecodeTga(const uint8_t* data, size_t size) {
  if (!LooksLikeTga(data, size)) Fail("header is truncated or inconsistent");
  TTgaHeader h(data);
  TRasterImage image = AllocateRaster(h.width, h.height, TAlphaForm::Straight);
  const uint8_t* p = data + kHeaderSize + h.id_length;
  const uint8_t* end = data + size;

  std::vector<uint32_t> map;
  if (h.map_type) {
    const size_t entry = (h.map_entry_bits + 7) / 8;
    map.resize(h.map_length);
    for (size_t i = 0; i < map.size(); ++i) map[i] = ColorOf(p + i * entry, h.map_entry_bits);
    p += h.MapBytes();
  }

  // The stored pixels in file order, uncompressed.
  const size_t bpp = (h.depth + 7) / 8;
  const size_t count = static_cast<size_t>(image.width) * image.height;
  const size_t raw_size = count * bpp;
  std::vector<uint8_t> unpacked;
  const uint8_t* raw = p;
  if (h.Rle()) {
    unpacked.resize(raw_size);
    size_t filled = 0;
    while (filled < raw_size) {
      if (p >= end) Fail("compressed data is truncated");
      uint8_t packet = *p++;
      size_t n = std::min<size_t>((packet & 0x7F) + 1, (raw_size - filled) / bpp);
      if (packet & 0x80) {
        if (static_cast<size_t>(end - p) < bpp) Fail("compressed data is truncated");
        for (size_t i = 0; i < n; ++i) std::memcpy(&unpacked[filled + i * bpp], p, bpp);
        p += bpp;
      } else {
        if (static_cast<size_t>(end - p) < n * bpp) Fail("compressed data is truncated");
        std::memcpy(&unpacked[filled], p, n * bpp);
        p += n * bpp;
      }
      filled += n * bpp;
    }
    raw = unpacked.data();
  } else if (static_cast<size_t>(end - p) < raw_size) {
    Fail("pixel data is truncated");
  }

  const bool top_down = h.descriptor & 0x20;
  const bool right_to_left = h.descriptor & 0x10;
  bool any_alpha = false;
  for (int32_t r = 0; r < image.height; ++r) {
    const uint8_t* in = raw + static_cast<size_t>(r) * image.width * bpp;
    uint32_t* out = image.Row(top_down ? r : image.height - 1 - r);
    for (int32_t i = 0; i < image.width; ++i, in += bpp) {
      uint32_t c;
      switch (h.Kind()) {
        case 1: {
          uint32_t index = bpp == 1 ? in[0] : Le16(in);
          c = index >= h.map_first && index - h.map_first < map.size() ? map[index - h.map_first]
                                                                       : 0xFF000000u;
          break;
        }
        case 3:
          c = (bpp == 2 ? static_cast<uint32_t>(in[1]) << 24 : 0xFF000000u) | (in[0] * 0x010101u);
          break;
        default:
          c = ColorOf(in, h.depth);
          break;
      }
      any_alpha |= (c >> 24) != 0;
      out[right_to_left ? image.width - 1 - i : i] = c;
    }
  }
  // Alpha counts when the file says it has some (or stores it in a 32-bit or grey-alpha
  // pixel); an alpha channel that is zero everywhere is padding, not a blank image.
  int stored_bits = h.Kind() == 1 ? h.map_entry_bits : h.depth;
  bool alpha_declared = h.AlphaBits() > 0 || stored_bits == 32 || (h.Kind() == 3 && bpp == 2);
  if (!alpha_declared || !any_alpha)
    for (uint32_t& c : image.pixels) c |= 0xFF000000u;
  return image;
}

}  // namespace imagecodec
