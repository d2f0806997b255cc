// One model's render as `facetmint render` runs it: load, settings, fit, the icon render and
// every output of the job. The single run and every batch worker call the same function, so
// that a model's files are the same either way.
#pragma once

#include <ostream>
#include <stdexcept>
#include <string>

#include "app/command_line.h"

// A failure that ends one model's render: "facetmint: subject: reason".
class EFailure : public std::runtime_error {
 public:
  EFailure(std::string subject, const std::string& reason)
      : std::runtime_error(reason), subject_(std::move(subject)) {}
  const std::string& Subject() const { return subject_; }

 private:
  std::string subject_;
};

// The lower-case extension without its dot ("3ds", "glb" ...); raises EFailure for a missing
// file, an extension of no model format or anything but a file.
std::string CheckModel(const std::string& file);

// One line for the terminal: the readers' messages may hold line breaks, which the window
// shows as such.
std::string OneLine(const std::string& text);

// Renders job.Model (the round cube when empty) and writes every output of the job. Warnings
// go to err; a failure raises EFailure naming the model or the file. Uses the process's
// shared off-screen context, made by the first call and kept for the next.
void RunRenderJob(const TRenderJob& job, std::ostream& err);

class TWorkbench;

// Loads file into workbench; texture warnings go to err. Raises EFailure.
void LoadModelFile(TWorkbench& workbench, const std::string& file, std::ostream& err);
