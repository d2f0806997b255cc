// bench_startup [ROUNDS]: whole-process wall time and peak memory of facetmint's commands
// beside a bare EGL start-up (bench_egl_start), run side by side: every round runs each
// command once, in turn (each round starting one further on), so that the load other
// processes put on the machine falls on all of them alike. Prints the median of each and its
// ratio to the EGL start-up, against the goals:
//   facetmint render MODEL -o x.ico -o x.png      within 1.6 x EGL, 150 MB
//   facetmint thumbnail -s 256 MODEL x.png         within 1.3 x EGL
//   facetmint render MODEL -o x.icns -o x.ico -o x.png   6 x faster than the peer pipeline
//   facetmint --version (no goal)
// Beside them runs bench_egl_first_frame: the EGL start-up plus one 1024 x 1024 frame of a
// single triangle read back, the least any icon render does. Its ratio is the part of each
// goal that the driver's first frame takes before facetmint does any work of its own.
// The peer pipeline makes the same three files without Facetmint: F3D renders a 1024 PNG,
// ImageMagick's convert scales it and writes the .ico, png2icns writes the .icns. It runs
// when f3d, /usr/bin/convert and png2icns are installed and an X display is set (F3D needs
// one even to render into a file).
// MODEL is a textured 2 000-triangle 3DS (a sphere with a 256 x 256 PNG texture).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "imaging/bitmap.h"

namespace {

struct TRun {
  std::string name;
  std::vector<std::string> argv;
  std::vector<double> ms;
  long peak_kb = 0;
};

// Wall time in ms; peak resident memory into run.peak_kb. Exits on a failed command.
double RunOnce(TRun& run) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv;
    for (std::string& a : run.argv) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (freopen("/dev/null", "w", stdout) == nullptr) _exit(126);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s failed\n", run.name.c_str());
    std::exit(1);
  }
  run.peak_kb = std::max(run.peak_kb, usage.ru_maxrss);
  return ms;
}

bool Installed(const char* program) {
  return access(program, X_OK) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Google Benchmark's options, which the bench script passes to every program, are not ours.
  const int rounds = argc > 1 && argv[1][0] != '-' ? std::max(1, std::atoi(argv[1])) : 15;
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "facetmint_startup";
  std::filesystem::create_directories(dir);
  const std::string model = (dir / "sphere2k.3ds").string();
  {
    const benchsupport::Bytes bytes = benchsupport::TexturedSphere3DS(31, 32);  // 1 984 triangles
    std::ofstream(model, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    benchsupport::WriteSphereTexture((dir / "paint.png").string());
  }
  auto out = [&](const char* name) { return (dir / name).string(); };
  std::vector<TRun> runs = {
      {"bare EGL start-up", {EGL_START_EXE}, {}, 0},
      {"EGL + one 1024 frame (no model)", {EGL_FIRST_FRAME_EXE}, {}, 0},
      {"facetmint --version", {FACETMINT_EXE, "--version"}, {}, 0},
      {"render -o x.ico -o x.png",
       {FACETMINT_EXE, "render", model, "-o", out("x.ico"), "-o", out("x.png")},
       {},
       0},
      {"render -o x.icns -o x.ico -o x.png",
       {FACETMINT_EXE, "render", model, "-o", out("y.icns"), "-o", out("y.ico"), "-o",
        out("y.png")},
       {},
       0},
      {"thumbnail -s 256", {FACETMINT_EXE, "thumbnail", "-s", "256", model, out("t.png")}, {}, 0},
  };
  const bool peer = std::getenv("DISPLAY") && Installed("/usr/bin/f3d") &&
                    Installed("/usr/bin/convert") && Installed("/usr/bin/png2icns");
  if (peer) {
    const std::string p = (dir / "peer").string();
    std::filesystem::create_directories(p);
    std::string script = "cd '" + p + "' && f3d '" + model +
                         "' --output=p1024.png --resolution=1024,1024 --no-background "
                         ">/dev/null 2>&1";
    for (const char* size : {"512", "256", "128", "48", "32", "16"}) {
      script += std::string(" && /usr/bin/convert p1024.png -resize ") + size + "x" + size + " p" +
                size + ".png";
    }
    script +=
        " && png2icns p.icns p1024.png p512.png p256.png p128.png p48.png p32.png p16.png "
        ">/dev/null && /usr/bin/convert p1024.png -define icon:auto-resize=256,128,64,48,32,16 "
        "p.ico && cp p256.png p.png";
    runs.push_back({"peer pipeline (F3D, convert, png2icns)", {"/bin/sh", "-c", script}, {}, 0});
  }
  for (TRun& run : runs) RunOnce(run);  // warm the file cache
  // Each round starts one run further on, so that what a run leaves behind (the peer
  // pipeline frees 235 MB) falls on every command in turn, not always on the one after it.
  for (int r = 0; r < rounds; ++r) {
    for (size_t i = 0; i < runs.size(); ++i) {
      TRun& run = runs[(i + static_cast<size_t>(r)) % runs.size()];
      run.ms.push_back(RunOnce(run));
    }
  }
  const double floor_ms = benchsupport::Median(runs[0].ms);
  std::printf("%d rounds, medians (wall time, peak resident memory, ratio to bare EGL)\n", rounds);
  for (const TRun& run : runs) {
    const double ms = benchsupport::Median(run.ms);
    std::printf("%-36s %8.1f ms %7.1f MB %6.2f x\n", run.name.c_str(), ms,
                static_cast<double>(run.peak_kb) / 1024, ms / floor_ms);
  }
  if (peer) {
    std::printf("peer pipeline / render .icns .ico .png: %.1f x (goal: at least 6 x)\n",
                benchsupport::Median(runs.back().ms) / benchsupport::Median(runs[4].ms));
  } else {
    std::printf("peer pipeline skipped: it needs f3d, ImageMagick, png2icns and DISPLAY\n");
  }
  std::printf("goals: render .ico .png within 1.6 x and 150 MB; thumbnail within 1.3 x\n");
  return 0;
}
