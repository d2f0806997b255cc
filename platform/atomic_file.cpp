#include "platform/atomic_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
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

// The temporary files being written, for the signal handler: it may only read what is
// complete, so a slot's path is written before the slot is marked used.
struct TPendingSlot {
  std::atomic<bool> used{false};
  char path[4096];
};
std::array<TPendingSlot, 16> g_pending;

// The signals that end a process by default and that RemoveTemporaryFilesOnSignals
// handles (SIGXCPU: a processor time limit reached).
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGXCPU};

// Signals that would end the process are held while a temporary file comes into being or
// goes, so that the handler never misses one that exists.
class TEndSignalsHeld {
 public:
  TEndSignalsHeld() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : kEndingSignals) sigaddset(&set, s);
    pthread_sigmask(SIG_BLOCK, &set, &old_);
  }
  ~TEndSignalsHeld() { pthread_sigmask(SIG_SETMASK, &old_, nullptr); }
  TEndSignalsHeld(const TEndSignalsHeld&) = delete;
  TEndSignalsHeld& operator=(const TEndSignalsHeld&) = delete;

 private:
  sigset_t old_;
};

void AddPending(const std::string& path) {
  if (path.size() >= sizeof TPendingSlot::path) return;
  for (TPendingSlot& slot : g_pending) {
    if (slot.used.load(std::memory_order_acquire)) continue;
    std::memcpy(slot.path, path.c_str(), path.size() + 1);
    slot.used.store(true, std::memory_order_release);
    return;
  }
}

void RemovePending(const std::string& path) {
  for (TPendingSlot& slot : g_pending) {
    if (slot.used.load(std::memory_order_acquire) && path == slot.path) {
      slot.used.store(false, std::memory_order_release);
      return;
    }
  }
}

void RemovePendingAndEnd(int signal) {
  for (TPendingSlot& slot : g_pending) {
    if (slot.used.load(std::memory_order_acquire)) ::unlink(slot.path);
  }
  // The handler was reset to the default (SA_RESETHAND): the signal, held until the handler
  // returns, then ends the process as it would have.
  ::raise(signal);
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
    TEndSignalsHeld held;
    int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0) AddPending(name);
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
      RemovePending(name);
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
  TEndSignalsHeld held;
  ::unlink(FileName().c_str());
  RemovePending(FileName());
}

void TAtomicFileStream::Commit() {
  try {
    Flush();
    Close();
  } catch (...) {
    TEndSignalsHeld held;
    ::unlink(FileName().c_str());
    RemovePending(FileName());
    committed_ = true;
    throw;
  }
  committed_ = true;
  int err = 0;
  {
    TEndSignalsHeld held;
    if (::rename(FileName().c_str(), written_.c_str()) != 0) {
      err = errno;
      ::unlink(FileName().c_str());
    }
    RemovePending(FileName());
  }
  if (err != 0) throw EStreamError("Cannot write file \"" + target_ + "\". " + std::strerror(err));
  FlushFolder(written_);
}

void RemoveTemporaryFilesOnSignals() {
  struct sigaction action {};
  action.sa_handler = RemovePendingAndEnd;
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  for (int s : kEndingSignals) sigaction(s, &action, nullptr);
}
