// Byte streams: a readable and writable sequence of bytes with a position and a size.
// Model files are read whole into a TMemoryStream; icon files are written through a
// TFileStream or, when a failed write must not destroy an existing file, a
// TAtomicFileStream (see platform/atomic_file.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

// Raised for every stream failure: open, short read where one is not allowed, write, seek.
class EStreamError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TStream {
 public:
  virtual ~TStream() = default;
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  virtual int64_t Size() const = 0;
  virtual int64_t Position() const = 0;
  // Absolute seek; a position past the end is allowed (a later write fills with zeros).
  virtual void Seek(int64_t position) = 0;
  // Reads up to count bytes, returns how many were read (fewer only at the end).
  virtual size_t Read(void* buffer, size_t count) = 0;
  // Writes all count bytes or raises EStreamError.
  virtual void Write(const void* buffer, size_t count) = 0;

  // Reads exactly count bytes or raises EStreamError.
  void ReadBuffer(void* buffer, size_t count);
  void WriteBuffer(const void* buffer, size_t count) { Write(buffer, count); }
  int64_t Remaining() const { return Size() > Position() ? Size() - Position() : 0; }
  // Copies count bytes (all remaining when count < 0) from source; returns the count copied.
  int64_t CopyFrom(TStream& source, int64_t count = -1);
};

class TMemoryStream final : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {}

  int64_t Size() const override { return static_cast<int64_t>(data_.size()); }
  int64_t Position() const override { return position_; }
  void Seek(int64_t position) override;
  size_t Read(void* buffer, size_t count) override;
  void Write(const void* buffer, size_t count) override;

  // Replaces the content with the whole file; raises EStreamError if it cannot be read.
  void LoadFromFile(const std::string& file_name);
  void SetSize(int64_t size);
  void Clear();

  const uint8_t* Memory() const { return data_.data(); }
  uint8_t* Memory() { return data_.data(); }
  const std::vector<uint8_t>& Bytes() const { return data_; }
  std::vector<uint8_t> TakeBytes();

 private:
  std::vector<uint8_t> data_;
  int64_t position_ = 0;
};

// A file opened for reading (fmOpenRead) or created for writing (fmCreate).
class TFileStream : public TStream {
 public:
  enum class Mode { OpenRead, Create };
  TFileStream(const std::string& file_name, Mode mode);
  ~TFileStream() override;

  int64_t Size() const override;
  int64_t Position() const override;
  void Seek(int64_t position) override;
  size_t Read(void* buffer, size_t count) override;
  void Write(const void* buffer, size_t count) override;

  // Flushes buffered data and the file's contents to the device; raises on failure.
  void Flush();
  const std::string& FileName() const { return file_name_; }

 protected:
  // Takes an open file; errors name shown_name (the file the user asked for) instead of
  // file_name (the one written).
  TFileStream(std::FILE* file, std::string file_name, std::string shown_name);
  // Closes the file, reporting a failure of the last flush; safe to call twice.
  void Close();

 private:
  std::string file_name_;
  std::string shown_name_;
  std::FILE* file_ = nullptr;
};

// Reads a whole regular file; raises EStreamError with the file name and reason. Anything
// else (a folder, a FIFO, a device) is refused before a byte is read: a FIFO would block
// and a device could be read until memory runs out.
std::vector<uint8_t> ReadFileBytes(const std::string& file_name);
