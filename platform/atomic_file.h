// Writing a file so that a failure never destroys what was there: the bytes go into a
// temporary file in the same folder, which replaces the target only after the last byte
// was written and flushed. Until Commit the target is untouched; a stream destroyed
// without Commit removes its temporary file.
#pragma once

#include <string>

#include "platform/stream.h"

class TAtomicFileStream final : public TFileStream {
 public:
  explicit TAtomicFileStream(const std::string& target);
  ~TAtomicFileStream() override;

  // Flushes, closes and renames the temporary file over the target; raises on failure,
  // after which the temporary file is gone and the target is as it was.
  void Commit();
  const std::string& Target() const { return target_; }

 private:
  std::string target_;
  bool committed_ = false;
};

// Runs write(stream) into a TAtomicFileStream for target and commits it; any exception
// leaves the target as it was.
template <typename Fn>
void WriteFileAtomically(const std::string& target, Fn&& write) {
  TAtomicFileStream stream(target);
  write(static_cast<TStream&>(stream));
  stream.Commit();
}
