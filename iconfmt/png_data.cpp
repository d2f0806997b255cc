#include "iconfmt/png_data.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "imaging/bitmap.h"
#include "imaging/image_codec.h"
#include "imaging/straight_alpha.h"

// The file is put together here rather than by libpng's writer: an icon's picture is mostly
// transparent rows, and zlib takes as long over a run of zeros as over the model (5 of the
// 7 ms a 1024 x 1024 icon took). Long runs of transparent rows become deflate blocks made
// here, a few bytes for a thousand rows; the rows between go through zlib with the quick
// setting libpng's writer used (level 3, rows unfiltered).

namespace {

constexpr int kLevel = 3;
// Shorter runs of transparent rows between rows that show go through zlib with them: a
// block of their own would cut zlib's history.
constexpr size_t kLongZeroRun = 32 * 1024;
constexpr size_t kIdatChunk = 64 * 1024;
constexpr int kPngReadersLargestSide = 1000000;

[[noreturn]] void Fail(const std::string& why) {
  throw EImageError("Cannot encode PNG image: " + why);
}

void AppendBE32(std::vector<uint8_t>& out, uint32_t v) {
  out.insert(out.end(), {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
                         static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)});
}

void AppendChunk(std::vector<uint8_t>& out, const char (&type)[5], const uint8_t* data,
                 size_t size) {
  AppendBE32(out, static_cast<uint32_t>(size));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  if (size > 0) out.insert(out.end(), data, data + size);
  const uInt crc_length = static_cast<uInt>(out.size() - start);
  AppendBE32(out, static_cast<uint32_t>(crc32(0, out.data() + start, crc_length)));
}

// Deflate's bits, first bit in the lowest place of each byte.
class TBitWriter {
 public:
  explicit TBitWriter(std::vector<uint8_t>& out) : out_(out) {}
  void Put(uint32_t value, int count) {
    for (int i = 0; i < count; ++i) Bit((value >> i) & 1);
  }
  // A Huffman code goes out from its highest bit.
  void PutCode(uint32_t code, int length) {
    for (int i = length - 1; i >= 0; --i) Bit((code >> i) & 1);
  }
  void Align() {
    if (used_ > 0) out_.push_back(byte_);
    byte_ = 0;
    used_ = 0;
  }

 private:
  void Bit(uint32_t bit) {
    byte_ = static_cast<uint8_t>(byte_ | (bit << used_));
    if (++used_ == 8) Align();
  }
  std::vector<uint8_t>& out_;
  uint8_t byte_ = 0;
  int used_ = 0;
};

// Fixed Huffman codes (RFC 1951, 3.2.6).
constexpr uint32_t kLiteralZero = 0x30;  // 8 bits
constexpr uint32_t kLength258 = 0xC5;    // symbol 285, 8 bits, no extra bits
constexpr uint32_t kDistanceOne = 0;     // 5 bits, no extra bits
constexpr uint32_t kEndOfBlock = 0;      // symbol 256, 7 bits

// Blocks that make count (> 0) zero bytes: a literal 0 and copies of 258 bytes from one
// byte back, then an empty stored block, which ends on a byte as zlib's flushes do.
void AppendZeros(std::vector<uint8_t>& out, size_t count) {
  TBitWriter bits(out);
  bits.Put(0, 1);  // not the last block
  bits.Put(1, 2);  // fixed codes
  bits.PutCode(kLiteralZero, 8);
  size_t left = count - 1;
  for (; left >= 258; left -= 258) {
    bits.PutCode(kLength258, 8);
    bits.PutCode(kDistanceOne, 5);
  }
  for (; left > 0; --left) bits.PutCode(kLiteralZero, 8);
  bits.PutCode(kEndOfBlock, 7);
  bits.Put(0, 3);  // a stored block, not the last
  bits.Align();
  out.insert(out.end(), {0x00, 0x00, 0xFF, 0xFF});
}

// The stream's end: an empty last block.
void AppendLastBlock(std::vector<uint8_t>& out) {
  TBitWriter bits(out);
  bits.Put(1, 1);
  bits.Put(1, 2);
  bits.PutCode(kEndOfBlock, 7);
  bits.Align();
}

// The zlib stream of the rows: runs of zero bytes made here, the rest by zlib.
class TRowStream {
 public:
  TRowStream() {
    out_ = {0x78, 0x5E};  // deflate, 32 kB window; level 2 to 5
    if (deflateInit2(&z_, kLevel, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
      Fail("zlib cannot start");
    }
  }
  ~TRowStream() { deflateEnd(&z_); }
  TRowStream(const TRowStream&) = delete;
  TRowStream& operator=(const TRowStream&) = delete;

  void AddZeros(size_t count) { zeros_ += count; }

  void Add(const uint8_t* data, size_t size) {
    if (zeros_ >= kLongZeroRun) {
      // zlib's data so far ends on a byte and nothing later may refer back past the run.
      if (zlib_input_) Deflate(nullptr, 0, Z_FULL_FLUSH);
      EndZeroRun();
    } else {
      while (zeros_ > 0) {
        static const std::array<uint8_t, 4096> kZeros{};
        const size_t n = std::min(zeros_, kZeros.size());
        Deflate(kZeros.data(), n, Z_NO_FLUSH);
        zeros_ -= n;
      }
    }
    Deflate(data, size, Z_NO_FLUSH);
  }

  std::vector<uint8_t> Finish() {
    if (zlib_input_) Deflate(nullptr, 0, Z_FULL_FLUSH);
    if (zeros_ > 0) EndZeroRun();
    AppendLastBlock(out_);
    AppendBE32(out_, static_cast<uint32_t>(adler_));
    return std::move(out_);
  }

 private:
  void EndZeroRun() {
    AppendZeros(out_, zeros_);
    // The Adler-32 of n zeros is A = 1, B = n (mod 65521).
    const uLong run = ((zeros_ % 65521) << 16) | 1;
    adler_ = adler32_combine(adler_, run, static_cast<z_off_t>(zeros_));
    zeros_ = 0;
    zlib_input_ = false;
  }

  void Deflate(const uint8_t* data, size_t size, int flush) {
    if (size > 0) {
      adler_ = adler32_z(adler_, data, size);
      zlib_input_ = true;
    }
    z_.next_in = const_cast<Bytef*>(data);
    z_.avail_in = static_cast<uInt>(size);
    do {
      uint8_t buffer[16384];
      z_.next_out = buffer;
      z_.avail_out = sizeof buffer;
      if (deflate(&z_, flush) == Z_STREAM_ERROR) Fail("zlib failed");
      out_.insert(out_.end(), buffer, buffer + (sizeof buffer - z_.avail_out));
    } while (z_.avail_out == 0 || z_.avail_in > 0);
    if (flush == Z_FULL_FLUSH) zlib_input_ = false;
  }

  z_stream z_{};
  std::vector<uint8_t> out_;
  uLong adler_ = adler32(0, nullptr, 0);
  size_t zeros_ = 0;
  bool zlib_input_ = false;  // zlib holds data since its last flush
};

}  // namespace

std::vector<uint8_t> EncodePngData(const TpmBitmap& bitmap) {
  const int width = bitmap.Width(), height = bitmap.Height();
  if (width < 1 || height < 1) Fail("the image is empty");
  // libpng, which most readers use, refuses larger sides unless told otherwise.
  if (width > kPngReadersLargestSide || height > kPngReadersLargestSide) {
    Fail("a side above " + std::to_string(kPngReadersLargestSide) + " pixels");
  }
  TRowStream rows;
  std::vector<uint32_t> straight(static_cast<size_t>(width));
  std::vector<uint8_t> row(1 + static_cast<size_t>(width) * 4);  // filter 0, then R G B A
  const auto zero = [](uint32_t p) { return p == 0; };
  for (int y = 0; y < height; ++y) {
    // Transparent black stays so: most rows need no conversion.
    const uint32_t* source = bitmap.Scanline(y);
    if (std::all_of(source, source + width, zero)) {
      rows.AddZeros(row.size());
      continue;
    }
    ToStraightAlpha(source, straight.data(), straight.size());
    if (std::all_of(straight.begin(), straight.end(), zero)) {
      rows.AddZeros(row.size());
      continue;
    }
    uint8_t* out = row.data() + 1;
    for (uint32_t p : straight) {
      *out++ = static_cast<uint8_t>(p >> 16);
      *out++ = static_cast<uint8_t>(p >> 8);
      *out++ = static_cast<uint8_t>(p);
      *out++ = static_cast<uint8_t>(p >> 24);
    }
    rows.Add(row.data(), row.size());
  }
  const std::vector<uint8_t> idat = rows.Finish();

  std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  png.reserve(idat.size() + 128);
  std::vector<uint8_t> header;
  AppendBE32(header, static_cast<uint32_t>(width));
  AppendBE32(header, static_cast<uint32_t>(height));
  // 8 bits a channel, RGBA, deflate, the one filter method, not interlaced
  header.insert(header.end(), {8, 6, 0, 0, 0});
  AppendChunk(png, "IHDR", header.data(), header.size());
  const uint8_t perceptual = 0;
  AppendChunk(png, "sRGB", &perceptual, 1);
  for (size_t at = 0; at < idat.size(); at += kIdatChunk) {
    AppendChunk(png, "IDAT", idat.data() + at, std::min(kIdatChunk, idat.size() - at));
  }
  AppendChunk(png, "IEND", nullptr, 0);
  return png;
}
