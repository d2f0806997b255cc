#include "app/thumbnail.h"

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

#include "app/framing.h"
#include "app/workbench.h"
#include "iconfmt/png_data.h"
#include "platform/atomic_file.h"
#include "render/egl_context.h"
#include "render/gl_canvas.h"

namespace {

// Processor seconds and address space a thumbnail may take. A 20 000-mesh model takes about
// a second; llvmpipe and its threads reserve a few hundred MB of address space.
constexpr rlim_t kCpuSeconds = 20;
constexpr rlim_t kAddressSpace = rlim_t{3} << 30;
// AddressSanitizer keeps terabytes of shadow address space: under a limit every allocation
// of the sanitizer build would fail. The processor limit still holds there.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kLimitAddressSpace = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kLimitAddressSpace = false;
#else
constexpr bool kLimitAddressSpace = true;
#endif
#else
constexpr bool kLimitAddressSpace = true;
#endif

// Written by the signal handler, which may only make async-signal-safe calls.
char g_cpu_message[512];

void OutOfTime(int) {
  (void)!write(STDERR_FILENO, g_cpu_message, std::strlen(g_cpu_message));
  _exit(1);
}

}  // namespace

void LimitThumbnailResources(const TThumbnailJob& job) {
  const std::string message = "facetmint: " + job.Input + ": out of processor time\n";
  std::strncpy(g_cpu_message, message.c_str(), sizeof g_cpu_message - 1);
  struct sigaction action {};
  action.sa_handler = OutOfTime;
  sigaction(SIGXCPU, &action, nullptr);
  const rlimit cpu{kCpuSeconds, kCpuSeconds + 5};
  setrlimit(RLIMIT_CPU, &cpu);
  rlimit space{};
  if (kLimitAddressSpace && getrlimit(RLIMIT_AS, &space) == 0 && space.rlim_cur > kAddressSpace) {
    space.rlim_cur = kAddressSpace;
    setrlimit(RLIMIT_AS, &space);
  }
}

void MakeThumbnail(const TThumbnailJob& job) {
  InstallOpenGLRenderer();
  // The driver starts while a reader process reads the model (the in-process readers are too
  // quick for that to pay).
  if (TWorkbench::ReadsApart(job.Input)) TglEglContext::PrepareShared();
  TWorkbench workbench;
  if (!workbench.LoadModel(job.Input)) throw std::runtime_error("no such file");
  // A file manager's thumbnail is small: the model fills it.
  FitFraming(workbench);
  if (!workbench.RenderIcons()) throw std::runtime_error("cannot render off-screen");
  const TpmBitmap& picture = workbench.Icon(std::min(job.Size, kLargestThumbnail));
  // Always PNG, whatever the name; quick compression, as file managers ask for many.
  const std::vector<uint8_t> png = EncodePngData(picture);
  try {
    WriteFileAtomically(job.Output, [&](TStream& out) { out.Write(png.data(), png.size()); });
  } catch (const std::exception& e) {
    throw std::runtime_error(job.Output + ": cannot be written: " + e.what());
  }
}
