// TIFF through libtiff, reading and writing in memory. libtiff reports errors through
// handlers that return, so no jump crosses our frames; its messages are collected for the
// exception instead of being printed.
#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

#include "imaging/image_codec.h"

namespace {

// The bytes libtiff reads from or writes into.
struct TMemoryFile {
  const uint8_t* data = nullptr;        // reading
  std::vector<uint8_t>* out = nullptr;  // writing
  uint64_t size = 0;
  uint64_t pos = 0;
  std::string error;
};

TMemoryFile& FileOf(thandle_t h) {
  return *static_cast<TMemoryFile*>(h);
}

tmsize_t ReadProc(thandle_t h, void* buffer, tmsize_t count) {
  TMemoryFile& f = FileOf(h);
  if (count <= 0 || f.pos >= f.size) return 0;
  uint64_t n = std::min<uint64_t>(static_cast<uint64_t>(count), f.size - f.pos);
  const uint8_t* src = f.out ? f.out->data() : f.data;
  std::memcpy(buffer, src + f.pos, n);
  f.pos += n;
  return static_cast<tmsize_t>(n);
}

tmsize_t WriteProc(thandle_t h, void* buffer, tmsize_t count) {
  TMemoryFile& f = FileOf(h);
  if (!f.out || count < 0) return -1;
  uint64_t end = f.pos + static_cast<uint64_t>(count);
  if (end > f.out->size()) f.out->resize(end);
  std::memcpy(f.out->data() + f.pos, buffer, static_cast<size_t>(count));
  f.pos = end;
  f.size = std::max<uint64_t>(f.size, end);
  return count;
}

toff_t SeekProc(thandle_t h, toff_t offset, int whence) {
  TMemoryFile& f = FileOf(h);
  int64_t base = whence == SEEK_SET   ? 0
                 : whence == SEEK_CUR ? static_cast<int64_t>(f.pos)
                                      : static_cast<int64_t>(f.size);
  int64_t target = base + static_cast<int64_t>(offset);
  if (target < 0) return static_cast<toff_t>(-1);
  f.pos = static_cast<uint64_t>(target);
  return f.pos;
}

int CloseProc(thandle_t) {
  return 0;
}

toff_t SizeProc(thandle_t h) {
  return FileOf(h).size;
}

int MapProc(thandle_t, void**, toff_t*) {
  return 0;
}

void UnmapProc(thandle_t, void*, toff_t) {}

int OnTiffError(TIFF*, void* user, const char* module, const char* fmt, va_list ap) {
  auto& f = *static_cast<TMemoryFile*>(user);
  if (f.error.empty()) {
    char text[256];
    std::vsnprintf(text, sizeof text, fmt, ap);
    f.error = text;
  }
  return 1;  // handled: libtiff's global handler would print it
}

int OnTiffWarning(TIFF*, void*, const char*, const char*, va_list) {
  return 1;
}

struct TTiffCloser {
  void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TTiffPtr = std::unique_ptr<TIFF, TTiffCloser>;

struct TOptionsFree {
  void operator()(TIFFOpenOptions* o) const { TIFFOpenOptionsFree(o); }
};

TTiffPtr Open(TMemoryFile& file, const char* mode) {
  std::unique_ptr<TIFFOpenOptions, TOptionsFree> options(TIFFOpenOptionsAlloc());
  if (!options) throw EImageError("Out of memory for TIFF options");
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), OnTiffError, &file);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), OnTiffWarning, &file);
  // No single buffer may be larger than the largest image we accept.
  TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(),
                                      static_cast<tmsize_t>(MaxImagePixels()) * 4 + 65536);
  return TTiffPtr(TIFFClientOpenExt("image", mode, &file, ReadProc, WriteProc, SeekProc, CloseProc,
                                    SizeProc, MapProc, UnmapProc, options.get()));
}

std::string Reason(const TMemoryFile& f) {
  return f.error.empty() ? "unknown error" : f.error;
}

// A file that says its alpha is associated may still store colour above it (a damaged or
// careless writer); clamped, it is valid premultiplied colour, which blending relies on.
void ClampColourToAlpha(TRasterImage& image) {
  for (uint32_t& p : image.pixels) {
    const uint32_t a = p >> 24;
    const uint32_t r = std::min((p >> 16) & 0xFF, a), g = std::min((p >> 8) & 0xFF, a),
                   b = std::min(p & 0xFF, a);
    p = (a << 24) | (r << 16) | (g << 8) | b;
  }
}

// The common layouts (8-bit grey or RGB, optional alpha, interleaved, in strips) are read
// row by row as stored, which keeps straight alpha exact; libtiff's general path would
// premultiply it. Returns false when the file has another layout.
bool ReadPlain(TIFF* tif, TMemoryFile& file, uint32_t width, uint32_t height, TRasterImage& image) {
  uint16_t bits = 0, samples = 0, photometric = 0, planar = PLANARCONFIG_CONTIG;
  uint16_t orientation = ORIENTATION_TOPLEFT, extra_count = 0;
  uint16_t* extra = nullptr;
  if (TIFFIsTiled(tif) || !TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits) ||
      !TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples) ||
      !TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric))
    return false;
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
  TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extra_count, &extra);
  const bool grey = photometric == PHOTOMETRIC_MINISBLACK;
  const uint16_t colour = grey ? 1 : 3;
  if (bits != 8 || planar != PLANARCONFIG_CONTIG || orientation != ORIENTATION_TOPLEFT ||
      (!grey && photometric != PHOTOMETRIC_RGB) || samples < colour || samples > colour + 1)
    return false;
  const bool alpha = samples == colour + 1;
  if (alpha && (extra_count != 1 || !extra ||
                (extra[0] != EXTRASAMPLE_UNASSALPHA && extra[0] != EXTRASAMPLE_ASSOCALPHA)))
    return false;
  if (static_cast<uint64_t>(TIFFScanlineSize64(tif)) != uint64_t{width} * samples) return false;
  image = AllocateRaster(width, height,
                         alpha && extra[0] == EXTRASAMPLE_ASSOCALPHA ? TAlphaForm::Premultiplied
                                                                     : TAlphaForm::Straight);
  std::vector<uint8_t> row(static_cast<size_t>(width) * samples);
  for (uint32_t y = 0; y < height; ++y) {
    if (TIFFReadScanline(tif, row.data(), y, 0) < 0)
      throw EImageError("Invalid TIFF image: " + Reason(file));
    uint32_t* out = image.Row(static_cast<int32_t>(y));
    for (uint32_t x = 0; x < width; ++x) {
      const uint8_t* p = &row[static_cast<size_t>(x) * samples];
      uint32_t a = alpha ? p[colour] : 255;
      uint32_t rgb = grey ? p[0] * 0x010101u : (p[0] << 16) | (p[1] << 8) | p[2];
      out[x] = (a << 24) | rgb;
    }
  }
  return true;
}

}  // namespace

namespace imagecodec {

TRasterImage DecodeTiff(const uint8_t* data, size_t size) {
  TMemoryFile file;
  file.data = data;
  file.size = size;
  TTiffPtr tif = Open(file, "rm");
  if (!tif) throw EImageError("Invalid TIFF image: " + Reason(file));
  uint32_t width = 0, height = 0;
  if (!TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width) ||
      !TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height))
    throw EImageError("Invalid TIFF image: no size");
  TRasterImage image;
  if (ReadPlain(tif.get(), file, width, height, image)) {
    if (image.form == TAlphaForm::Premultiplied) ClampColourToAlpha(image);
    return image;
  }
  char message[1024] = "";
  if (!TIFFRGBAImageOK(tif.get(), message))
    throw EImageError(std::string("Unsupported TIFF image: ") + message);
  image = AllocateRaster(width, height, TAlphaForm::Premultiplied);
  // libtiff hands out premultiplied R, G, B, A bytes (red lowest), whatever the file holds.
  if (!TIFFReadRGBAImageOriented(tif.get(), width, height, image.pixels.data(), ORIENTATION_TOPLEFT,
                                 1))
    throw EImageError("Invalid TIFF image: " + Reason(file));
  for (uint32_t& p : image.pixels) p = (p & 0xFF00FF00u) | ((p & 0xFF) << 16) | ((p >> 16) & 0xFF);
  ClampColourToAlpha(image);  // associated alpha comes through as stored
  return image;
}

std::vector<uint8_t> EncodeTiff(const TRasterImage& straight) {
  const bool opaque = std::all_of(straight.pixels.begin(), straight.pixels.end(),
                                  [](uint32_t p) { return (p >> 24) == 0xFF; });
  const uint16_t samples = opaque ? 3 : 4;
  std::vector<uint8_t> out;
  TMemoryFile file;
  file.out = &out;
  {
    TTiffPtr tif = Open(file, "w");
    if (!tif) throw EImageError("Cannot encode TIFF image: " + Reason(file));
    TIFF* t = tif.get();
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(straight.width));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(straight.height));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(t, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    if (!opaque) {
      uint16_t extra = EXTRASAMPLE_UNASSALPHA;  // straight colour, as PNG stores it
      TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
    std::vector<uint8_t> row(static_cast<size_t>(straight.width) * samples);
    for (int32_t y = 0; y < straight.height; ++y) {
      const uint32_t* in = straight.Row(y);
      for (int32_t x = 0; x < straight.width; ++x) {
        uint8_t* o = &row[static_cast<size_t>(x) * samples];
        o[0] = static_cast<uint8_t>(in[x] >> 16);
        o[1] = static_cast<uint8_t>(in[x] >> 8);
        o[2] = static_cast<uint8_t>(in[x]);
        if (samples == 4) o[3] = static_cast<uint8_t>(in[x] >> 24);
      }
      if (TIFFWriteScanline(t, row.data(), static_cast<uint32_t>(y), 0) < 0)
        throw EImageError("Cannot encode TIFF image: " + Reason(file));
    }
    if (!TIFFFlush(t)) throw EImageError("Cannot encode TIFF image: " + Reason(file));
  }
  out.resize(file.size);
  return out;
}

}  // namespace imagecodec
