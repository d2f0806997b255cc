// Running a planned batch (batch.h): worker processes render the jobs, a given number at a
// time. Each worker keeps its renderer (the off-screen context) from one model to the next
// and renders every model exactly as a single run does. A worker that crashes or runs out
// of processor or clock time fails its model only; a new worker takes over the rest. SIGINT,
// SIGTERM and SIGHUP end every worker (which removes the file it was writing) and then the program,
// as the signal would have.
#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <vector>

#include "app/command_line.h"
#include "app/render_job.h"

// Processor seconds one model may take in a worker; more ends that worker.
inline constexpr int kModelProcessorSeconds = 300;
// Seconds on the clock one model may take: a worker that waits without using the processor
// (a stalled network file system, a driver that hangs) is ended too, or the batch would
// never end.
inline constexpr int kModelWallSeconds = 900;

struct TBatchLimits {
  int ProcessorSeconds = kModelProcessorSeconds;
  int WallSeconds = kModelWallSeconds;
};

// What a worker does with one job: RunRenderJob's contract (messages to the stream, a
// failure raised).
using TJobRunner = std::function<void(const TRenderJob&, std::ostream&)>;

// The workers to use when none are asked for: one per processor.
int DefaultWorkers();

// Renders every job with up to `workers` processes. Each model's messages go to err as a
// single run writes them ("facetmint: FILE: reason"); with progress, a progress line on err
// too. Must be called before the process starts a renderer or threads of its own (the
// workers are forked from it). Returns the number of models that failed.
size_t RunBatch(const std::vector<TRenderJob>& jobs, int workers, std::ostream& err, bool progress,
                const TBatchLimits& limits = {}, const TJobRunner& run = RunRenderJob);
