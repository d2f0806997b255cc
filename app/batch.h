// Planning a batch render: the models a request names (a folder stands for the model files
// directly in it), one job per model with "{name}" filled in and the output folder applied,
// and the check that no two models would write the same file, all before anything renders.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "app/command_line.h"

// Two models that would write the same file; the message names both and the file.
class EBatchConflict : public EPlainUsageError {
 public:
  using EPlainUsageError::EPlainUsageError;
};

// What "{name}" stands for: the model's file name without its extension ("facetmint" for
// the round cube).
std::string ModelName(const std::string& model);

// The model files of inputs, in their order; a folder gives its model files (by their
// extension) in name order. Raises EFailure (render_job.h) for a folder without any.
std::vector<std::string> ExpandModels(const std::vector<std::string>& inputs);

// The job of one model (empty: the round cube): request.Job with Model set, every "{name}" in
// the output paths and the icon sets' name replaced, and relative output paths put under
// request.OutDir. Raises EUsageError when the name that results cannot name a file.
TRenderJob JobForModel(const TRenderRequest& request, const std::string& model);

// Every file the job writes, as an absolute path without "." and "..", symbolic links of
// existing folders followed.
std::vector<std::string> FilesWritten(const TRenderJob& job);

// Raises EBatchConflict when two jobs write one file.
void CheckNoConflicts(const std::vector<TRenderJob>& jobs);

// All of the above: the checked jobs of the request, one per model (the round cube's when
// it names none).
std::vector<TRenderJob> PlanBatch(const TRenderRequest& request);
