// bench_batch [ROUNDS] [MODELS]: the batch render's rate. Writes MODELS (default 200) textured
// 2 000-triangle 3DS files into one folder and times
//   facetmint render DIR --out-dir OUT -o '{name}.icns' -o '{name}.png' -j 2
// (and with -j 1 beside it, in turn every round so that the machine's load falls on both
// alike), then prints the median models per second of each, and the processor time a model
// takes (workers and their renderer threads): on a shared machine the wall-clock rate is
// what the others leave, the processor time is what the batch itself costs. Goal: at least
// 10 models a second with -j 2.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"

namespace {

namespace fs = std::filesystem;

struct TTimes {
  double wall = 0;       // seconds
  double processor = 0;  // seconds of the command and every process it waited for
};

// The times of one batch; exits when the command fails.
TTimes RunBatch(const fs::path& models, const fs::path& out, int workers) {
  fs::remove_all(out);
  std::vector<std::string> args = {FACETMINT_EXE, "render", models.string(),        "--out-dir",
                                   out.string(),  "-o",     "{name}.icns",          "-o",
                                   "{name}.png",  "-j",     std::to_string(workers)};
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  TTimes times;
  times.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  times.processor = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                    static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "the batch with -j %d failed\n", workers);
    std::exit(1);
  }
  return times;
}

}  // namespace

int main(int argc, char** argv) {
  // Google Benchmark's options, which the bench script passes to every program, are not ours.
  const bool ours = argc > 1 && argv[1][0] != '-';
  const int rounds = ours ? std::max(1, std::atoi(argv[1])) : 3;
  const int count = ours && argc > 2 ? std::max(2, std::atoi(argv[2])) : 200;
  const fs::path dir = fs::temp_directory_path() / "facetmint_batch_bench";
  const fs::path models = dir / "models";
  fs::remove_all(dir);
  fs::create_directories(models);
  const benchsupport::Bytes bytes = benchsupport::TexturedSphere3DS(31, 32);  // 1 984 triangles
  for (int i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "sphere%03d.3ds", i);
    std::ofstream(models / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  benchsupport::WriteSphereTexture((models / "paint.png").string());
  std::vector<double> wall[2], processor[2];
  for (int r = 0; r < rounds; ++r) {
    for (int workers : {2, 1}) {
      const TTimes t = RunBatch(models, dir / "out", workers);
      wall[workers - 1].push_back(t.wall);
      processor[workers - 1].push_back(t.processor);
    }
  }
  std::printf("%d models of 1 984 triangles, .icns and .png each, %d rounds, medians\n", count,
              rounds);
  for (int workers : {2, 1}) {
    const double w = benchsupport::Median(wall[workers - 1]),
                 p = benchsupport::Median(processor[workers - 1]);
    std::printf("-j %d  %7.2f s  %6.1f models/s  %6.1f ms processor time a model\n", workers, w,
                count / w, 1000 * p / count);
  }
  std::printf("goal: at least 10 models/s with -j 2\n");
  fs::remove_all(dir);
  return 0;
}
