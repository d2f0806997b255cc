#include "iconfmt/icns_packer.h"

#include <algorithm>

size_t CountRepeat(const uint8_t* p, size_t remaining) {
  size_t r = 1;
  while (r < remaining && p[r] == p[0]) ++r;
  return r;
}

ptrdiff_t CountLiteral(const uint8_t* p, size_t remaining) {
  if (remaining == 1) return 1;
  int equal_pairs = 0;
  for (size_t k = 1; k < remaining; ++k) {
    equal_pairs = p[k - 1] == p[k] ? equal_pairs + 1 : 0;
    if (equal_pairs == 3) return static_cast<ptrdiff_t>(k) - 4;
  }
  return static_cast<ptrdiff_t>(remaining) - 1;
}

size_t PackChannel(const uint8_t* source, size_t count, std::vector<uint8_t>& out) {
  size_t start = out.size();
  const uint8_t* p = source;
  size_t remaining = count;
  while (remaining > 0) {
    // Both scans look no further than a packet can reach, so long planes pack in linear
    // time; 132 bytes are enough for the literal scan to give the same capped length as a
    // scan of the whole rest.
    size_t r = CountRepeat(p, std::min<size_t>(remaining, 130));
    size_t step;
    if (r >= 3) {
      out.push_back(static_cast<uint8_t>(r + 125));
      out.push_back(p[0]);
      step = r;
    } else {
      ptrdiff_t l = std::min<ptrdiff_t>(CountLiteral(p, std::min<size_t>(remaining, 132)), 128);
      step = l >= 1 ? static_cast<size_t>(l) : r;
      out.push_back(static_cast<uint8_t>(step - 1));
      out.insert(out.end(), p, p + step);
    }
    p += step;
    remaining -= step;
  }
  return out.size() - start;
}
