// Writing a file so that a failure never destroys what was there: the bytes go into a
// temporary file in the same folder, which replaces the target only after the last byte
// was written and flushed, and the folder is flushed after the rename. Until Commit the
// target is untouched; a failure on any path removes the temporary file. A target that is
// a symbolic link keeps the link: the file it points at is replaced. A process over its
// file-size limit gets a write error instead of being killed (SIGXFSZ is ignored).
#pragma once

#include <cstdio>
#include <string>

#include "core/stream.h"

class TAtomicFileStream final : public TFileStream {
 public:
  explicit TAtomicFileStream(const std::string& target);
  ~TAtomicFileStream() override;

  // Flushes, closes and renames the temporary file over the target; raises on failure,
  // after which the temporary file is gone and the target is as it was.
  void Commit();
  const std::string& Target() const { return target_; }
  // Where the bytes go: Target, or the file a symbolic link at Target points at.
  const std::string& WrittenPath() const { return written_; }

  struct TReserved {
    std::FILE* file;
    std::string name;
  };

 private:
  TAtomicFileStream(const std::string& target, const std::string& written);
  TAtomicFileStream(TReserved reserved, const std::string& target, const std::string& written);

  std::string target_;
  std::string written_;
  bool committed_ = false;
};

// Makes SIGINT, SIGTERM, SIGHUP and SIGXCPU remove the temporary files being written before they
// end the process as they would have, so that an interrupted program leaves no partly written file
// behind. Replaces the handlers of those signals.
void RemoveTemporaryFilesOnSignals();

// Runs write(stream) into a TAtomicFileStream for target and commits it; any exception
// leaves the target as it was.
template <typename Fn>
void WriteFileAtomically(const std::string& target, Fn&& write) {
  TAtomicFileStream stream(target);
  write(static_cast<TStream&>(stream));
  stream.Commit();
}
