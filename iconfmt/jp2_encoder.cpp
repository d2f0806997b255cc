#include "iconfmt/jp2_encoder.h"

#include <openjpeg.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

struct TImageDeleter {
  void operator()(opj_image_t* image) const { opj_image_destroy(image); }
};
struct TCodecDeleter {
  void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
};
struct TStreamDeleter {
  void operator()(opj_stream_t* stream) const { opj_stream_destroy(stream); }
};

// The encoder's output: a growable buffer with a position, since the JP2 writer seeks
// back to fill in box lengths.
struct TOutput {
  std::vector<uint8_t> bytes;
  size_t position = 0;
};

OPJ_SIZE_T WriteOutput(void* buffer, OPJ_SIZE_T count, void* user) {
  auto& out = *static_cast<TOutput*>(user);
  if (out.position + count > out.bytes.size()) out.bytes.resize(out.position + count);
  std::memcpy(out.bytes.data() + out.position, buffer, count);
  out.position += count;
  return count;
}

OPJ_OFF_T SkipOutput(OPJ_OFF_T count, void* user) {
  auto& out = *static_cast<TOutput*>(user);
  if (count < 0 && static_cast<size_t>(-count) > out.position) return -1;
  out.position = static_cast<size_t>(static_cast<OPJ_OFF_T>(out.position) + count);
  if (out.position > out.bytes.size()) out.bytes.resize(out.position);
  return count;
}

OPJ_BOOL SeekOutput(OPJ_OFF_T position, void* user) {
  auto& out = *static_cast<TOutput*>(user);
  if (position < 0) return OPJ_FALSE;
  out.position = static_cast<size_t>(position);
  if (out.position > out.bytes.size()) out.bytes.resize(out.position);
  return OPJ_TRUE;
}

std::unique_ptr<opj_image_t, TImageDeleter> MakeImage(const uint32_t* pixels, int width,
                                                      int height) {
  opj_image_cmptparm_t parms[4];
  std::memset(parms, 0, sizeof parms);
  for (auto& p : parms) {
    p.dx = p.dy = 1;
    p.w = static_cast<OPJ_UINT32>(width);
    p.h = static_cast<OPJ_UINT32>(height);
    p.prec = 8;
    p.sgnd = 0;
  }
  std::unique_ptr<opj_image_t, TImageDeleter> image(opj_image_create(4, parms, OPJ_CLRSPC_SRGB));
  if (!image) throw EJp2Error("Cannot create the JPEG 2000 image");
  image->x0 = image->y0 = 0;
  image->x1 = static_cast<OPJ_UINT32>(width);
  image->y1 = static_cast<OPJ_UINT32>(height);
  image->comps[3].alpha = 1;  // plain opacity: gives the channel definition box
  OPJ_INT32* r = image->comps[0].data;
  OPJ_INT32* g = image->comps[1].data;
  OPJ_INT32* b = image->comps[2].data;
  OPJ_INT32* a = image->comps[3].data;
  size_t count = static_cast<size_t>(width) * height;
  for (size_t i = 0; i < count; ++i) {
    uint32_t pixel = pixels[i];
    r[i] = static_cast<OPJ_INT32>((pixel >> 16) & 0xFF);
    g[i] = static_cast<OPJ_INT32>((pixel >> 8) & 0xFF);
    b[i] = static_cast<OPJ_INT32>(pixel & 0xFF);
    a[i] = static_cast<OPJ_INT32>(pixel >> 24);
  }
  return image;
}

}  // namespace

// The code-blocks of a 256 x 256 image are shared out among the workers; each call starts
// its own pool, so the count stays small.
int DefaultJp2Threads() {
  return opj_has_thread_support() ? std::clamp(opj_get_num_cpus(), 1, 4) : 1;
}

std::vector<uint8_t> EncodeJp2(const uint32_t* pixels, int width, int height, int threads) {
  if (!pixels || width < 1 || height < 1 || width > 65535 || height > 65535)
    throw EJp2Error("Cannot encode an image of " + std::to_string(width) + " x " +
                    std::to_string(height) + " pixels as JPEG 2000");
  auto image = MakeImage(pixels, width, height);

  opj_cparameters_t parameters;
  opj_set_default_encoder_parameters(&parameters);
  parameters.cp_disto_alloc = 1;  // rate allocation by rates ...
  parameters.tcp_numlayers = 1;
  parameters.tcp_rates[0] = 0;  // ... where rate 0 keeps every bit: lossless
  parameters.numresolution = 6;
  parameters.irreversible = 0;

  std::unique_ptr<opj_codec_t, TCodecDeleter> codec(opj_create_compress(OPJ_CODEC_JP2));
  if (!codec) throw EJp2Error("Cannot create the JPEG 2000 encoder");
  if (!opj_setup_encoder(codec.get(), &parameters, image.get()))
    throw EJp2Error("Cannot set up the JPEG 2000 encoder");
  if (threads > 1 && opj_has_thread_support()) opj_codec_set_threads(codec.get(), threads);

  TOutput output;
  output.bytes.reserve(static_cast<size_t>(width) * height * 4);
  std::unique_ptr<opj_stream_t, TStreamDeleter> stream(
      opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_FALSE));
  if (!stream) throw EJp2Error("Cannot create the JPEG 2000 output stream");
  opj_stream_set_user_data(stream.get(), &output, nullptr);
  opj_stream_set_write_function(stream.get(), WriteOutput);
  opj_stream_set_skip_function(stream.get(), SkipOutput);
  opj_stream_set_seek_function(stream.get(), SeekOutput);

  bool ok = opj_start_compress(codec.get(), image.get(), stream.get()) &&
            opj_encode(codec.get(), stream.get()) && opj_end_compress(codec.get(), stream.get());
  if (!ok) throw EJp2Error("JPEG 2000 encoding failed");
  output.bytes.resize(output.position);
  return std::move(output.bytes);
}
