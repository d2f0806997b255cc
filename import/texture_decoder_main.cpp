// facetmint-texture-decoder: decodes the texture images of a model load, one request after
// another (import/texture_decode_protocol.h). Facetmint runs it as a guarded child process
// (import/texture_decoder.h), so that a crash, hang or memory blow-up inside an image library
// ends this process only. Exit status: 0 at the end of input, 1 on a broken request or a
// failed write, 2 usage.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "imaging/image_codec.h"
#include "import/texture_decode_protocol.h"
#include "platform/whole_transfer.h"

namespace {

bool Answer(int fd, uint32_t status, const TRasterImage* image, std::string message) {
  message.resize(std::min<size_t>(message.size(), kMaxTextureMessage));
  TTextureAnswer answer;
  answer.Status = status;
  answer.Width = image ? image->width : 0;
  answer.Height = image ? image->height : 0;
  answer.MessageSize = static_cast<uint32_t>(message.size());
  return WriteWhole(fd, &answer, sizeof answer) && WriteWhole(fd, message.data(), message.size()) &&
         (!image || WriteWhole(fd, image->pixels.data(), image->pixels.size() * 4));
}

bool Serve(const TTextureRequest& request, const std::vector<uint8_t>& payload, int out) {
  try {
    TRasterImage image;
    if (request.Kind == kTextureFromFile) {
      const std::string path(payload.begin(), payload.end());
      image = DecodeImageFileFitting(path, TAlphaForm::Straight, request.MaxSide);
    } else {
      image =
          DecodeImageFitting(payload.data(), payload.size(), TAlphaForm::Straight, request.MaxSide);
    }
    if (image.width <= 0 || image.height <= 0 ||
        image.pixels.size() != static_cast<size_t>(image.width) * image.height) {
      return Answer(out, kTextureNotAnImage, nullptr, "no pixels");
    }
    return Answer(out, kTextureDecoded, &image, "");
  } catch (const EImageError& e) {
    return Answer(out, kTextureNotAnImage, nullptr, e.what());
  } catch (const std::bad_alloc&) {
    return Answer(out, kTextureFailed, nullptr, "out of memory");
  } catch (const std::exception& e) {
    return Answer(out, kTextureFailed, nullptr, e.what());
  }
}

}  // namespace

int main(int argc, char**) {
  if (argc != 1) {
    std::fputs("usage: facetmint-texture-decoder (requests on standard input)\n", stderr);
    return 2;
  }
  // The answers get a descriptor of their own; anything a library prints on standard
  // output goes to standard error instead of into the pixels.
  const int out = ::dup(1);
  if (out < 0 || ::dup2(2, 1) < 0) return 1;
  TTextureRequest request;
  std::vector<uint8_t> payload;
  while (ReadWhole(0, &request, sizeof request)) {
    const bool file = request.Kind == kTextureFromFile;
    if ((!file && request.Kind != kTextureFromData) || request.MaxSide < 1 ||
        request.Size > (file ? kMaxTexturePath : MaxEncodedBytes())) {
      std::fputs("a malformed request\n", stderr);
      return 1;
    }
    payload.assign(request.Size, 0);
    if (!ReadWhole(0, payload.data(), payload.size())) return 1;
    if (!Serve(request, payload, out)) return 1;
  }
  return 0;
}
