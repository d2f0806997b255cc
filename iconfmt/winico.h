// Windows icon files (.ico): six 32-bit images with alpha, 16 to 256 pixels square, each
// a bottom-up device-independent bitmap followed by its 1-bit transparency mask. The
// layout depends only on the six fixed sizes: the file is always 370070 bytes.
#pragma once

#include <cstdint>
#include <string>

class TpmBitmap;
class TStream;

// Size of every file WriteIco produces.
constexpr int64_t kIcoFileSize = 370070;

// Writes the previews to stream at its position. Previews whose size differs from their
// image's are drawn scaled.
void WriteIco(const TpmBitmap& image16, const TpmBitmap& image32, const TpmBitmap& image48,
              const TpmBitmap& image64, const TpmBitmap& image128, const TpmBitmap& image256,
              TStream& stream);

// Writes the previews as file_name, replacing an existing file only once the new one is
// complete; raises EStreamError (the target left as it was) when that fails.
void WriteIco(const TpmBitmap& image16, const TpmBitmap& image32, const TpmBitmap& image48,
              const TpmBitmap& image64, const TpmBitmap& image128, const TpmBitmap& image256,
              const std::string& file_name);
