// Mac OS X icon files (.icns): 16, 32, 48 and 128 pixel images as run-length packed
// 24-bit colour with an 8-bit mask each, and the 256 pixel image as lossless JPEG 2000.
// Every length in the file is a big-endian 32-bit value.
#pragma once

#include <string>

class TpmBitmap;
class TStream;

// Writes the previews to stream at its position. Previews whose size differs from their
// element's are drawn scaled. Raises EJp2Error when the 256 image cannot be encoded.
void WriteIcns(const TpmBitmap& image16, const TpmBitmap& image32, const TpmBitmap& image48,
               const TpmBitmap& image128, const TpmBitmap& image256, TStream& stream);

// Writes the previews as file_name, replacing an existing file only once the new one is
// complete; on any failure the target is left as it was and the error raised.
void WriteIcns(const TpmBitmap& image16, const TpmBitmap& image32, const TpmBitmap& image48,
               const TpmBitmap& image128, const TpmBitmap& image256, const std::string& file_name);
