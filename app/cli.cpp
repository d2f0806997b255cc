#include "app/cli.h"

#include <unistd.h>

#include <filesystem>
#include <new>
#include <optional>
#include <stdexcept>

#include "app/batch.h"
#include "app/batch_run.h"
#include "app/command_line.h"
#include "app/model_info.h"
#include "app/program_files.h"
#include "app/recipe.h"
#include "app/render_job.h"
#include "app/thumbnail.h"
#include "app/window_launch.h"
#include "app/workbench.h"
#include "platform/atomic_file.h"
#include "platform/display_probe.h"
#include "platform/large_page_heap.h"

#ifndef FACETMINT_VERSION
#define FACETMINT_VERSION "unknown"
#endif

namespace {

// render: the recipe saved, then every model rendered: in this process when there is one,
// by workers when there are more. Returns the exit status.
int Render(const TCommandLine& line, std::ostream& err) {
  const TRenderRequest& request = line.Render;
  if (!line.SaveRecipe.empty()) {
    try {
      WriteRecipe(line.SaveRecipe, request);
    } catch (const std::exception& e) {
      throw EFailure(line.SaveRecipe, e.what());
    }
  }
  const TRenderJob& job = request.Job;
  if (job.Outputs.empty() && job.PreviewDir.empty() && job.IconThemeDir.empty() &&
      job.WebDir.empty()) {
    return 0;  // only the recipe was asked for
  }
  const std::vector<TRenderJob> jobs = PlanBatch(request);
  if (jobs.size() == 1) {
    RemoveTemporaryFilesOnSignals();
    RunRenderJob(jobs[0], err);
    return 0;
  }
  const int workers = request.Jobs > 0 ? request.Jobs : DefaultWorkers();
  const size_t failed = RunBatch(jobs, workers, err, ::isatty(STDERR_FILENO) == 1);
  if (failed == 0) return 0;
  err << "facetmint: " << failed << " of " << jobs.size() << " models failed\n";
  return 1;
}

void Info(const std::string& file, std::ostream& out, std::ostream& err) {
  const std::string format = CheckModel(file);
  TWorkbench workbench;
  LoadModelFile(workbench, file, err);
  out << ModelInfoJson(workbench, file, format) << "\n";
}

}  // namespace

int RunFacetmint(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    const TCommandLine line = ParseCommandLine(args);
    for (const std::string& notice : line.Notices) err << "facetmint: " << notice << "\n";
    switch (line.Command) {
      case TCommand::Help:
        out << UsageText();
        if (const std::string page = HelpPageUrl(); !page.empty())
          out << "\nThe help page: " << page << "\n";
        return 0;
      case TCommand::Version:
        out << "facetmint " << FACETMINT_VERSION << "\n";
        return 0;
      case TCommand::Info:
        Info(line.InfoModel, out, err);
        return 0;
      case TCommand::Render:
        return Render(line, err);
      case TCommand::Thumbnail:
        LimitThumbnailResources(line.Thumbnail);
        CheckModel(line.Thumbnail.Input);
        UseLargePageHeap(size_t{256} << 20);  // as the render: a short run of large pictures
        try {
          MakeThumbnail(line.Thumbnail);
        } catch (const std::bad_alloc&) {
          throw;
        } catch (const std::exception& e) {
          throw EFailure(line.Thumbnail.Input, e.what());
        }
        return 0;
      case TCommand::Window: {
        std::optional<std::string> model;
        if (!line.WindowModel.empty()) model = line.WindowModel;
        // A display that is named but cannot be opened is an error; only without any
        // display does the start fall back to rendering.
        const TDisplayChoice display = ConfiguredDisplay();
        if (display.kind != TDisplayKind::None) {
          ExecWindowProgram(model);  // returns only when the program cannot be started
        }
        const std::string why = "neither DISPLAY nor WAYLAND_DISPLAY is set";
        if (model) throw EFailure(*model, "no window can be shown: " + why);
        // Without a display the start without arguments still makes the round cube's icons.
        err << "facetmint: no window can be shown (" << why
            << "); rendering the round cube into out/ (icon.icns, icon.ico, icon.png)\n";
        std::error_code error;
        std::filesystem::create_directories("out", error);
        if (error) throw EFailure("out", error.message());
        TRenderJob job;
        job.Outputs = {"out/icon.icns", "out/icon.ico", "out/icon.png"};
        RunRenderJob(job, err);
        return 0;
      }
    }
  } catch (const EPlainUsageError& e) {
    err << "facetmint: " << e.what() << "\n";
    return 2;
  } catch (const EUsageError& e) {
    err << "facetmint: " << e.what() << "\n" << UsageText();
    return 2;
  } catch (const EFailure& e) {
    err << "facetmint: " << e.Subject() << ": " << OneLine(e.what()) << "\n";
  } catch (const std::bad_alloc&) {
    err << "facetmint: out of memory\n";
  } catch (const std::exception& e) {
    err << "facetmint: " << OneLine(e.what()) << "\n";
  }
  return 1;
}
