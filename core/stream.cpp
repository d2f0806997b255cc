#include "core/stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace {

std::string Reason() {
  return std::strerror(errno);
}

}  // namespace

void TStream::ReadBuffer(void* buffer, size_t count) {
  if (Read(buffer, count) != count) throw EStreamError("Stream read error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count < 0) count = source.Remaining();
  uint8_t chunk[65536];
  int64_t done = 0;
  while (done < count) {
    size_t want = static_cast<size_t>(std::min<int64_t>(count - done, sizeof chunk));
    size_t got = source.Read(chunk, want);
    if (got == 0) break;
    Write(chunk, got);
    done += static_cast<int64_t>(got);
  }
  return done;
}

void TMemoryStream::Seek(int64_t position) {
  if (position < 0) throw EStreamError("Invalid stream position");
  position_ = position;
}

size_t TMemoryStream::Read(void* buffer, size_t count) {
  if (position_ >= Size() || count == 0) return 0;
  size_t n = std::min<size_t>(count, static_cast<size_t>(Size() - position_));
  std::memcpy(buffer, data_.data() + position_, n);
  position_ += static_cast<int64_t>(n);
  return n;
}

void TMemoryStream::Write(const void* buffer, size_t count) {
  if (count == 0) return;
  size_t end = static_cast<size_t>(position_) + count;
  if (end > data_.size()) data_.resize(end);
  std::memcpy(data_.data() + position_, buffer, count);
  position_ = static_cast<int64_t>(end);
}

void TMemoryStream::LoadFromFile(const std::string& file_name) {
  data_ = ReadFileBytes(file_name);
  position_ = 0;
}

void TMemoryStream::SetSize(int64_t size) {
  if (size < 0) throw EStreamError("Invalid stream size");
  data_.resize(static_cast<size_t>(size));
  position_ = std::min(position_, size);
}

void TMemoryStream::Clear() {
  data_.clear();
  position_ = 0;
}

std::vector<uint8_t> TMemoryStream::TakeBytes() {
  position_ = 0;
  return std::exchange(data_, {});
}

TFileStream::TFileStream(const std::string& file_name, Mode mode)
    : file_name_(file_name), shown_name_(file_name) {
  file_ = std::fopen(file_name.c_str(), mode == Mode::OpenRead ? "rb" : "w+b");
  if (!file_) {
    throw EStreamError((mode == Mode::OpenRead ? "Cannot open file \"" : "Cannot create file \"") +
                       file_name + "\". " + Reason());
  }
}

TFileStream::TFileStream(std::FILE* file, std::string file_name, std::string shown_name)
    : file_name_(std::move(file_name)), shown_name_(std::move(shown_name)), file_(file) {}

TFileStream::~TFileStream() {
  if (file_) std::fclose(file_);
}

void TFileStream::Close() {
  if (!file_) return;
  std::FILE* f = std::exchange(file_, nullptr);
  if (std::fclose(f) != 0)
    throw EStreamError("Cannot write file \"" + shown_name_ + "\". " + Reason());
}

int64_t TFileStream::Size() const {
  if (!file_) return 0;
  long here = std::ftell(file_);
  std::fseek(file_, 0, SEEK_END);
  long end = std::ftell(file_);
  std::fseek(file_, here, SEEK_SET);
  return end < 0 ? 0 : end;
}

int64_t TFileStream::Position() const {
  return file_ ? std::ftell(file_) : 0;
}

void TFileStream::Seek(int64_t position) {
  if (!file_ || position < 0 || std::fseek(file_, static_cast<long>(position), SEEK_SET) != 0)
    throw EStreamError("Cannot seek in file \"" + shown_name_ + "\"");
}

size_t TFileStream::Read(void* buffer, size_t count) {
  if (!file_ || count == 0) return 0;
  return std::fread(buffer, 1, count, file_);
}

void TFileStream::Write(const void* buffer, size_t count) {
  if (count == 0) return;
  if (!file_ || std::fwrite(buffer, 1, count, file_) != count)
    throw EStreamError("Cannot write file \"" + shown_name_ + "\". " + Reason());
}

void TFileStream::Flush() {
  if (!file_) return;
  if (std::fflush(file_) != 0 || ::fsync(fileno(file_)) != 0)
    throw EStreamError("Cannot write file \"" + shown_name_ + "\". " + Reason());
}

std::vector<uint8_t> ReadFileBytes(const std::string& file_name) {
  // Non-blocking, so that opening a FIFO with no writer returns at once; the flag is
  // cleared again once the file is known to be a regular one.
  const int fd = ::open(file_name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throw EStreamError("Cannot open file \"" + file_name + "\". " + Reason());
  struct TCloser {
    int fd;
    ~TCloser() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0)
    throw EStreamError("Cannot open file \"" + file_name + "\". " + Reason());
  if (S_ISDIR(st.st_mode)) throw EStreamError("\"" + file_name + "\" is a folder, not a file");
  if (!S_ISREG(st.st_mode)) throw EStreamError("\"" + file_name + "\" is not a regular file");
  (void)::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  std::vector<uint8_t> bytes;
  bytes.reserve(static_cast<size_t>(st.st_size));
  uint8_t chunk[65536];
  while (true) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EStreamError("Cannot read file \"" + file_name + "\". " + Reason());
    }
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  return bytes;
}
