#include "imaging/bitmap.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "imaging/canvas.h"

TpmBitmap::TpmBitmap(int32_t width, int32_t height) {
  Allocate(width, height);
}

TpmBitmap::~TpmBitmap() {
  ReleaseBlock();
}

void TpmBitmap::ReleaseBlock() {
  if (OnRelease) OnRelease(*this);
  auto handlers = std::move(release_handlers_);
  release_handlers_.clear();
  for (auto& entry : handlers) entry.second(*this);
  canvas_.reset();
  pixels_.reset();
}

void TpmBitmap::Allocate(int32_t width, int32_t height) {
  ReleaseBlock();
  width_ = std::max(width, 1);
  height_ = std::max(height, 1);
  // calloc hands large blocks over as fresh zero pages, touched only where drawn: a frame
  // that is read back into the bitmap is then written once instead of cleared first.
  const size_t count = static_cast<size_t>(width_) * height_;
  pixels_.reset(static_cast<uint32_t*>(std::calloc(count, sizeof(uint32_t))));
  if (!pixels_) throw std::bad_alloc();
}

void TpmBitmap::SetSize(int32_t width, int32_t height) {
  if (width == width_ && height == height_ && pixels_) return;
  Allocate(width, height);
}

void TpmBitmap::Clear(uint32_t color) {
  std::fill_n(pixels_.get(), static_cast<size_t>(width_) * height_, color);
}

uint32_t* TpmBitmap::Scanline(int32_t row) {
  if (row < 0 || row >= height_ || !pixels_) return nullptr;
  return pixels_.get() + static_cast<size_t>(row) * width_;
}

const uint32_t* TpmBitmap::Scanline(int32_t row) const {
  return const_cast<TpmBitmap*>(this)->Scanline(row);
}

void TpmBitmap::Assign(const TpmBitmap& source) {
  if (&source == this) return;
  SetSize(source.Width(), source.Height());
  std::memcpy(pixels_.get(), source.Pixels(), ByteSize());
  NotifyChange();
}

int TpmBitmap::AddReleaseHandler(std::function<void(TpmBitmap&)> handler) {
  const int id = next_handler_id_++;
  release_handlers_.emplace_back(id, std::move(handler));
  return id;
}

void TpmBitmap::RemoveReleaseHandler(int id) {
  std::erase_if(release_handlers_, [id](const auto& entry) { return entry.first == id; });
}

TpmCanvas& TpmBitmap::Canvas() {
  if (!canvas_) canvas_ = DefaultCanvasClass().CreateFromBitmap(*this);
  return *canvas_;
}

std::string ColorToString(uint32_t color) {
  char text[10];
  std::snprintf(text, sizeof text, "#%08X", color);
  return text;
}

uint32_t StringToColor(const std::string& text) {
  if (!text.empty() && text[0] == '#') {
    uint32_t value = 0;
    size_t digits = 0;
    for (size_t i = 1; i < text.size(); ++i) {
      char c = text[i];
      uint32_t d;
      if (c >= '0' && c <= '9')
        d = c - '0';
      else if (c >= 'a' && c <= 'f')
        d = c - 'a' + 10;
      else if (c >= 'A' && c <= 'F')
        d = c - 'A' + 10;
      else
        return 0;
      value = (value << 4) | d;  // more than 8 digits keeps the low 32 bits
      ++digits;
    }
    return digits ? value : 0;
  }
  int64_t value = 0;
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (begin != end && *begin == '+') ++begin;
  auto [ptr, ec] = std::from_chars(begin, end, value);
  if (ec != std::errc() || ptr != end) return 0;
  return static_cast<uint32_t>(value);
}
