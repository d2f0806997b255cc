// The batch's workers and their limits, with jobs that stand in for renders: one that
// waits forever must not hold up the batch, whether it ends when asked or not.
#include "app/batch_run.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "tests/support/test_support.h"

namespace {

TRenderJob Job(const std::string& model, const std::string& output) {
  TRenderJob job;
  job.Model = model;
  job.Outputs = {output};
  return job;
}

// Writes the job's output unless the model says to wait: "wait" sleeps far beyond the
// limits (and ends when told to), "deaf" too with SIGTERM blocked, "spin" burns processor
// time. Finite, so that a broken limit fails the test instead of hanging it.
void FakeRender(const TRenderJob& job, std::ostream&) {
  if (job.Model == "deaf") {
    sigset_t term;
    sigemptyset(&term);
    sigaddset(&term, SIGTERM);
    sigprocmask(SIG_BLOCK, &term, nullptr);
  }
  if (job.Model == "wait" || job.Model == "deaf")
    std::this_thread::sleep_for(std::chrono::seconds(20));
  if (job.Model == "spin") {
    std::atomic<unsigned long> turns{0};
    for (;;) turns.fetch_add(1, std::memory_order_relaxed);
  }
  testsupport::WriteFile(job.Outputs[0], {'o', 'k'});
}

}  // namespace

TEST(BatchRun, AWorkerThatTakesTooLongOnTheClockFailsItsModelOnly) {
  for (const char* stuck : {"wait", "deaf"}) {
    testsupport::TempDir dir;
    const std::vector<TRenderJob> jobs{Job("first", dir.File("1")), Job(stuck, dir.File("2")),
                                       Job("third", dir.File("3")), Job("fourth", dir.File("4"))};
    std::ostringstream err;
    TBatchLimits limits;
    limits.WallSeconds = 1;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunBatch(jobs, 2, err, false, limits, FakeRender), 1u) << stuck;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(err.str(),
              std::string("facetmint: ") + stuck + ": rendering took more than 1 second\n");
    for (const char* done : {"1", "3", "4"}) EXPECT_TRUE(std::filesystem::exists(dir.File(done)));
    EXPECT_FALSE(std::filesystem::exists(dir.File("2")));
    // One that ends when asked goes at once; one that does not is killed a little later.
    EXPECT_LT(seconds, std::string(stuck) == "wait" ? 4.0 : 10.0) << stuck;
  }
}

TEST(BatchRun, AWorkerOutOfProcessorTimeFailsItsModelOnly) {
  testsupport::TempDir dir;
  const std::vector<TRenderJob> jobs{Job("spin", dir.File("1")), Job("next", dir.File("2"))};
  std::ostringstream err;
  TBatchLimits limits;
  limits.ProcessorSeconds = 1;
  EXPECT_EQ(RunBatch(jobs, 1, err, false, limits, FakeRender), 1u);
  EXPECT_EQ(err.str(), "facetmint: spin: rendering took more than 1 second of processor time\n");
  EXPECT_TRUE(std::filesystem::exists(dir.File("2")));
}
