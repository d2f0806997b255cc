#include "import/assimp_guard.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <stdexcept>

#include "core/text_helpers.h"
#include "platform/helper_program.h"

namespace fs = std::filesystem;

namespace {

constexpr uint64_t kMiB = uint64_t{1} << 20;
constexpr uint64_t kGiB = uint64_t{1} << 30;
constexpr const char* kReaderName = "facetmint-model-reader";

uint64_t InputSize(const std::string& file_name) {
  std::error_code ec;
  uint64_t size = fs::file_size(file_name, ec);
  if (ec) size = 0;
  const fs::path folder = fs::path(file_name).parent_path();
  for (fs::directory_iterator it(folder.empty() ? "." : folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    std::error_code kind;
    if (LowerExtension(it->path().string()) != ".bin" || !it->is_regular_file(kind)) continue;
    const uint64_t bin = it->file_size(kind);
    if (!kind) size += bin;
  }
  return size;
}

uint64_t PhysicalMemory() {
  const long pages = ::sysconf(_SC_PHYS_PAGES), page = ::sysconf(_SC_PAGE_SIZE);
  if (pages <= 0 || page <= 0) return 4 * kGiB;
  return static_cast<uint64_t>(pages) * static_cast<uint64_t>(page);
}

// Printable text of at most one line and 300 bytes from the reader's error output (it may
// quote the file's own bytes).
std::string ReaderMessage(const std::string& errors) {
  std::string line;
  for (char c : errors) {
    if (c == '\n' || c == '\r') {
      if (!line.empty()) break;
      continue;
    }
    line += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? ' ' : c;
    if (line.size() >= 300) break;
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

const char* SignalName(int signal) {
  switch (signal) {
    case SIGSEGV:
      return "SIGSEGV";
    case SIGBUS:
      return "SIGBUS";
    case SIGABRT:
      return "SIGABRT";
    case SIGFPE:
      return "SIGFPE";
    case SIGILL:
      return "SIGILL";
    default:
      return nullptr;
  }
}

// The reader is a fresh process that allocates a large model's memory once: every page it
// touches is a fault, which cost about a third of its time. Transparent huge pages (where
// the system offers them) and a heap that grows and stays in large steps cut the faults a
// hundredfold. The caller's own GLIBC_TUNABLES come after, so they still win.
std::string ReaderTunables() {
  std::string tunables =
      "GLIBC_TUNABLES=glibc.malloc.hugetlb=1:glibc.malloc.top_pad=67108864:"
      "glibc.malloc.mmap_threshold=33554432:glibc.malloc.trim_threshold=1073741824";
  if (const char* own = std::getenv("GLIBC_TUNABLES"); own && *own)
    tunables += ":" + std::string(own);
  return tunables;
}

// Reads may start on any thread.
std::mutex reader_override_mutex;
std::string reader_override;

[[noreturn]] void Fail(const std::string& reason) {
  throw std::runtime_error("could not be read (" + reason + ")");
}

}  // namespace

TGuardLimits ModelReaderLimits(const std::string& file_name) {
  const uint64_t size = InputSize(file_name);
  TGuardLimits limits;
  const uint64_t cap = std::max(kGiB, PhysicalMemory() / 4 * 3);
  limits.MemoryBytes = std::min(cap, kGiB + 16 * std::min(size, cap));
  const uint64_t cpu = 30 + 120 * size / kGiB;
  limits.CpuSeconds = static_cast<int>(std::min<uint64_t>(cpu, 3600));
  limits.WallMilliseconds = (limits.CpuSeconds + 15) * 1000;
  limits.MaxOutput = static_cast<size_t>(limits.MemoryBytes);
  return limits;
}

std::string ModelReaderPath() {
  const std::string found = FindHelperProgram(
      kReaderName, {FACETMINT_MODEL_READER_INSTALLED, FACETMINT_MODEL_READER_BUILT});
  if (found.empty()) {
    throw std::runtime_error(std::string("could not be read (the model reader ") + kReaderName +
                             " is not installed)");
  }
  return found;
}

std::string OverrideModelReader(std::string reader) {
  const std::lock_guard lock(reader_override_mutex);
  reader_override.swap(reader);
  return reader;
}

THandbackModel ReadModelGuarded(const std::string& file_name, const TCancelSignal* cancel) {
  std::string reader;
  {
    const std::lock_guard lock(reader_override_mutex);
    reader = reader_override;
  }
  if (reader.empty()) reader = ModelReaderPath();
  return ReadModelGuarded(file_name, reader, ModelReaderLimits(file_name), cancel);
}

THandbackModel ReadModelGuarded(const std::string& file_name, const std::string& reader,
                                const TGuardLimits& limits, const TCancelSignal* cancel) {
  // An absolute path: the reader must not take a name starting with "-" for an option.
  std::error_code ec;
  fs::path path = fs::absolute(file_name, ec);
  if (ec) path = file_name;
  const TGuardedRun run = RunGuarded({reader, path.string()}, limits, {ReaderTunables()}, cancel);
  const uint64_t memory_mb = limits.MemoryBytes / kMiB;
  const std::string seconds = std::to_string(limits.CpuSeconds);
  switch (run.Outcome) {
    case TGuardedRun::Cancelled:
      throw EModelReadCancelled();
    case TGuardedRun::TimedOut:
      Fail("reading took longer than " + std::to_string(limits.WallMilliseconds / 1000) +
           " seconds");
    case TGuardedRun::OutputTooLarge:
      Fail("the model is larger than " + std::to_string(limits.MaxOutput / kMiB) + " MB");
    case TGuardedRun::Signalled:
      if (run.Code == SIGXCPU)
        Fail("reading took more than " + seconds + " seconds of processor time");
      // The hard processor limit, or the system's out-of-memory killer.
      if (run.Code == SIGKILL) Fail("the reader was stopped: too much processor time or memory");
      if (const char* name = SignalName(run.Code)) {
        // A failed allocation under the address-space limit often ends in an abort.
        Fail(std::string("the reader crashed, ") + name);
      }
      Fail("the reader was stopped by signal " + std::to_string(run.Code));
    case TGuardedRun::Exited:
      break;
  }
  const std::string why = ReaderMessage(run.Errors);
  // Assimp catches a failed allocation itself and reports it by its type's name.
  if (run.Code == 3 || (run.Code == 1 && why == "std::bad_alloc"))
    Fail("reading needed more than " + std::to_string(memory_mb) + " MB of memory");
  if (run.Code == 127) Fail("the model reader " + reader + " could not be started");
  if (run.Code != 0) {
    Fail(why.empty() ? "the reader failed with status " + std::to_string(run.Code) : why);
  }
  try {
    return ReadHandback(run.Output);
  } catch (const EHandbackError& e) {
    Fail(std::string("the reader handed back damaged data: ") + e.what());
  }
}
