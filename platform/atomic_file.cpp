#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

namespace {

// A name beside the target that no other writer uses; created exclusively below.
std::string MakeTemporaryName(const std::string& target) {
  static std::random_device seed;
  static std::mt19937_64 rng(seed());
  char suffix[24];
  std::snprintf(suffix, sizeof suffix, ".%012llx.tmp",
                static_cast<unsigned long long>(rng() & 0xFFFFFFFFFFFFull));
  auto slash = target.find_last_of('/');
  std::string dir = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  return dir + "." + base + suffix;
}

std::string ReserveTemporary(const std::string& target) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    std::string name = MakeTemporaryName(target);
    // Keep the permissions of an existing target; a new file gets 0666 less the umask.
    struct stat st {};
    mode_t mode = ::stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0666;
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0) {
      if (::stat(target.c_str(), &st) == 0) (void)::fchmod(fd, st.st_mode & 07777);
      ::close(fd);
      return name;
    }
    if (errno != EEXIST)
      throw EStreamError("Cannot create file \"" + target + "\". " + std::strerror(errno));
  }
  throw EStreamError("Cannot create file \"" + target + "\". No temporary name is free");
}

}  // namespace

TAtomicFileStream::TAtomicFileStream(const std::string& target)
    : TFileStream(ReserveTemporary(target), Mode::Create), target_(target) {}

TAtomicFileStream::~TAtomicFileStream() {
  if (committed_) return;
  try {
    Close();
  } catch (...) {  // the temporary file goes anyway
  }
  ::unlink(FileName().c_str());
}

void TAtomicFileStream::Commit() {
  try {
    Flush();
    Close();
  } catch (...) {
    ::unlink(FileName().c_str());
    committed_ = true;
    throw;
  }
  committed_ = true;
  if (::rename(FileName().c_str(), target_.c_str()) != 0) {
    int err = errno;
    ::unlink(FileName().c_str());
    throw EStreamError("Cannot write file \"" + target_ + "\". " + std::strerror(err));
  }
}
