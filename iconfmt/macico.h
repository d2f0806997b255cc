// Mac OS X icon files (.icns): 16, 32, 48 and 128 pixel images as run-length packed
// 24-bit colour with an 8-bit mask each, and the 256 pixel image as lossless JPEG 2000.
// Every length in the file is a big-endian 32-bit value.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "iconfmt/jp2_encoder.h"

class TpmBitmap;
class TStream;

// An element stored as a PNG image, the form macOS reads since 10.7 for the types "ic09"
// (512), "ic10" (1024, 512@2x), "ic11" (32, 16@2x), "ic12" (64, 32@2x), "ic13" (256,
// 128@2x) and "ic14" (512, 256@2x). The image is stored at its own size.
struct TIcnsPngElement {
  std::string Type;  // four characters
  const TpmBitmap* Image = nullptr;
};

// Writes the previews to stream at its position. Previews whose size differs from their
// element's are drawn scaled. Raises EJp2Error when the 256 image cannot be encoded.
void WriteIcns(const TpmBitmap& image16, const TpmBitmap& image32, const TpmBitmap& image48,
               const TpmBitmap& image128, const TpmBitmap& image256, TStream& stream);

// The same nine elements, then the PNG elements in the order given; the header's length
// covers them all. An image given for several elements is encoded once; the largest on a
// second thread while the rest of the file is built (its failure is raised here alike).
void WriteIcns(const TpmBitmap& image16, const TpmBitmap& image32, const TpmBitmap& image48,
               const TpmBitmap& image128, const TpmBitmap& image256,
               const std::vector<TIcnsPngElement>& png_elements, TStream& stream);

// The nine elements of the previews, as they follow the file header: made apart so that a
// caller can have them encoded (the JPEG 2000 image takes a while) while it makes the images
// of the PNG elements. jp2_threads as EncodeJp2's threads (the bytes are the same).
std::vector<uint8_t> IcnsPreviewElements(const TpmBitmap& image16, const TpmBitmap& image32,
                                         const TpmBitmap& image48, const TpmBitmap& image128,
                                         const TpmBitmap& image256,
                                         int jp2_threads = DefaultJp2Threads());
// The file of those elements followed by the PNG elements, as the writers above make it.
void WriteIcns(const std::vector<uint8_t>& preview_elements,
               const std::vector<TIcnsPngElement>& png_elements, TStream& stream);
void WriteIcns(const std::vector<uint8_t>& preview_elements,
               const std::vector<TIcnsPngElement>& png_elements, const std::string& file_name);

// Writes the previews as file_name, replacing an existing file only once the new one is
// complete; on any failure the target is left as it was and the error raised.
void WriteIcns(const TpmBitmap& image16, const TpmBitmap& image32, const TpmBitmap& image48,
               const TpmBitmap& image128, const TpmBitmap& image256, const std::string& file_name);
void WriteIcns(const TpmBitmap& image16, const TpmBitmap& image32, const TpmBitmap& image48,
               const TpmBitmap& image128, const TpmBitmap& image256,
               const std::vector<TIcnsPngElement>& png_elements, const std::string& file_name);
