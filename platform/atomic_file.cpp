#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <random>
#include <utility>

namespace {

std::string FolderOf(const std::string& path) {
  auto slash = path.find_last_of('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// A process over its file-size limit is killed by SIGXFSZ unless it ignores the signal;
// ignored, the write fails with EFBIG and the save reports it like a full disk.
void IgnoreFileSizeSignal() {
  static const bool ignored = [] {
    std::signal(SIGXFSZ, SIG_IGN);
    return true;
  }();
  (void)ignored;
}

// The file a write to Target really replaces: a symbolic link is followed (through chains
// of links, dangling ones included) so that the link stays and its target gets the bytes.
std::string FollowLinks(const std::string& target) {
  std::string path = target;
  for (int depth = 0; depth < 40; ++depth) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::string link(static_cast<size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
    const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
    if (n <= 0 || static_cast<size_t>(n) >= link.size()) return path;
    link.resize(static_cast<size_t>(n));
    path = link.front() == '/' ? link : FolderOf(path) + link;
  }
  throw EStreamError("Cannot create file \"" + target + "\". Too many levels of symbolic links");
}

// A name beside the target that no other writer uses; created exclusively below.
std::string MakeTemporaryName(const std::string& target) {
  static std::random_device seed;
  static std::mt19937_64 rng(seed());
  char suffix[24];
  std::snprintf(suffix, sizeof suffix, ".%012llx.tmp",
                static_cast<unsigned long long>(rng() & 0xFFFFFFFFFFFFull));
  const std::string dir = FolderOf(target);
  return dir + "." + target.substr(dir.size()) + suffix;
}

// Creates and opens the temporary file; nothing is left behind when this raises.
TAtomicFileStream::TReserved ReserveTemporary(const std::string& written,
                                              const std::string& target) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    std::string name = MakeTemporaryName(written);
    // Keep the permissions of an existing target; a new file gets 0666 less the umask.
    struct stat st {};
    mode_t mode = ::stat(written.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0666;
    int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      throw EStreamError("Cannot create file \"" + target + "\". " + std::strerror(errno));
    }
    if (::stat(written.c_str(), &st) == 0) (void)::fchmod(fd, st.st_mode & 07777);
    std::FILE* file = ::fdopen(fd, "w+b");
    if (file == nullptr) {
      const int err = errno;
      ::close(fd);
      ::unlink(name.c_str());
      throw EStreamError("Cannot create file \"" + target + "\". " + std::strerror(err));
    }
    return {file, std::move(name)};
  }
  throw EStreamError("Cannot create file \"" + target + "\". No temporary name is free");
}

// The rename is on disk only once the folder is: without this a crash soon after a save can
// bring back the old file. The new file is in place already, so a failure here is not
// reported as a failed save.
void FlushFolder(const std::string& path) {
  const std::string dir = FolderOf(path);
  const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)::fsync(fd);
  ::close(fd);
}

}  // namespace

TAtomicFileStream::TAtomicFileStream(const std::string& target)
    : TAtomicFileStream(target, FollowLinks(target)) {}

TAtomicFileStream::TAtomicFileStream(const std::string& target, const std::string& written)
    : TAtomicFileStream((IgnoreFileSizeSignal(), ReserveTemporary(written, target)), target,
                        written) {}

TAtomicFileStream::TAtomicFileStream(TReserved reserved, const std::string& target,
                                     const std::string& written)
    : TFileStream(reserved.file, std::move(reserved.name), target),
      target_(target),
      written_(written) {}

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
  if (::rename(FileName().c_str(), written_.c_str()) != 0) {
    int err = errno;
    ::unlink(FileName().c_str());
    throw EStreamError("Cannot write file \"" + target_ + "\". " + std::strerror(err));
  }
  FlushFolder(written_);
}
