#include "iconfmt/icns_packer.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Pack(const Bytes& input) {
  Bytes out;
  size_t n = PackChannel(input.data(), input.size(), out);
  EXPECT_EQ(n, out.size());
  return out;
}

// What any reader of the format does with the packets.
Bytes Unpack(const Bytes& packed) {
  Bytes out;
  size_t i = 0;
  while (i < packed.size()) {
    uint8_t h = packed[i++];
    if (h < 128) {
      out.insert(out.end(), packed.begin() + i, packed.begin() + i + h + 1);
      i += h + 1;
    } else {
      out.insert(out.end(), h - 125, packed[i++]);
    }
  }
  return out;
}

Bytes Range(int first, int count) {
  Bytes out;
  for (int i = 0; i < count; ++i) out.push_back(static_cast<uint8_t>(first + i));
  return out;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(IcnsPacker, PacksTheReferenceInputsByteForByte) {
  struct Case {
    Bytes input, packed;
  };
  const std::vector<Case> cases = {
      {{0x07}, {0x00, 0x07}},
      {{0x01, 0x02}, {0x00, 0x01, 0x00, 0x02}},
      {{0x05, 0x05, 0x05}, {0x80, 0x05}},
      {{0x01, 0x01, 0x02, 0x03}, {0x02, 0x01, 0x01, 0x02, 0x00, 0x03}},
      {{0x09, 0x09, 0x01, 0x01, 0x01, 0x01}, {0x00, 0x09, 0x00, 0x09, 0x81, 0x01}},
      {{0x01, 0x02, 0x03, 0x03, 0x03, 0x03, 0x03, 0x04},
       {0x00, 0x01, 0x00, 0x02, 0x82, 0x03, 0x00, 0x04}},
      {Bytes(256, 0x00), {0xFF, 0x00, 0xFB, 0x00}},
      {Range(0, 200), Concat({{0x7F}, Range(0, 128), {0x46}, Range(0x80, 71), {0x00, 0xC7}})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.input));
    EXPECT_EQ(Pack(c.input), c.packed);
  }
}

TEST(IcnsPacker, CountsRepeatsAndLiteralsAsThePacketsNeedThem) {
  const Bytes same = {4, 4, 4, 4, 4};
  EXPECT_EQ(CountRepeat(same.data(), 5), 5u);
  EXPECT_EQ(CountRepeat(same.data(), 3), 3u);  // never past the remaining bytes
  const Bytes mixed = {1, 2, 2, 2, 2, 3};
  EXPECT_EQ(CountRepeat(mixed.data(), 6), 1u);
  // A run of four starting at index 1 ends the literal before it: length 0.
  EXPECT_EQ(CountLiteral(mixed.data(), 6), 0);
  // A run of four at the very start gives a negative length.
  EXPECT_EQ(CountLiteral(same.data(), 5), -1);
  // Without a run of four the last byte is left over, unless it is the only one.
  const Bytes plain = {1, 2, 3, 3, 3};
  EXPECT_EQ(CountLiteral(plain.data(), 5), 4);
  EXPECT_EQ(CountLiteral(plain.data(), 1), 1);
}

TEST(IcnsPacker, PacketsNeverExceedTheirLimits) {
  // 131 equal bytes: a full repeat packet of 130 and a literal of the last one.
  EXPECT_EQ(Pack(Bytes(131, 9)), (Bytes{0xFF, 9, 0x00, 9}));
  // 132: 130 and a final pair written as a literal of... the pair is below a repeat.
  EXPECT_EQ(Pack(Bytes(132, 9)), (Bytes{0xFF, 9, 0x00, 9, 0x00, 9}));
  // 133: 130 and a repeat of 3.
  EXPECT_EQ(Pack(Bytes(133, 9)), (Bytes{0xFF, 9, 0x80, 9}));
}

// The packing as a direct reading of its rules, scanning the whole rest each time; the
// packer limits its scans and must give the same bytes.
Bytes ReferencePack(const Bytes& in) {
  Bytes out;
  size_t pos = 0;
  while (pos < in.size()) {
    size_t remaining = in.size() - pos;
    size_t r = 1;
    while (r < remaining && in[pos + r] == in[pos]) ++r;
    r = std::min<size_t>(r, 130);
    ptrdiff_t l = static_cast<ptrdiff_t>(remaining) - 1;
    if (remaining == 1) l = 1;
    int e = 0;
    for (size_t k = 1; k < remaining; ++k) {
      e = in[pos + k - 1] == in[pos + k] ? e + 1 : 0;
      if (e == 3) {
        l = static_cast<ptrdiff_t>(k) - 4;
        break;
      }
    }
    l = std::min<ptrdiff_t>(l, 128);
    size_t step;
    if (r >= 3) {
      out.push_back(static_cast<uint8_t>(r + 125));
      out.push_back(in[pos]);
      step = r;
    } else {
      step = l >= 1 ? static_cast<size_t>(l) : r;
      out.push_back(static_cast<uint8_t>(step - 1));
      out.insert(out.end(), in.begin() + pos, in.begin() + pos + step);
    }
    pos += step;
  }
  return out;
}

TEST(IcnsPacker, RandomPlanesRoundTripWithinTheBoundAndMatchTheRules) {
  std::mt19937 rng(1234);
  for (int trial = 0; trial < 400; ++trial) {
    size_t count = 1 + rng() % 3000;
    // Few distinct values and runs of varying length, like the planes of an icon.
    int alphabet = 1 + trial % 5;
    Bytes in;
    while (in.size() < count) {
      uint8_t v = static_cast<uint8_t>(rng() % alphabet * 60);
      size_t run = rng() % 4 == 0 ? rng() % 300 : 1 + rng() % 3;
      for (size_t i = 0; i < run && in.size() < count; ++i) in.push_back(v);
    }
    Bytes packed = Pack(in);
    ASSERT_EQ(Unpack(packed), in) << "trial " << trial;
    ASSERT_LE(packed.size(), PackedBound(count)) << "trial " << trial;
    ASSERT_EQ(packed, ReferencePack(in)) << "trial " << trial;
  }
}

TEST(IcnsPacker, WorstCasePlaneStaysWithinItsBound) {
  // No two neighbours equal: all literals, the most overhead the packer can add.
  Bytes in(16384);
  for (size_t i = 0; i < in.size(); ++i) in[i] = static_cast<uint8_t>(i * 7 + (i >> 8));
  for (size_t i = 1; i < in.size(); ++i)
    if (in[i] == in[i - 1]) in[i] ^= 1;
  Bytes packed = Pack(in);
  EXPECT_EQ(Unpack(packed), in);
  EXPECT_LE(packed.size(), 16513u);
}

}  // namespace
