// GIF through giflib: reading the first frame onto the logical screen (transparent where
// the frame does not reach), writing one frame with a 256-colour palette whose last entry
// is transparent when the image has transparent pixels.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "imaging/image_codec.h"

namespace {

struct TGifInput {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

int ReadGif(GifFileType* gif, GifByteType* buffer, int count) {
  auto* in = static_cast<TGifInput*>(gif->UserData);
  size_t n = std::min<size_t>(count < 0 ? 0 : static_cast<size_t>(count), in->size - in->pos);
  std::memcpy(buffer, in->data + in->pos, n);
  in->pos += n;
  return static_cast<int>(n);
}

int WriteGif(GifFileType* gif, const GifByteType* buffer, int count) {
  auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
  out->insert(out->end(), buffer, buffer + count);
  return count;
}

struct TDecoderClose {
  void operator()(GifFileType* gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};
struct TEncoderClose {
  void operator()(GifFileType* gif) const {
    int error = 0;
    EGifCloseFile(gif, &error);
  }
};
struct TMapFree {
  void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

[[noreturn]] void Fail(const char* what, int error) {
  const char* reason = GifErrorString(error);
  throw EImageError(std::string(what) + ": " + (reason ? reason : "unknown error"));
}

}  // namespace

namespace imagecodec {

TRasterImage DecodeGif(const uint8_t* data, size_t size) {
  TGifInput input{data, size, 0};
  int error = 0;
  std::unique_ptr<GifFileType, TDecoderClose> gif(DGifOpen(&input, ReadGif, &error));
  if (!gif) Fail("Invalid GIF image", error);
  int transparent = NO_TRANSPARENT_COLOR;
  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) Fail("Invalid GIF image", gif->Error);
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR)
        Fail("Invalid GIF image", gif->Error);
      if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
        GraphicsControlBlock gcb;
        if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK)
          transparent = gcb.TransparentColor;
      }
      while (block)
        if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR)
          Fail("Invalid GIF image", gif->Error);
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) throw EImageError("Invalid GIF image: no image in it");
    break;
  }
  if (DGifGetImageDesc(gif.get()) == GIF_ERROR) Fail("Invalid GIF image", gif->Error);
  const GifImageDesc& frame = gif->Image;
  if (frame.Width <= 0 || frame.Height <= 0 || frame.Left < 0 || frame.Top < 0)
    throw EImageError("Invalid GIF image: empty frame");
  // The frame is decoded line by line, but every line costs time: bound it like an image.
  if (frame.Width > kMaxImageSide || frame.Height > kMaxImageSide ||
      static_cast<uint64_t>(frame.Width) * frame.Height > MaxImagePixels())
    throw EImageError("Invalid GIF image: frame is too large");
  const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
  if (!map || map->ColorCount <= 0) throw EImageError("Invalid GIF image: no colour table");
  int64_t width = gif->SWidth, height = gif->SHeight;
  if (width <= 0 || height <= 0) {
    width = int64_t{frame.Left} + frame.Width;
    height = int64_t{frame.Top} + frame.Height;
  }
  TRasterImage image = AllocateRaster(width, height, TAlphaForm::Straight);

  uint32_t palette[256];
  for (int i = 0; i < 256; ++i) {
    if (i < map->ColorCount) {
      const GifColorType& c = map->Colors[i];
      palette[i] = 0xFF000000u | (c.Red << 16) | (c.Green << 8) | c.Blue;
    } else {
      palette[i] = 0xFF000000u;
    }
  }
  if (transparent >= 0 && transparent < 256) palette[transparent] = 0;

  std::vector<GifPixelType> line(static_cast<size_t>(frame.Width));
  auto put_row = [&](int row) {
    int64_t y = int64_t{frame.Top} + row;
    if (y >= image.height) return;
    uint32_t* out = image.Row(static_cast<int32_t>(y));
    for (int x = 0; x < frame.Width; ++x) {
      int64_t ox = int64_t{frame.Left} + x;
      if (ox < image.width) out[ox] = palette[line[x]];
    }
  };
  auto read_row = [&](int row) {
    if (DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR)
      Fail("Invalid GIF image", gif->Error);
    put_row(row);
  };
  if (frame.Interlace) {
    static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
      for (int row = kStart[pass]; row < frame.Height; row += kStep[pass]) read_row(row);
  } else {
    for (int row = 0; row < frame.Height; ++row) read_row(row);
  }
  return image;
}

std::vector<uint8_t> EncodeGif(const TRasterImage& straight) {
  if (straight.width > 65535 || straight.height > 65535)
    throw EImageError("Image is too large for GIF");
  const size_t count = straight.pixels.size();
  // Alpha below one half becomes the transparent entry; the rest is drawn opaque.
  auto is_clear = [](uint32_t p) { return (p >> 24) < 128; };
  const bool has_clear = std::any_of(straight.pixels.begin(), straight.pixels.end(), is_clear);
  const int colours = has_clear ? 255 : 256;

  std::vector<GifByteType> indices(count);
  std::unique_ptr<ColorMapObject, TMapFree> map(GifMakeMapObject(256, nullptr));
  if (!map) throw EImageError("Out of memory for the GIF palette");
  std::memset(map->Colors, 0, 256 * sizeof(GifColorType));

  std::unordered_map<uint32_t, int> exact;
  for (uint32_t p : straight.pixels) {
    if (is_clear(p)) continue;
    if (exact.emplace(p & 0xFFFFFF, static_cast<int>(exact.size())).second &&
        exact.size() > static_cast<size_t>(colours))
      break;
  }
  if (exact.size() <= static_cast<size_t>(colours)) {
    for (auto [rgb, index] : exact)
      map->Colors[index] = {static_cast<GifByteType>(rgb >> 16), static_cast<GifByteType>(rgb >> 8),
                            static_cast<GifByteType>(rgb)};
    for (size_t i = 0; i < count; ++i) {
      uint32_t p = straight.pixels[i];
      indices[i] = is_clear(p) ? 255 : static_cast<GifByteType>(exact[p & 0xFFFFFF]);
    }
  } else {
    // Too many colours: giflib's median cut picks the palette.
    std::vector<GifByteType> r(count), g(count), b(count);
    for (size_t i = 0; i < count; ++i) {
      uint32_t p = straight.pixels[i];
      r[i] = static_cast<GifByteType>(p >> 16);
      g[i] = static_cast<GifByteType>(p >> 8);
      b[i] = static_cast<GifByteType>(p);
    }
    int size = colours;
    if (GifQuantizeBuffer(static_cast<unsigned>(straight.width),
                          static_cast<unsigned>(straight.height), &size, r.data(), g.data(),
                          b.data(), indices.data(), map->Colors) == GIF_ERROR)
      throw EImageError("Cannot reduce the image to 256 colours");
    for (size_t i = 0; i < count; ++i)
      if (is_clear(straight.pixels[i])) indices[i] = 255;
  }

  std::vector<uint8_t> out;
  int error = 0;
  std::unique_ptr<GifFileType, TEncoderClose> gif(EGifOpen(&out, WriteGif, &error));
  if (!gif) Fail("Cannot encode GIF image", error);
  EGifSetGifVersion(gif.get(), true);
  if (EGifPutScreenDesc(gif.get(), straight.width, straight.height, 8, 0, map.get()) == GIF_ERROR)
    Fail("Cannot encode GIF image", gif->Error);
  if (has_clear) {
    GraphicsControlBlock gcb{};
    gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
    gcb.TransparentColor = 255;
    GifByteType block[4];
    size_t length = EGifGCBToExtension(&gcb, block);
    if (EGifPutExtension(gif.get(), GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), block) ==
        GIF_ERROR)
      Fail("Cannot encode GIF image", gif->Error);
  }
  if (EGifPutImageDesc(gif.get(), 0, 0, straight.width, straight.height, false, nullptr) ==
      GIF_ERROR)
    Fail("Cannot encode GIF image", gif->Error);
  for (int32_t y = 0; y < straight.height; ++y)
    if (EGifPutLine(gif.get(), indices.data() + static_cast<size_t>(y) * straight.width,
                    straight.width) == GIF_ERROR)
      Fail("Cannot encode GIF image", gif->Error);
  GifFileType* raw = gif.release();
  if (EGifCloseFile(raw, &error) == GIF_ERROR) Fail("Cannot encode GIF image", error);
  return out;
}

}  // namespace imagecodec
