// Windows bitmaps: reading 1, 4, 8, 16, 24 and 32 bits per pixel, uncompressed, RLE and
// bit fields, bottom-up and top-down, and the icon variant with its transparency mask;
// writing 24-bit, or 32-bit with an alpha mask when any pixel is not opaque.
#include <algorithm>
#include <bit>
#include <cstring>

#include "imaging/image_codec.h"

using imagecodec::Le16;
using imagecodec::Le32;

namespace {

enum : uint32_t { kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6 };

// A channel described by a bit mask, scaled to 8 bits.
struct TMaskChannel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;

  explicit TMaskChannel(uint32_t m = 0) : mask(m) {
    if (!m) return;
    shift = std::countr_zero(m);
    uint32_t v = m >> shift;
    // Only the low contiguous run counts; wider than 8 bits keeps the top 8.
    int bits = std::countr_one(v);
    if (bits > 8) {
      shift += bits - 8;
      bits = 8;
    }
    max = (1u << bits) - 1;
  }
  uint32_t Get(uint32_t pixel, uint32_t absent) const {
    if (!mask) return absent;
    uint32_t v = (pixel >> shift) & max;
    return (v * 255 + max / 2) / max;
  }
};

struct TDibHeader {
  int64_t width = 0;
  int64_t height = 0;  // rows of colour; negative = top-down
  uint32_t bits = 0;
  uint32_t compression = kBiRgb;
  uint32_t colors_used = 0;
  uint32_t masks[4] = {0, 0, 0, 0};
  bool has_alpha_mask = false;
  size_t header_size = 0;
  size_t palette_entry = 4;
};

[[noreturn]] void Fail(const std::string& what) {
  throw EImageError("Invalid bitmap: " + what);
}

// Reads the header and, for bit fields, the masks; returns the offset after them.
size_t ReadHeader(const uint8_t* data, size_t size, TDibHeader& h) {
  if (size < 4) Fail("header is truncated");
  h.header_size = Le32(data);
  if (h.header_size == 12) {
    if (size < 12) Fail("header is truncated");
    h.width = Le16(data + 4);
    h.height = static_cast<int16_t>(Le16(data + 6));
    h.bits = Le16(data + 10);
    h.palette_entry = 3;
    return 12;
  }
  if (h.header_size < 40 || h.header_size > size) Fail("header is truncated or unknown");
  h.width = static_cast<int32_t>(Le32(data + 4));
  h.height = static_cast<int32_t>(Le32(data + 8));
  h.bits = Le16(data + 14);
  h.compression = Le32(data + 16);
  h.colors_used = Le32(data + 32);
  size_t offset = h.header_size;
  if (h.compression == kBiBitfields || h.compression == kBiAlphaBitfields) {
    size_t count = h.compression == kBiAlphaBitfields ? 4 : 3;
    if (h.header_size >= 52) {
      // Version 2 and later headers carry the masks inside them.
      count = h.header_size >= 56 ? 4 : 3;
      for (size_t i = 0; i < count; ++i) h.masks[i] = Le32(data + 40 + 4 * i);
    } else {
      if (size < offset + 4 * count) Fail("bit masks are truncated");
      for (size_t i = 0; i < count; ++i) h.masks[i] = Le32(data + offset + 4 * i);
      offset += 4 * count;
    }
    h.has_alpha_mask = count == 4 && h.masks[3] != 0;
  }
  return offset;
}

// Writes the index of a palette image into the pixel at (x, row).
struct TPalette {
  std::vector<uint32_t> colors;
  uint32_t operator[](uint32_t index) const {
    return index < colors.size() ? colors[index] : 0xFF000000u;
  }
};

void DecodeRle(const uint8_t* p, const uint8_t* end, bool four_bit, const TPalette& palette,
               TRasterImage& image, bool top_down) {
  int64_t x = 0, y = 0;  // y counts rows in file order
  auto put = [&](uint32_t index) {
    if (x < image.width && y < image.height) {
      int32_t row = top_down ? static_cast<int32_t>(y) : image.height - 1 - static_cast<int32_t>(y);
      image.Row(row)[x] = palette[index];
    }
    ++x;
  };
  while (p + 1 < end && y < image.height) {
    uint8_t count = p[0], value = p[1];
    p += 2;
    if (count > 0) {
      for (int i = 0; i < count; ++i)
        put(four_bit ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      return;
    } else if (value == 2) {  // move right and down
      if (end - p < 2) Fail("RLE data is truncated");
      x += p[0];
      y += p[1];
      p += 2;
    } else {  // literal run, padded to an even number of bytes
      size_t bytes = four_bit ? (value + 1) / 2 : value;
      if (static_cast<size_t>(end - p) < bytes) Fail("RLE data is truncated");
      for (int i = 0; i < value; ++i)
        put(four_bit ? ((i & 1) ? (p[i / 2] & 0x0F) : (p[i / 2] >> 4)) : p[i]);
      p += std::min<size_t>(bytes + (bytes & 1), static_cast<size_t>(end - p));
    }
  }
}

TRasterImage DecodeDibAt(const uint8_t* data, size_t size, bool icon, size_t pixel_offset,
                         bool has_pixel_offset) {
  TDibHeader h;
  size_t offset = ReadHeader(data, size, h);
  bool top_down = h.height < 0 && !icon;
  int64_t rows = h.height < 0 ? -h.height : h.height;
  if (icon) rows /= 2;  // the colour rows; the mask rows follow them
  switch (h.bits) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      break;
    default:
      Fail("unsupported depth of " + std::to_string(h.bits) + " bits");
  }
  bool rle = h.compression == kBiRle8 || h.compression == kBiRle4;
  if (h.compression == kBiRle8 && h.bits != 8) Fail("RLE8 needs 8 bits per pixel");
  if (h.compression == kBiRle4 && h.bits != 4) Fail("RLE4 needs 4 bits per pixel");
  bool fields = h.compression == kBiBitfields || h.compression == kBiAlphaBitfields;
  if (fields && h.bits != 16 && h.bits != 32) Fail("bit fields need 16 or 32 bits per pixel");
  if (!rle && !fields && h.compression != kBiRgb)
    Fail("unsupported compression " + std::to_string(h.compression));
  TRasterImage image = AllocateRaster(h.width, rows, TAlphaForm::Straight);

  TPalette palette;
  if (h.bits <= 8) {
    uint64_t count = h.colors_used ? h.colors_used : (1u << h.bits);
    count = std::min<uint64_t>(count, 1u << h.bits);
    uint64_t bytes = count * h.palette_entry;
    if (offset + bytes > size) Fail("colour table is truncated");
    palette.colors.resize(count);
    for (uint64_t i = 0; i < count; ++i) {
      const uint8_t* e = data + offset + i * h.palette_entry;
      palette.colors[i] = 0xFF000000u | (e[2] << 16) | (e[1] << 8) | e[0];
    }
    offset += bytes;
  } else if (h.colors_used && h.header_size >= 40) {
    // A colour table of a true-colour image is only a hint for display; skip it.
    offset += std::min<uint64_t>(h.colors_used, 256) * 4;
  }
  if (has_pixel_offset) offset = pixel_offset;
  if (offset > size) Fail("pixel data lies outside the file");
  const uint8_t* pixels = data + offset;
  const uint8_t* end = data + size;

  if (rle) {
    DecodeRle(pixels, end, h.compression == kBiRle4, palette, image, top_down);
    return image;
  }

  const size_t stride = ((static_cast<size_t>(image.width) * h.bits + 31) / 32) * 4;
  if (stride * image.height > static_cast<size_t>(end - pixels)) Fail("pixel data is truncated");

  uint32_t default_masks[3] = {0x7C00, 0x03E0, 0x001F};  // 16-bit without fields is 5-5-5
  if (!fields && h.bits == 16) std::copy(default_masks, default_masks + 3, h.masks);
  if (!fields && h.bits == 32) {
    h.masks[0] = 0x00FF0000, h.masks[1] = 0x0000FF00, h.masks[2] = 0x000000FF;
  }
  TMaskChannel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]);
  // Alpha in plain 32-bit data counts only in icons; elsewhere that byte is padding.
  TMaskChannel alpha(icon && !fields && h.bits == 32 ? 0xFF000000
                     : h.has_alpha_mask              ? h.masks[3]
                                                     : 0);

  for (int32_t r = 0; r < image.height; ++r) {
    const uint8_t* in = pixels + static_cast<size_t>(r) * stride;
    uint32_t* out = image.Row(top_down ? r : image.height - 1 - r);
    for (int32_t x = 0; x < image.width; ++x) {
      switch (h.bits) {
        case 1:
          out[x] = palette[(in[x >> 3] >> (7 - (x & 7))) & 1];
          break;
        case 4:
          out[x] = palette[(x & 1) ? (in[x >> 1] & 0x0F) : (in[x >> 1] >> 4)];
          break;
        case 8:
          out[x] = palette[in[x]];
          break;
        case 24: {
          const uint8_t* p = in + x * 3;
          out[x] = 0xFF000000u | (p[2] << 16) | (p[1] << 8) | p[0];
          break;
        }
        default: {
          uint32_t v = h.bits == 16 ? Le16(in + x * 2) : Le32(in + x * 4);
          out[x] = (alpha.Get(v, 255) << 24) | (red.Get(v, 0) << 16) | (green.Get(v, 0) << 8) |
                   blue.Get(v, 0);
          break;
        }
      }
    }
  }

  if (icon) {
    bool alpha_used = false;
    if (h.bits == 32)
      for (uint32_t p : image.pixels) alpha_used |= (p >> 24) != 0;
    if (h.bits == 32 && !alpha_used)
      for (uint32_t& p : image.pixels) p |= 0xFF000000u;
    // Without an alpha channel the 1-bit mask after the colour rows marks transparency.
    const size_t mask_stride = ((static_cast<size_t>(image.width) + 31) / 32) * 4;
    const uint8_t* mask = pixels + stride * image.height;
    if (!alpha_used && mask_stride * image.height <= static_cast<size_t>(end - mask)) {
      for (int32_t r = 0; r < image.height; ++r) {
        const uint8_t* in = mask + static_cast<size_t>(r) * mask_stride;
        uint32_t* out = image.Row(image.height - 1 - r);
        for (int32_t x = 0; x < image.width; ++x)
          if ((in[x >> 3] >> (7 - (x & 7))) & 1) out[x] = 0;
      }
    }
  }
  return image;
}

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

namespace imagecodec {

TRasterImage DecodeDib(const uint8_t* data, size_t size, bool icon) {
  return DecodeDibAt(data, size, icon, 0, false);
}

TRasterImage DecodeBmp(const uint8_t* data, size_t size) {
  if (size < 14 + 12 || data[0] != 'B' || data[1] != 'M') Fail("not a bitmap file");
  uint32_t pixel_offset = Le32(data + 10);
  if (pixel_offset < 14 || pixel_offset > size) Fail("pixel data lies outside the file");
  // Offsets inside the header are counted from the start of the file.
  return DecodeDibAt(data + 14, size - 14, false, pixel_offset - 14, true);
}

std::vector<uint8_t> EncodeBmp(const TRasterImage& straight) {
  bool opaque = std::all_of(straight.pixels.begin(), straight.pixels.end(),
                            [](uint32_t p) { return (p >> 24) == 0xFF; });
  const uint32_t bits = opaque ? 24 : 32;
  const uint32_t header = opaque ? 40 : 108;  // version 4 header: masks and colour space
  const size_t stride = ((static_cast<size_t>(straight.width) * bits + 31) / 32) * 4;
  const size_t image_size = stride * straight.height;
  const size_t offset = 14 + header;
  if (offset + image_size > 0xFFFFFFFFu) throw EImageError("Image is too large for a bitmap");
  std::vector<uint8_t> out;
  out.reserve(offset + image_size);
  out.push_back('B');
  out.push_back('M');
  Put32(out, static_cast<uint32_t>(offset + image_size));
  Put32(out, 0);
  Put32(out, static_cast<uint32_t>(offset));
  Put32(out, header);
  Put32(out, static_cast<uint32_t>(straight.width));
  Put32(out, static_cast<uint32_t>(straight.height));  // bottom-up, as most readers expect
  Put16(out, 1);
  Put16(out, bits);
  Put32(out, opaque ? kBiRgb : kBiBitfields);
  Put32(out, static_cast<uint32_t>(image_size));
  Put32(out, 2835);  // 72 dots per inch
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  if (!opaque) {
    for (uint32_t mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u}) Put32(out, mask);
    Put32(out, 0x73524742);        // 'sRGB'
    out.insert(out.end(), 48, 0);  // end points and gamma, unused for sRGB
  }
  for (int32_t y = straight.height - 1; y >= 0; --y) {
    const uint32_t* row = straight.Row(y);
    size_t start = out.size();
    for (int32_t x = 0; x < straight.width; ++x) {
      uint32_t p = row[x];
      out.push_back(static_cast<uint8_t>(p));
      out.push_back(static_cast<uint8_t>(p >> 8));
      out.push_back(static_cast<uint8_t>(p >> 16));
      if (!opaque) out.push_back(static_cast<uint8_t>(p >> 24));
    }
    out.resize(start + stride, 0);
  }
  return out;
}

}  // namespace imagecodec
