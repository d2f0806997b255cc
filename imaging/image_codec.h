// The image codecs behind TpmFilter: decoding BMP, JPEG, PNG, TIFF, GIF, ICO and TGA bytes
// into 32-bit pixels and encoding pixels as BMP, JPEG, PNG, TIFF and GIF. The 2D side wants
// premultiplied colour (TpmBitmap); textures for the 3D side want straight colour, so the
// caller picks the form of the result.
//
// Every decoder checks the data it is given and raises EImageError for anything it cannot
// decode; it never reads outside the buffer and never allocates more than the pixel limit
// allows, whatever a header claims.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/alpha_form.h"

// Raised for data no decoder accepts, images over the size limit and encoder failures.
class EImageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A decoded image: width x height pixels 0xAARRGGBB, rows top first, no padding.
struct TRasterImage {
  int32_t width = 0;
  int32_t height = 0;
  TAlphaForm form = TAlphaForm::Straight;
  std::vector<uint32_t> pixels;

  uint32_t* Row(int32_t y) { return pixels.data() + static_cast<size_t>(y) * width; }
  const uint32_t* Row(int32_t y) const { return pixels.data() + static_cast<size_t>(y) * width; }
};

enum class TImageFormat { Unknown, Bmp, Jpeg, Png, Tiff, Gif, Ico, Tga };

// Limits every decoder obeys: no side above kMaxImageSide and no more pixels than
// MaxImagePixels() (256 MiB of 32-bit pixels unless lowered, e.g. by a fuzzer).
constexpr int32_t kMaxImageSide = 16384;
// No encoded image is read beyond this many bytes: 16 per pixel of the limit (far more than
// any format needs) plus 16 MiB for headers and metadata.
size_t MaxEncodedBytes();
size_t MaxImagePixels();
void SetMaxImagePixels(size_t count);

// Raises EImageError when the size is below 1 or over the limits.
void CheckImageSize(int64_t width, int64_t height);
// A zeroed image of that size in that form; raises EImageError when the size is below 1 or
// over the limits.
TRasterImage AllocateRaster(int64_t width, int64_t height, TAlphaForm form);

// The format the bytes carry, told by their signature; TGA, which has none, is recognised
// by a header whose fields are all consistent (no other format's signature passes that).
TImageFormat DetectImageFormat(const uint8_t* data, size_t size);
// The format an encoder is chosen by: the file name's extension, in any case (".jpg",
// ".jpeg", ".bmp", ".png", ".tif", ".tiff", ".gif"); Unknown for anything else.
TImageFormat EncoderFormatForFileName(const std::string& file_name);

// Decodes an image (the first frame or the best icon entry) into the requested form.
TRasterImage DecodeImage(const uint8_t* data, size_t size, TAlphaForm form);
// Reads and decodes a whole file; a file that cannot be read raises EStreamError, one
// longer than MaxEncodedBytes() EImageError.
TRasterImage DecodeImageFile(const std::string& file_name, TAlphaForm form);

// Converts between the two forms in place: premultiplying rounds c * a / 255 to nearest,
// straightening rounds c * 255 / a (half to even) and clamps to 255. A valid premultiplied
// image survives the trip to straight and back unchanged.
void ConvertAlphaForm(TRasterImage& image, TAlphaForm form);
uint32_t PremultiplyPixel(uint32_t straight);

// Encoders take pixels in either form and write what the format stores: straight colour
// with alpha for PNG, BMP, TIFF; colour without alpha for JPEG; a palette with one
// transparent entry for GIF. quality (0..100) matters to JPEG only.
struct TEncodeOptions {
  int quality = 75;
  bool fast = false;  // PNG: quicker, slightly larger files
};
std::vector<uint8_t> EncodeImage(const TRasterImage& image, TImageFormat format,
                                 const TEncodeOptions& options = {});

// Turns the image clockwise by quarter turns (any integer; taken modulo 4).
void RotateQuarterTurns(TRasterImage& image, int quarter_turns);
// Turns the image clockwise by degrees about its centre into the truncated size of the
// rotated bounding box, sampling bilinearly; corners outside the image become transparent.
TRasterImage RotateFree(const TRasterImage& image, double degrees);
// Resamples to the new size by averaging the covered area of the source (for reductions;
// enlarging falls back to nearest sampling of those areas).
TRasterImage ResizeArea(const TRasterImage& image, int32_t width, int32_t height);

// The size width x height takes to fit within max_side on both sides: unchanged when it
// fits, else the longer side becomes max_side and the shorter its share, rounded, at least 1.
void FitWithinSide(int32_t& width, int32_t& height, int32_t max_side);
// Decodes like DecodeImage, but an image larger than max_side on a side arrives reduced to
// fit (FitWithinSide) by averaging the covered areas of premultiplied colour. JPEG is decoded
// at a reduced scale and PNG reduced row by row, so neither is held at its full size.
TRasterImage DecodeImageFitting(const uint8_t* data, size_t size, TAlphaForm form,
                                int32_t max_side);
TRasterImage DecodeImageFileFitting(const std::string& file_name, TAlphaForm form,
                                    int32_t max_side);

// Reduces an image that arrives row by row, top first, to a size no larger on either axis,
// averaging the covered areas of premultiplied colour like ResizeArea. Only the result and
// a few rows of sums are held.
class TRowReducer {
 public:
  TRowReducer(int32_t source_width, int32_t source_height, int32_t width, int32_t height);
  ~TRowReducer();
  TRowReducer(const TRowReducer&) = delete;
  TRowReducer& operator=(const TRowReducer&) = delete;
  // The next source row: source_width straight pixels 0xAARRGGBB.
  void AddRow(const uint32_t* straight);
  // The result in the given form, once every source row has been added.
  TRasterImage Finish(TAlphaForm form);

 private:
  struct TState;
  std::unique_ptr<TState> state_;
};

// Decoders and encoders of single formats (used by DecodeImage / EncodeImage).
namespace imagecodec {
inline uint16_t Le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t Le32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

TRasterImage DecodePng(const uint8_t* data, size_t size);
// max_side > 0: a larger image is decoded at the smallest of libjpeg's scales (n / 8) that
// still covers the size it must fit (FitWithinSide); the caller reduces the rest.
TRasterImage DecodeJpeg(const uint8_t* data, size_t size, int32_t max_side = 0);
// The image fitted within max_side (FitWithinSide), reduced row by row as it is decoded.
TRasterImage DecodePngFitting(const uint8_t* data, size_t size, int32_t max_side);
TRasterImage DecodeBmp(const uint8_t* data, size_t size);
// A device-independent bitmap without its file header; in an icon the height counts the
// colour rows and the transparency mask rows, and 32-bit pixels carry alpha.
TRasterImage DecodeDib(const uint8_t* data, size_t size, bool icon);
TRasterImage DecodeTiff(const uint8_t* data, size_t size);
TRasterImage DecodeGif(const uint8_t* data, size_t size);
TRasterImage DecodeIco(const uint8_t* data, size_t size);
TRasterImage DecodeTga(const uint8_t* data, size_t size);
bool LooksLikeTga(const uint8_t* data, size_t size);

// Encoders get straight pixels.
// fast trades some compression for speed (libpng's PNG_IMAGE_FLAG_FAST).
std::vector<uint8_t> EncodePng(const TRasterImage& straight, bool fast = false);
std::vector<uint8_t> EncodeJpeg(const TRasterImage& straight, int quality);
std::vector<uint8_t> EncodeBmp(const TRasterImage& straight);
std::vector<uint8_t> EncodeTiff(const TRasterImage& straight);
std::vector<uint8_t> EncodeGif(const TRasterImage& straight);
}  // namespace imagecodec
