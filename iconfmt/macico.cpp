#include "iconfmt/macico.h"

#include <cstring>
#include <future>
#include <map>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "core/stream.h"
#include "iconfmt/icns_packer.h"
#include "iconfmt/icon_file.h"
#include "iconfmt/icon_image.h"
#include "iconfmt/jp2_encoder.h"
#include "iconfmt/png_data.h"
#include "imaging/bitmap.h"

namespace {

void AppendBE32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void AppendType(std::vector<uint8_t>& out, const char (&type)[5]) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(type[i]));
}

void PutBE32(uint8_t* p, uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

// A packed colour element and its mask element for one image of size x size.
void AppendColourAndMask(std::vector<uint8_t>& out, const TpmBitmap& preview, int size,
                         const char (&colour_type)[5], const char (&mask_type)[5]) {
  std::vector<uint32_t> pixels = PrepareIconImage(preview, size);
  const size_t count = pixels.size();
  std::vector<uint8_t> plane(count);

  size_t start = out.size();
  AppendType(out, colour_type);
  AppendBE32(out, 0);  // length, filled in below
  // The 128 element alone carries four zero bytes before its planes.
  if (std::strcmp(colour_type, "it32") == 0) AppendBE32(out, 0);
  out.reserve(out.size() + 3 * PackedBound(count) + 8 + count);
  for (int shift : {16, 8, 0}) {  // red, green, blue planes, each packed on its own
    for (size_t i = 0; i < count; ++i) plane[i] = static_cast<uint8_t>(pixels[i] >> shift);
    PackChannel(plane.data(), count, out);
  }
  PutBE32(out.data() + start + 4, static_cast<uint32_t>(out.size() - start));

  AppendType(out, mask_type);
  AppendBE32(out, static_cast<uint32_t>(8 + count));
  for (size_t i = 0; i < count; ++i) out.push_back(static_cast<uint8_t>(pixels[i] >> 24));
}

void AppendJp2(std::vector<uint8_t>& out, const TpmBitmap& preview, int threads) {
  std::vector<uint32_t> pixels = PrepareIconImage(preview, 256);
  std::vector<uint8_t> jp2 = EncodeJp2(pixels.data(), 256, 256, threads);
  AppendType(out, "ic08");
  AppendBE32(out, static_cast<uint32_t>(8 + jp2.size()));
  out.insert(out.end(), jp2.begin(), jp2.end());
}

void CheckPngElements(const std::vector<TIcnsPngElement>& elements) {
  for (const TIcnsPngElement& element : elements) {
    if (element.Type.size() != 4 || !element.Image) {
      throw std::invalid_argument("an icns element needs a four-character type and an image");
    }
  }
}

// The PNG data of every distinct image of the elements. The largest image takes about as long
// as all the others together, so a second thread encodes it while the caller's thread builds
// the rest of the file: started at construction, collected (its error raised) by Take.
class TPngEncodings {
 public:
  explicit TPngEncodings(const std::vector<TIcnsPngElement>& elements) : elements_(elements) {
    for (const TIcnsPngElement& element : elements) {
      if (!largest_ || PixelCount(*element.Image) > PixelCount(*largest_)) largest_ = element.Image;
    }
    if (!largest_) return;
    const TpmBitmap* image = largest_;
    try {
      pending_ = std::async(std::launch::async, [image] { return EncodePngData(*image); });
    } catch (const std::system_error&) {
      largest_ = nullptr;  // no thread to be had: Take encodes it with the rest
    }
  }
  // Waits for the thread even when the caller's thread failed first: it reads the images.
  ~TPngEncodings() {
    if (pending_.valid()) pending_.wait();
  }
  TPngEncodings(const TPngEncodings&) = delete;
  TPngEncodings& operator=(const TPngEncodings&) = delete;

  // Encodes the other images here, then waits for the largest.
  std::map<const TpmBitmap*, std::vector<uint8_t>> Take() {
    std::map<const TpmBitmap*, std::vector<uint8_t>> encoded;
    for (const TIcnsPngElement& element : elements_) {
      if (element.Image != largest_ && !encoded.count(element.Image))
        encoded.emplace(element.Image, EncodePngData(*element.Image));
    }
    if (pending_.valid()) encoded.emplace(largest_, pending_.get());
    return encoded;
  }

 private:
  static size_t PixelCount(const TpmBitmap& image) {
    return static_cast<size_t>(image.Width()) * image.Height();
  }
  const std::vector<TIcnsPngElement>& elements_;
  const TpmBitmap* largest_ = nullptr;
  std::future<std::vector<uint8_t>> pending_;
};

void AppendPngElements(std::vector<uint8_t>& out, const std::vector<TIcnsPngElement>& elements,
                       TPngEncodings& encodings) {
  const auto encoded = encodings.Take();
  for (const TIcnsPngElement& element : elements) {
    const std::vector<uint8_t>& png = encoded.at(element.Image);
    out.insert(out.end(), element.Type.begin(), element.Type.end());
    AppendBE32(out, static_cast<uint32_t>(8 + png.size()));
    out.insert(out.end(), png.begin(), png.end());
  }
}

// The file: header, the preview elements, the PNG elements (encodings started by the caller).
void WriteFile(const std::vector<uint8_t>& preview_elements,
               const std::vector<TIcnsPngElement>& png_elements, TPngEncodings& encodings,
               TStream& stream) {
  std::vector<uint8_t> file;
  file.reserve(8 + preview_elements.size() + 256 * 1024);
  AppendType(file, "icns");
  AppendBE32(file, 0);  // total length, filled in below
  file.insert(file.end(), preview_elements.begin(), preview_elements.end());
  AppendPngElements(file, png_elements, encodings);
  PutBE32(file.data() + 4, static_cast<uint32_t>(file.size()));
  stream.WriteBuffer(file.data(), file.size());
}

}  // namespace

void WriteIcns(const TpmBitmap& image16, const TpmBitmap& image32, const TpmBitmap& image48,
               const TpmBitmap& image128, const TpmBitmap& image256, TStream& stream) {
  WriteIcns(image16, image32, image48, image128, image256, {}, stream);
}

std::vector<uint8_t> IcnsPreviewElements(const TpmBitmap& image16, const TpmBitmap& image32,
                                         const TpmBitmap& image48, const TpmBitmap& image128,
                                         const TpmBitmap& image256, int jp2_threads) {
  std::vector<uint8_t> out;
  out.reserve(64 * 1024);
  AppendColourAndMask(out, image16, 16, "is32", "s8mk");
  AppendColourAndMask(out, image32, 32, "il32", "l8mk");
  AppendColourAndMask(out, image48, 48, "ih32", "h8mk");
  AppendColourAndMask(out, image128, 128, "it32", "t8mk");
  AppendJp2(out, image256, jp2_threads);
  return out;
}

void WriteIcns(const TpmBitmap& image16, const TpmBitmap& image32, const TpmBitmap& image48,
               const TpmBitmap& image128, const TpmBitmap& image256,
               const std::vector<TIcnsPngElement>& png_elements, TStream& stream) {
  CheckPngElements(png_elements);
  TPngEncodings encodings(png_elements);  // runs while the preview elements are made
  WriteFile(IcnsPreviewElements(image16, image32, image48, image128, image256), png_elements,
            encodings, stream);
}

void WriteIcns(const std::vector<uint8_t>& preview_elements,
               const std::vector<TIcnsPngElement>& png_elements, TStream& stream) {
  CheckPngElements(png_elements);
  TPngEncodings encodings(png_elements);
  WriteFile(preview_elements, png_elements, encodings, stream);
}

void WriteIcns(const std::vector<uint8_t>& preview_elements,
               const std::vector<TIcnsPngElement>& png_elements, const std::string& file_name) {
  TMemoryStream stream;
  WriteIcns(preview_elements, png_elements, stream);
  SaveIconFile(file_name, stream.Bytes());
}

void WriteIcns(const TpmBitmap& image16, const TpmBitmap& image32, const TpmBitmap& image48,
               const TpmBitmap& image128, const TpmBitmap& image256, const std::string& file_name) {
  TMemoryStream stream;
  WriteIcns(image16, image32, image48, image128, image256, stream);
  SaveIconFile(file_name, stream.Bytes());
}

void WriteIcns(const TpmBitmap& image16, const TpmBitmap& image32, const TpmBitmap& image48,
               const TpmBitmap& image128, const TpmBitmap& image256,
               const std::vector<TIcnsPngElement>& png_elements, const std::string& file_name) {
  TMemoryStream stream;
  WriteIcns(image16, image32, image48, image128, image256, png_elements, stream);
  SaveIconFile(file_name, stream.Bytes());
}
