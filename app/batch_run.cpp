#include "app/batch_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <new>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>

#include "app/progress_bar.h"
#include "app/render_job.h"
#include "platform/atomic_file.h"
#include "platform/whole_transfer.h"

namespace {

// ---- The parent's signals: noted, and answered in its loop ----

volatile sig_atomic_t g_signal = 0;
int g_signal_pipe[2] = {-1, -1};

void NoteSignal(int signal) {
  g_signal = signal;
  (void)!::write(g_signal_pipe[1], "s", 1);
}

constexpr int kEndSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The parent's handlers while the batch runs, and the earlier ones back afterwards.
class TParentSignals {
 public:
  TParentSignals() {
    if (::pipe2(g_signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
      throw std::runtime_error(std::string("cannot start the workers: ") + std::strerror(errno));
    }
    g_signal = 0;
    struct sigaction note {};
    note.sa_handler = NoteSignal;
    sigemptyset(&note.sa_mask);
    for (size_t i = 0; i < std::size(kEndSignals); ++i) {
      sigaction(kEndSignals[i], &note, &old_[i]);
    }
    // A worker that died leaves a pipe without reader; writing to it must fail, not kill.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &old_pipe_);
  }
  ~TParentSignals() {
    for (size_t i = 0; i < std::size(kEndSignals); ++i) {
      sigaction(kEndSignals[i], &old_[i], nullptr);
    }
    sigaction(SIGPIPE, &old_pipe_, nullptr);
    ::close(g_signal_pipe[0]);
    ::close(g_signal_pipe[1]);
    g_signal_pipe[0] = g_signal_pipe[1] = -1;
  }
  TParentSignals(const TParentSignals&) = delete;
  TParentSignals& operator=(const TParentSignals&) = delete;

 private:
  struct sigaction old_[std::size(kEndSignals)]{};
  struct sigaction old_pipe_ {};
};

// ---- Pipes ----

// A worker's answer: the job, whether it succeeded, and the messages that follow.
struct TReplyHeader {
  uint32_t job;
  uint32_t ok;
  uint32_t length;
};

// ---- The worker ----

// The processor time allowed from now on: the soft limit moves up for every model (the
// hard one cannot come back once lowered).
void AllowProcessorTimeForOneModel(int seconds) {
  rusage usage{};
  rlimit limit{};
  if (::getrusage(RUSAGE_SELF, &usage) != 0 || ::getrlimit(RLIMIT_CPU, &limit) != 0) return;
  const rlim_t used = static_cast<rlim_t>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + 1;
  const rlim_t wanted = used + static_cast<rlim_t>(seconds);
  limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? wanted : std::min(wanted, limit.rlim_max);
  ::setrlimit(RLIMIT_CPU, &limit);
}

[[noreturn]] void WorkerMain(const std::vector<TRenderJob>& jobs, const TBatchLimits& limits,
                             const TJobRunner& run, int in, int out) {
  // Ends with the batch even when the parent is killed outright.
  ::prctl(PR_SET_PDEATHSIG, SIGTERM);
  // A model that crashes its worker or runs out of time leaves no core file behind.
  const rlimit no_core{0, 0};
  ::setrlimit(RLIMIT_CORE, &no_core);
  RemoveTemporaryFilesOnSignals();
  signal(SIGPIPE, SIG_DFL);
  uint32_t index = 0;
  while (ReadWhole(in, &index, sizeof index)) {
    if (index >= jobs.size()) break;
    const TRenderJob& job = jobs[index];
    const std::string subject = job.Model.empty() ? "round cube" : job.Model;
    AllowProcessorTimeForOneModel(limits.ProcessorSeconds);
    std::ostringstream messages;
    bool ok = false;
    try {
      run(job, messages);
      ok = true;
    } catch (const EFailure& e) {
      messages << "facetmint: " << e.Subject() << ": " << OneLine(e.what()) << "\n";
    } catch (const std::bad_alloc&) {
      messages << "facetmint: " << subject << ": out of memory\n";
    } catch (const std::exception& e) {
      messages << "facetmint: " << subject << ": " << OneLine(e.what()) << "\n";
    }
    const std::string text = messages.str();
    const TReplyHeader header{index, ok ? 1u : 0u, static_cast<uint32_t>(text.size())};
    if (!WriteWhole(out, &header, sizeof header) || !WriteWhole(out, text.data(), text.size()))
      break;
  }
  ::_exit(0);
}

// ---- The parent ----

using TClock = std::chrono::steady_clock;

// After the clock limit a worker is asked to end (and removes the file it was writing);
// one that does not is killed this much later.
constexpr auto kGraceAfterTerm = std::chrono::seconds(5);

struct TWorker {
  pid_t pid = -1;
  int to = -1;                  // job numbers to the worker
  int from = -1;                // replies from the worker
  long job = -1;                // the job in flight; -1: none
  TClock::time_point deadline;  // of the job in flight
  bool terminated = false;      // ended for taking too long on the clock
  std::string received;
};

std::string Seconds(int n) {
  return std::to_string(n) + (n == 1 ? " second" : " seconds");
}

std::string DeathReason(int status, const TBatchLimits& limits, bool out_of_time) {
  if (out_of_time) return "rendering took more than " + Seconds(limits.WallSeconds);
  if (WIFSIGNALED(status)) {
    const int signal = WTERMSIG(status);
    if (signal == SIGXCPU) {
      return "rendering took more than " + Seconds(limits.ProcessorSeconds) + " of processor time";
    }
    const char* name = ::strsignal(signal);
    return std::string("the render was stopped by signal ") + std::to_string(signal) + " (" +
           (name ? name : "unknown") + ")";
  }
  return "the render ended with status " + std::to_string(WEXITSTATUS(status));
}

class TPool {
 public:
  TPool(const std::vector<TRenderJob>& jobs, int workers, std::ostream& err, bool progress,
        const TBatchLimits& limits, const TJobRunner& run)
      : jobs_(jobs),
        limits_(limits),
        run_(run),
        workers_(static_cast<size_t>(std::clamp<long>(workers, 1, static_cast<long>(jobs.size())))),
        err_(err),
        progress_(err, jobs.size(), progress) {}
  ~TPool() { StopAll(SIGTERM); }
  TPool(const TPool&) = delete;
  TPool& operator=(const TPool&) = delete;

  size_t Run() {
    for (TWorker& w : workers_) GiveWork(w);
    progress_.Show(done_, failed_);
    while (done_ < jobs_.size()) {
      std::vector<pollfd> fds{{g_signal_pipe[0], POLLIN, 0}};
      std::vector<TWorker*> polled;
      for (TWorker& w : workers_) {
        if (w.from < 0) continue;
        fds.push_back({w.from, POLLIN, 0});
        polled.push_back(&w);
      }
      if (::poll(fds.data(), fds.size(), PollTimeout()) < 0 && errno != EINTR) {
        throw std::runtime_error(std::string("cannot wait for the workers: ") +
                                 std::strerror(errno));
      }
      if (g_signal != 0) EndBySignal(g_signal);
      for (size_t i = 1; i < fds.size(); ++i) {
        if (fds[i].revents != 0) Receive(*polled[i - 1]);
      }
      EndOverdueWorkers();
    }
    progress_.Clear();
    // The idle workers end when their input does.
    for (TWorker& w : workers_) GiveWork(w);
    for (TWorker& w : workers_) {
      if (w.pid <= 0) continue;
      int status = 0;
      while (::waitpid(w.pid, &status, 0) < 0 && errno == EINTR) {
      }
      ::close(w.from);
      w = TWorker{};
    }
    return failed_;
  }

 private:
  void Start(TWorker& w) {
    int to[2], from[2];
    if (::pipe2(to, O_CLOEXEC) != 0) throw std::runtime_error("cannot start a worker");
    if (::pipe2(from, O_CLOEXEC) != 0) {
      ::close(to[0]);
      ::close(to[1]);
      throw std::runtime_error("cannot start a worker");
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
      for (int fd : {to[0], to[1], from[0], from[1]}) ::close(fd);
      throw std::runtime_error(std::string("cannot start a worker: ") + std::strerror(errno));
    }
    if (pid == 0) {
      // Only its own ends stay open: another worker's pipe held here would hide that
      // worker's end from the parent.
      for (const TWorker& other : workers_) {
        if (other.to >= 0) ::close(other.to);
        if (other.from >= 0) ::close(other.from);
      }
      ::close(g_signal_pipe[0]);
      ::close(g_signal_pipe[1]);
      ::close(to[1]);
      ::close(from[0]);
      WorkerMain(jobs_, limits_, run_, to[0], from[1]);
    }
    ::close(to[0]);
    ::close(from[1]);
    w.pid = pid;
    w.to = to[1];
    w.from = from[0];
    w.job = -1;
    w.received.clear();
  }

  // The next job to the worker (started when it is not running), or the end of its work.
  void GiveWork(TWorker& w) {
    if (next_ >= jobs_.size()) {
      if (w.to >= 0) ::close(w.to);  // the worker ends when it reads the end
      w.to = -1;
      return;
    }
    if (w.pid < 0) Start(w);
    w.job = static_cast<long>(next_++);
    w.deadline = TClock::now() + std::chrono::seconds(limits_.WallSeconds);
    const uint32_t index = static_cast<uint32_t>(w.job);
    // A worker that cannot take it has died; its end shows up in Receive.
    (void)WriteWhole(w.to, &index, sizeof index);
  }

  void Report(const std::string& messages, bool ok) {
    if (!messages.empty()) {
      progress_.Clear();  // the messages go where the progress line was
      err_ << messages << std::flush;
    }
    ++done_;
    if (!ok) ++failed_;
    progress_.Show(done_, failed_);
  }

  void Receive(TWorker& w) {
    char buffer[4096];
    ssize_t n;
    do {
      n = ::read(w.from, buffer, sizeof buffer);
    } while (n < 0 && errno == EINTR);
    if (n > 0) {
      w.received.append(buffer, static_cast<size_t>(n));
      while (w.received.size() >= sizeof(TReplyHeader)) {
        TReplyHeader header{};
        std::memcpy(&header, w.received.data(), sizeof header);
        if (w.received.size() < sizeof header + header.length) break;
        const std::string messages = w.received.substr(sizeof header, header.length);
        w.received.erase(0, sizeof header + header.length);
        w.job = -1;
        Report(messages, header.ok != 0);
        // A worker asked to end just as it answered gets no more work: its end is near.
        if (!w.terminated) GiveWork(w);
      }
      return;
    }
    // The worker is gone: after its last job, or in the middle of one.
    int status = 0;
    while (::waitpid(w.pid, &status, 0) < 0 && errno == EINTR) {
    }
    ::close(w.from);
    if (w.to >= 0) ::close(w.to);
    const long job = w.job;
    const bool out_of_time = w.terminated;
    w = TWorker{};
    if (job >= 0) {
      const TRenderJob& failed = jobs_[static_cast<size_t>(job)];
      Report("facetmint: " + (failed.Model.empty() ? std::string("round cube") : failed.Model) +
                 ": " + DeathReason(status, limits_, out_of_time) + "\n",
             false);
    }
    GiveWork(w);  // a new worker for the jobs left, if any
  }

  // Milliseconds until the next worker runs out of clock time (or of grace after being
  // asked to end); -1 when no job is in flight.
  int PollTimeout() const {
    std::optional<TClock::time_point> next;
    for (const TWorker& w : workers_) {
      if (w.pid <= 0 || w.job < 0) continue;
      const TClock::time_point due = w.terminated ? w.deadline + kGraceAfterTerm : w.deadline;
      if (!next || due < *next) next = due;
    }
    if (!next) return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*next - TClock::now());
    return static_cast<int>(std::clamp<int64_t>(left.count(), 0, 60'000));
  }

  // A worker past its clock limit is asked to end, and killed when it still has not after
  // the grace; its death then shows up in Receive.
  void EndOverdueWorkers() {
    const TClock::time_point now = TClock::now();
    for (TWorker& w : workers_) {
      if (w.pid <= 0 || w.job < 0) continue;
      if (!w.terminated && now >= w.deadline) {
        w.terminated = true;
        ::kill(w.pid, SIGTERM);
      } else if (w.terminated && now >= w.deadline + kGraceAfterTerm) {
        ::kill(w.pid, SIGKILL);
      }
    }
  }

  void StopAll(int signal) {
    for (TWorker& w : workers_) {
      if (w.pid > 0) ::kill(w.pid, signal);
    }
    for (TWorker& w : workers_) {
      if (w.pid <= 0) continue;
      int status = 0;
      while (::waitpid(w.pid, &status, 0) < 0 && errno == EINTR) {
      }
      if (w.to >= 0) ::close(w.to);
      if (w.from >= 0) ::close(w.from);
      w = TWorker{};
    }
  }

  // The workers end first, each removing the file it was writing; then this process ends
  // as the signal would have ended it.
  [[noreturn]] void EndBySignal(int signal) {
    progress_.Clear();
    err_ << std::flush;
    StopAll(SIGTERM);
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    ::raise(signal);
    ::_exit(128 + signal);
  }

  const std::vector<TRenderJob>& jobs_;
  const TBatchLimits limits_;
  const TJobRunner& run_;
  std::vector<TWorker> workers_;
  std::ostream& err_;
  TProgressBar progress_;
  size_t next_ = 0;
  size_t done_ = 0;
  size_t failed_ = 0;
};

}  // namespace

int DefaultWorkers() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(std::min<unsigned>(cores, kMostJobs));
}

size_t RunBatch(const std::vector<TRenderJob>& jobs, int workers, std::ostream& err, bool progress,
                const TBatchLimits& limits, const TJobRunner& run) {
  if (jobs.empty()) return 0;
  TParentSignals signals;
  TPool pool(jobs, workers, err, progress, limits, run);
  return pool.Run();
}
