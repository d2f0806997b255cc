#include "app/batch.h"

#include <algorithm>
#include <filesystem>
#include <map>

#include "app/icon_pipeline.h"
#include "app/icon_sets.h"
#include "app/render_job.h"
#include "core/text_helpers.h"
#include "import/model_formats.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kNameField = "{name}";

std::string FillName(std::string text, const std::string& name) {
  for (size_t at = text.find(kNameField); at != std::string::npos;
       at = text.find(kNameField, at + name.size())) {
    text.replace(at, kNameField.size(), name);
  }
  return text;
}

// A path of the job with the name filled in, under the output folder when relative; the
// folder it is written into is then made before writing.
std::string Place(const std::string& path, const std::string& name, const std::string& out_dir,
                  std::vector<std::string>& folders) {
  const std::string filled = FillName(path, name);
  if (out_dir.empty() || fs::path(filled).is_absolute()) return filled;
  const fs::path placed = fs::path(FillName(out_dir, name)) / filled;
  folders.push_back(placed.parent_path().string());
  return placed.string();
}

std::string Normal(const fs::path& path) {
  std::error_code error;
  fs::path normal = fs::weakly_canonical(fs::absolute(path, error), error);
  if (error) normal = fs::absolute(path, error).lexically_normal();
  return normal.string();
}

}  // namespace

std::string ModelName(const std::string& model) {
  return model.empty() ? "facetmint" : fs::path(model).stem().string();
}

std::vector<std::string> ExpandModels(const std::vector<std::string>& inputs) {
  std::vector<std::string> models;
  for (const std::string& input : inputs) {
    std::error_code error;
    if (!fs::is_directory(input, error)) {
      models.push_back(input);  // a missing or wrong file fails when its turn comes
      continue;
    }
    std::vector<std::string> found;
    for (const fs::directory_entry& entry : fs::directory_iterator(input, error)) {
      std::error_code file_error;
      if (entry.is_regular_file(file_error) && ModelFormatOf(entry.path().string())) {
        found.push_back(entry.path().string());
      }
    }
    if (error) throw EFailure(input, "cannot be listed: " + error.message());
    if (found.empty()) throw EFailure(input, "the folder holds no model file");
    std::sort(found.begin(), found.end());
    models.insert(models.end(), found.begin(), found.end());
  }
  return models;
}

TRenderJob JobForModel(const TRenderRequest& request, const std::string& model) {
  TRenderJob job = request.Job;
  job.Model = model;
  const std::string name = ModelName(model);
  const std::string& out = request.OutDir;
  std::vector<std::string>& made = job.Folders;
  for (std::string& file : job.Outputs) file = Place(file, name, out, made);
  if (!job.PreviewDir.empty()) job.PreviewDir = Place(job.PreviewDir, name, out, made);
  if (!job.IconThemeDir.empty()) job.IconThemeDir = Place(job.IconThemeDir, name, out, made);
  if (!job.WebDir.empty()) job.WebDir = Place(job.WebDir, name, out, made);
  job.Name = FillName(job.Name, name);
  if (!job.Name.empty()) CheckIconSetNameOption(model + ": --name", job.Name);
  return job;
}

std::vector<std::string> FilesWritten(const TRenderJob& job) {
  std::vector<std::string> files;
  auto add_set = [&](const std::string& folder, const std::vector<std::string>& names) {
    for (const std::string& name : names) files.push_back(Normal(fs::path(folder) / name));
  };
  for (const std::string& file : job.Outputs) {
    if (LowerExtension(file) == ".iconset") {
      add_set(file, IconsetFiles());
    } else {
      files.push_back(Normal(file));
    }
  }
  if (!job.PreviewDir.empty()) {
    std::vector<std::string> previews;
    for (int size : TIconPreviews::kSizes)
      previews.push_back("icon" + std::to_string(size) + ".png");
    add_set(job.PreviewDir, previews);
  }
  const std::string name = job.Name.empty() ? IconSetName(job.Model) : job.Name;
  if (!job.IconThemeDir.empty()) add_set(job.IconThemeDir, IconThemeFiles(name));
  if (!job.WebDir.empty()) add_set(job.WebDir, WebIconFiles());
  return files;
}

void CheckNoConflicts(const std::vector<TRenderJob>& jobs) {
  std::map<std::string, size_t> writer;
  for (size_t i = 0; i < jobs.size(); ++i) {
    std::vector<std::string> files = FilesWritten(jobs[i]);
    // One job may name a file twice (the single run allows it); only other jobs conflict.
    std::sort(files.begin(), files.end());
    files.erase(std::unique(files.begin(), files.end()), files.end());
    for (const std::string& file : files) {
      const auto [it, added] = writer.emplace(file, i);
      if (!added) {
        throw EBatchConflict(jobs[it->second].Model + " and " + jobs[i].Model +
                             " would both write " + file +
                             " (put {name} in the output paths to keep them apart)");
      }
    }
  }
}

std::vector<TRenderJob> PlanBatch(const TRenderRequest& request) {
  std::vector<TRenderJob> jobs;
  if (request.Models.empty()) {
    jobs.push_back(JobForModel(request, ""));
  } else {
    for (const std::string& model : ExpandModels(request.Models)) {
      jobs.push_back(JobForModel(request, model));
    }
  }
  CheckNoConflicts(jobs);
  return jobs;
}
