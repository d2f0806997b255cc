#include "app/cli.h"

#include <filesystem>
#include <optional>
#include <stdexcept>

#include "app/command_line.h"
#include "app/main_window.h"
#include "app/model_info.h"
#include "app/workbench.h"
#include "platform/video_system.h"
#include "render/egl_context.h"
#include "render/gl_canvas.h"

#ifndef FACETMINT_VERSION
#define FACETMINT_VERSION "unknown"
#endif

namespace {

// A failure that ends the run: "facetmint: subject: reason".
class EFailure : public std::runtime_error {
 public:
  EFailure(std::string subject, const std::string& reason)
      : std::runtime_error(reason), subject_(std::move(subject)) {}
  const std::string& Subject() const { return subject_; }

 private:
  std::string subject_;
};

// Whether the desktop can show a window; Why says why not.
bool WindowAvailable(std::string& why) {
  try {
    TVideoSystem video;
    return true;
  } catch (const std::exception& e) {
    why = e.what();
    return false;
  }
}

std::string LowerExtension(const std::string& file_name) {
  std::string ext = std::filesystem::path(file_name).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

// "3ds" or "md3"; raises for a missing file or another extension.
std::string CheckModel(const std::string& file) {
  const std::string ext = LowerExtension(file);
  if (ext != ".3ds" && ext != ".md3") {
    throw EFailure(file, "unknown model format (expected a .3ds or .md3 file)");
  }
  std::error_code error;
  if (!std::filesystem::exists(file, error)) throw EFailure(file, "no such file");
  if (std::filesystem::is_directory(file, error)) throw EFailure(file, "is a folder");
  return ext.substr(1);
}

void Load(TWorkbench& workbench, const std::string& file) {
  try {
    if (!workbench.LoadModel(file)) throw EFailure(file, "no such file");
  } catch (const EFailure&) {
    throw;
  } catch (const std::exception& e) {
    throw EFailure(file, e.what());
  }
}

TIconFormat FormatOf(const std::string& file) {
  const std::string ext = LowerExtension(file);
  if (ext == ".icns") return ifIcns;
  if (ext == ".ico") return ifIco;
  return ifPng;
}

void Render(const TRenderJob& job) {
  const std::string subject = job.Model.empty() ? "round cube" : job.Model;
  if (!job.Model.empty()) CheckModel(job.Model);
  InstallOpenGLRenderer();
  TWorkbench workbench;
  if (!job.Model.empty()) {
    Load(workbench, job.Model);
    // The 3DS reader takes data without a mesh chunk as an empty model: icons of nothing
    // must not pass for a result.
    if (workbench.Meshes().empty()) throw EFailure(job.Model, "the model has no meshes");
  }
  try {
    ApplyRenderSettings(workbench, job.Settings);
  } catch (const EUnknownMesh& e) {
    throw EFailure(subject, e.what());
  }
  // In the window a frame that cannot start keeps the last render; here there is none,
  // and empty icons must not pass for a result.
  if (!workbench.RenderIcons()) {
    const std::string& why = TglEglContext::OffscreenContextError();
    throw EFailure(subject, "cannot render off-screen" + (why.empty() ? "" : ": " + why));
  }
  for (const std::string& file : job.Outputs) {
    try {
      workbench.Save(FormatOf(file), file);
    } catch (const std::exception& e) {
      throw EFailure(file, e.what());
    }
  }
  if (!job.PreviewDir.empty()) {
    std::error_code error;
    std::filesystem::create_directories(job.PreviewDir, error);
    if (error) throw EFailure(job.PreviewDir, error.message());
    for (int size : TIconPreviews::kSizes) {
      const std::string file =
          (std::filesystem::path(job.PreviewDir) / ("icon" + std::to_string(size) + ".png"))
              .string();
      try {
        if (!workbench.Preview(size).SaveToFile(file, "")) {
          throw std::runtime_error("the image codec refused to write it");
        }
      } catch (const std::exception& e) {
        throw EFailure(file, e.what());
      }
    }
  }
}

void Info(const std::string& file, std::ostream& out) {
  const std::string format = CheckModel(file);
  TWorkbench workbench;
  Load(workbench, file);
  out << ModelInfoJson(workbench, file, format) << "\n";
}

}  // namespace

int RunFacetmint(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  TCommandLine line;
  try {
    line = ParseCommandLine(args);
  } catch (const EUsageError& e) {
    err << "facetmint: " << e.what() << "\n" << UsageText();
    return 2;
  }
  try {
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
        Info(line.InfoModel, out);
        return 0;
      case TCommand::Render:
        Render(line.Render);
        return 0;
      case TCommand::Window: {
        std::optional<std::string> model;
        if (!line.WindowModel.empty()) model = line.WindowModel;
        std::string why;
        if (WindowAvailable(why)) return RunMainWindow(model);
        if (model) throw EFailure(*model, "no window can be shown: " + why);
        // Without a display the start without arguments still makes the round cube's icons.
        err << "facetmint: no window can be shown (" << why
            << "); rendering the round cube into out/ (icon.icns, icon.ico, icon.png)\n";
        std::error_code error;
        std::filesystem::create_directories("out", error);
        if (error) throw EFailure("out", error.message());
        TRenderJob job;
        job.Outputs = {"out/icon.icns", "out/icon.ico", "out/icon.png"};
        Render(job);
        return 0;
      }
    }
  } catch (const EFailure& e) {
    err << "facetmint: " << e.Subject() << ": " << e.what() << "\n";
  } catch (const std::exception& e) {
    err << "facetmint: " << e.what() << "\n";
  }
  return 1;
}
