// Windows icons and cursors: the largest, deepest image of the directory, stored either as
// PNG or as a device-independent bitmap with a transparency mask.
#include <algorithm>
#include <cstring>

#include "imaging/image_codec.h"

using imagecodec::Le16;
using imagecodec::Le32;

namespace {

struct TIconEntry {
  uint32_t area;
  uint32_t bits;
  uint32_t size;
  uint32_t offset;
};

}  // namespace

namespace imagecodec {

TRasterImage DecodeIco(const uint8_t* data, size_t size) {
  if (size < 6) throw EImageError("Invalid icon: header is truncated");
  const uint16_t count = Le16(data + 4);
  if (count == 0 || 6 + size_t{count} * 16 > size)
    throw EImageError("Invalid icon: directory is truncated");
  std::vector<TIconEntry> entries;
  for (uint16_t i = 0; i < count; ++i) {
    const uint8_t* e = data + 6 + i * 16;
    uint32_t w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256;  // 0 stands for 256
    TIconEntry entry{w * h, Le16(e + 6), Le32(e + 8), Le32(e + 12)};
    if (entry.offset < 6 || entry.offset >= size || entry.size == 0) continue;
    entry.size = static_cast<uint32_t>(std::min<uint64_t>(entry.size, size - entry.offset));
    entries.push_back(entry);
  }
  std::stable_sort(entries.begin(), entries.end(), [](const TIconEntry& a, const TIconEntry& b) {
    return a.area != b.area ? a.area > b.area : a.bits > b.bits;
  });
  // The best entry that decodes wins; a damaged one does not spoil the rest.
  std::string reason = "no image in the directory";
  for (const TIconEntry& entry : entries) {
    const uint8_t* p = data + entry.offset;
    try {
      if (entry.size >= 8 && std::memcmp(p, "\x89PNG\r\n\x1a\n", 8) == 0)
        return DecodePng(p, entry.size);
      return DecodeDib(p, entry.size, true);
    } catch (const EImageError& e) {
      reason = e.what();
    }
  }
  throw EImageError("Invalid icon: " + reason);
}

}  // namespace imagecodec
