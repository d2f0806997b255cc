#include "iconfmt/winico.h"

#include <array>
#include <vector>

#include "core/stream.h"
#include "iconfmt/icon_file.h"
#include "iconfmt/icon_image.h"
#include "imaging/bitmap.h"

namespace {

constexpr int kImageCount = 6;
constexpr size_t kHeaderSize = 6;
constexpr size_t kEntrySize = 16;
constexpr size_t kInfoHeaderSize = 40;

// Image sizes in directory order. The order is fixed (not sorted by size) because every
// offset of the file follows from it.
constexpr std::array<int, kImageCount> kSizes = {32, 48, 64, 128, 256, 16};

void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Rows of the 1-bit transparency mask are padded to whole 32-bit words.
size_t MaskRowBytes(int size) {
  return static_cast<size_t>(size + 31) / 32 * 4;
}

// Colour rows plus mask rows: readers such as icotool reject an image whose mask is
// missing, since the header's doubled height announces it.
uint32_t ResourceBytes(int size) {
  return static_cast<uint32_t>(kInfoHeaderSize + static_cast<size_t>(size) * size * 4 +
                               MaskRowBytes(size) * size);
}

}  // namespace

void WriteIco(const TpmBitmap& image16, const TpmBitmap& image32, const TpmBitmap& image48,
              const TpmBitmap& image64, const TpmBitmap& image128, const TpmBitmap& image256,
              TStream& stream) {
  const std::array<const TpmBitmap*, kImageCount> sources = {&image32,  &image48,  &image64,
                                                             &image128, &image256, &image16};
  // The whole file is built in memory and handed to the stream in one write.
  std::vector<uint8_t> file(static_cast<size_t>(kIcoFileSize), 0);
  uint8_t* header = file.data();
  Put16(header + 2, 1);  // resource type: icon
  Put16(header + 4, kImageCount);

  uint32_t offset = kHeaderSize + kImageCount * kEntrySize;
  for (int k = 0; k < kImageCount; ++k) {
    int size = kSizes[k];
    uint8_t* entry = file.data() + kHeaderSize + k * kEntrySize;
    entry[0] = entry[1] = static_cast<uint8_t>(size == 256 ? 0 : size);
    Put16(entry + 4, 1);   // planes
    Put16(entry + 6, 32);  // bits per pixel
    Put32(entry + 8, ResourceBytes(size));
    Put32(entry + 12, offset);

    uint8_t* info = file.data() + offset;
    Put32(info + 0, kInfoHeaderSize);
    Put32(info + 4, static_cast<uint32_t>(size));
    Put32(info + 8, static_cast<uint32_t>(2 * size));  // colour rows plus mask rows
    Put16(info + 12, 1);
    Put16(info + 14, 32);
    Put32(info + 20, static_cast<uint32_t>(size * size * 4));

    std::vector<uint32_t> pixels = PrepareIconImage(*sources[k], size);
    uint8_t* rows = info + kInfoHeaderSize;
    const size_t row_bytes = static_cast<size_t>(size) * 4;
    for (int y = 0; y < size; ++y) {  // bottom row first; bytes B, G, R, A
      const uint32_t* row = pixels.data() + static_cast<size_t>(size - 1 - y) * size;
      uint8_t* out = rows + y * row_bytes;
      for (int x = 0; x < size; ++x) Put32(out + 4 * x, row[x]);
    }
    // The mask, bottom row first like the colour rows: a set bit (most significant bit
    // first) marks a fully transparent pixel for readers that ignore alpha.
    uint8_t* mask = rows + static_cast<size_t>(size) * row_bytes;
    const size_t mask_row_bytes = MaskRowBytes(size);
    for (int y = 0; y < size; ++y) {
      const uint32_t* row = pixels.data() + static_cast<size_t>(size - 1 - y) * size;
      uint8_t* out = mask + y * mask_row_bytes;
      for (int x = 0; x < size; ++x)
        if ((row[x] >> 24) == 0) out[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
    offset += ResourceBytes(size);
  }
  stream.WriteBuffer(file.data(), file.size());
}

void WriteIco(const TpmBitmap& image16, const TpmBitmap& image32, const TpmBitmap& image48,
              const TpmBitmap& image64, const TpmBitmap& image128, const TpmBitmap& image256,
              const std::string& file_name) {
  TMemoryStream stream;
  WriteIco(image16, image32, image48, image64, image128, image256, stream);
  SaveIconFile(file_name, stream.Bytes());
}
