// JPEG through libjpeg(-turbo). libjpeg reports fatal errors by calling error_exit, which
// must not return; ours longjmps back. To keep that defined behaviour in C++, every
// setjmp sits in a small function whose frame holds no object with a destructor, and all
// buffers and the codec state live in the caller's frame, owned by RAII objects.
#include <stdio.h>  // libjpeg's header needs FILE declared first
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "imaging/image_codec.h"

namespace {

// A progressive file may declare any number of scans, each of which costs a pass over the
// whole image; real files use about ten.
constexpr int kMaxScans = 256;

struct TJpegErrors {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  bool input_ended = false;  // the data stopped before the image was complete
  char message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr cinfo) {
  auto* errors = reinterpret_cast<TJpegErrors*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, errors->message);
  std::longjmp(errors->jump, 1);
}

void OnJpegMessage(j_common_ptr cinfo, int level) {
  auto* errors = reinterpret_cast<TJpegErrors*>(cinfo->err);
  if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) errors->input_ended = true;
}

void OnJpegOutput(j_common_ptr) {}  // libjpeg would print to stderr

void OnJpegProgress(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (dinfo->input_scan_number > kMaxScans) {
    cinfo->err->msg_code = JERR_BAD_PROGRESSION;
    std::snprintf(reinterpret_cast<TJpegErrors*>(cinfo->err)->message, JMSG_LENGTH_MAX,
                  "more than %d scans", kMaxScans);
    std::longjmp(reinterpret_cast<TJpegErrors*>(cinfo->err)->jump, 1);
  }
}

void InstallErrors(TJpegErrors& errors) {
  jpeg_std_error(&errors.pub);
  errors.pub.error_exit = OnJpegError;
  errors.pub.emit_message = OnJpegMessage;
  errors.pub.output_message = OnJpegOutput;
  errors.message[0] = '\0';
}

struct TJpegDecoder {
  jpeg_decompress_struct cinfo;
  TJpegErrors errors;
  jpeg_progress_mgr progress;
  bool created = false;

  TJpegDecoder() {
    std::memset(&cinfo, 0, sizeof cinfo);
    std::memset(&progress, 0, sizeof progress);
    InstallErrors(errors);
    cinfo.err = &errors.pub;
    progress.progress_monitor = OnJpegProgress;
  }
  ~TJpegDecoder() {
    if (created) jpeg_destroy_decompress(&cinfo);
  }
  TJpegDecoder(const TJpegDecoder&) = delete;
  TJpegDecoder& operator=(const TJpegDecoder&) = delete;
};

bool ReadHeader(TJpegDecoder* d, const uint8_t* data, size_t size) {
  if (setjmp(d->errors.jump)) return false;
  jpeg_create_decompress(&d->cinfo);
  d->created = true;
  d->cinfo.progress = &d->progress;
  // Progressive files keep all coefficients in memory; bound that by the pixel limit.
  d->cinfo.mem->max_memory_to_use = static_cast<long>(MaxImagePixels()) * 8 + (16L << 20);
  jpeg_mem_src(&d->cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&d->cinfo, TRUE);
  switch (d->cinfo.jpeg_color_space) {
    case JCS_CMYK:
    case JCS_YCCK:
      d->cinfo.out_color_space = JCS_CMYK;
      break;
    default:
      d->cinfo.out_color_space = JCS_EXT_BGRA;  // grey and colour both expand to B, G, R, A
      break;
  }
  return true;
}

// Asks for output at n / 8 of the size.
bool SetScale(TJpegDecoder* d, unsigned n) {
  if (setjmp(d->errors.jump)) return false;
  d->cinfo.scale_num = n;
  d->cinfo.scale_denom = 8;
  jpeg_calc_output_dimensions(&d->cinfo);
  return true;
}

// Decodes all rows into pixels (4 bytes per pixel in both output spaces).
bool ReadPixels(TJpegDecoder* d, uint8_t* pixels, size_t stride) {
  if (setjmp(d->errors.jump)) return false;
  jpeg_start_decompress(&d->cinfo);
  while (d->cinfo.output_scanline < d->cinfo.output_height) {
    JSAMPROW row = pixels + d->cinfo.output_scanline * stride;
    jpeg_read_scanlines(&d->cinfo, &row, 1);
  }
  // Running out of data before the last row shows a truncated file; a missing end marker
  // after a complete image is tolerated, as every viewer does.
  if (d->errors.input_ended) {
    std::snprintf(d->errors.message, JMSG_LENGTH_MAX, "the data ends before the image does");
    return false;
  }
  jpeg_finish_decompress(&d->cinfo);
  return true;
}

struct TJpegEncoder {
  jpeg_compress_struct cinfo;
  TJpegErrors errors;
  unsigned char* buffer = nullptr;  // malloc'ed by libjpeg's memory destination
  unsigned long size = 0;
  bool created = false;

  TJpegEncoder() {
    std::memset(&cinfo, 0, sizeof cinfo);
    InstallErrors(errors);
    cinfo.err = &errors.pub;
  }
  ~TJpegEncoder() {
    if (created) jpeg_destroy_compress(&cinfo);
    std::free(buffer);
  }
  TJpegEncoder(const TJpegEncoder&) = delete;
  TJpegEncoder& operator=(const TJpegEncoder&) = delete;
};

bool Compress(TJpegEncoder* e, const uint32_t* pixels, int width, int height, int quality) {
  if (setjmp(e->errors.jump)) return false;
  jpeg_create_compress(&e->cinfo);
  e->created = true;
  jpeg_mem_dest(&e->cinfo, &e->buffer, &e->size);
  e->cinfo.image_width = static_cast<JDIMENSION>(width);
  e->cinfo.image_height = static_cast<JDIMENSION>(height);
  e->cinfo.input_components = 4;
  e->cinfo.in_color_space = JCS_EXT_BGRX;  // alpha is not stored
  jpeg_set_defaults(&e->cinfo);
  jpeg_set_quality(&e->cinfo, quality, TRUE);
  jpeg_start_compress(&e->cinfo, TRUE);
  while (e->cinfo.next_scanline < e->cinfo.image_height) {
    // libjpeg's row type is not const, but compression only reads the rows.
    auto* row = reinterpret_cast<JSAMPROW>(
        const_cast<uint32_t*>(pixels + static_cast<size_t>(e->cinfo.next_scanline) * width));
    jpeg_write_scanlines(&e->cinfo, &row, 1);
  }
  jpeg_finish_compress(&e->cinfo);
  return true;
}

inline uint32_t CmykToArgb(const uint8_t* p, bool inverted) {
  // Adobe writes CMYK inverted (0 = full ink); everybody else's files follow Adobe.
  uint32_t c = p[0], m = p[1], y = p[2], k = p[3];
  if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
  auto mul = [](uint32_t a, uint32_t b) { return (a * b + 127) / 255; };
  return 0xFF000000u | (mul(c, k) << 16) | (mul(m, k) << 8) | mul(y, k);
}

}  // namespace

namespace imagecodec {

TRasterImage DecodeJpeg(const uint8_t* data, size_t size, int32_t max_side) {
  TJpegDecoder d;
  if (!ReadHeader(&d, data, size))
    throw EImageError(std::string("Invalid JPEG image: ") + d.errors.message);
  int32_t width = static_cast<int32_t>(d.cinfo.image_width);
  int32_t height = static_cast<int32_t>(d.cinfo.image_height);
  if (max_side > 0) {
    // The full size obeys the limits even when a reduced one is decoded.
    CheckImageSize(d.cinfo.image_width, d.cinfo.image_height);
    int32_t w = width, h = height;
    FitWithinSide(w, h, max_side);
    // The output size is ceil(side * n / 8); the smallest n that still covers the target.
    unsigned n = 1;
    while (n < 8 && ((d.cinfo.image_width * n + 7) / 8 < static_cast<unsigned>(w) ||
                     (d.cinfo.image_height * n + 7) / 8 < static_cast<unsigned>(h)))
      ++n;
    if (!SetScale(&d, n)) throw EImageError(std::string("Invalid JPEG image: ") + d.errors.message);
    width = static_cast<int32_t>(d.cinfo.output_width);
    height = static_cast<int32_t>(d.cinfo.output_height);
  }
  TRasterImage image = AllocateRaster(width, height, TAlphaForm::Straight);
  if (!ReadPixels(&d, reinterpret_cast<uint8_t*>(image.pixels.data()),
                  static_cast<size_t>(image.width) * 4))
    throw EImageError(std::string("Invalid JPEG image: ") + d.errors.message);
  if (d.cinfo.out_color_space == JCS_CMYK) {
    bool inverted = d.cinfo.saw_Adobe_marker;
    for (uint32_t& p : image.pixels) p = CmykToArgb(reinterpret_cast<uint8_t*>(&p), inverted);
  }
  return image;
}

std::vector<uint8_t> EncodeJpeg(const TRasterImage& straight, int quality) {
  TJpegEncoder e;
  if (!Compress(&e, straight.pixels.data(), straight.width, straight.height, quality))
    throw EImageError(std::string("Cannot encode JPEG image: ") + e.errors.message);
  return std::vector<uint8_t>(e.buffer, e.buffer + e.size);
}

}  // namespace imagecodec
