#include "app/cli.h"

#include <algorithm>
#include <filesystem>
#include <new>
#include <optional>
#include <set>
#include <stdexcept>

#include "app/command_line.h"
#include "app/framing.h"
#include "app/model_info.h"
#include "app/program_files.h"
#include "app/thumbnail.h"
#include "app/window_launch.h"
#include "app/workbench.h"
#include "core/text_helpers.h"
#include "import/model_formats.h"
#include "platform/display_probe.h"
#include "platform/large_page_heap.h"
#include "render/egl_context.h"
#include "render/gl_canvas.h"
#include "scene/shape.h"

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

// The lower-case extension without its dot ("3ds", "glb" ...); raises for a missing file,
// an extension of no model format or anything but a file.
std::string CheckModel(const std::string& file) {
  const std::string ext = LowerExtension(file);
  if (!ModelFormatOf(file)) {
    throw EFailure(file,
                   "unknown model format (expected a model file such as .3ds, .md3, .gltf, "
                   ".glb, .obj, .fbx, .dae, .stl or .ply)");
  }
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(file, error);
  if (!std::filesystem::exists(status)) throw EFailure(file, "no such file");
  if (std::filesystem::is_directory(status)) throw EFailure(file, "is a folder");
  if (!std::filesystem::is_regular_file(status)) throw EFailure(file, "is not a regular file");
  return ext.substr(1);
}

// One line for the terminal: the readers' messages may hold line breaks, which the window
// shows as such.
std::string OneLine(const std::string& text) {
  std::string line;
  for (char c : text) {
    const bool space = c == '\n' || c == '\r' || c == '\t';
    if (space && (line.empty() || line.back() == ' ')) continue;
    line += space ? ' ' : c;
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

// True when no pixel of Bitmap is even partly opaque.
bool FullyTransparent(const TpmBitmap& bitmap) {
  const size_t count = static_cast<size_t>(bitmap.Width()) * static_cast<size_t>(bitmap.Height());
  const uint32_t* pixels = bitmap.Pixels();
  return std::none_of(pixels, pixels + count, [](uint32_t p) { return (p >> 24) != 0; });
}

// Textures the model names but that cannot be shown are warnings: the model is drawn in
// its base colours.
void Load(TWorkbench& workbench, const std::string& file, std::ostream& err) {
  try {
    if (!workbench.LoadModel(file)) throw EFailure(file, "no such file");
  } catch (const EFailure&) {
    throw;
  } catch (const std::exception& e) {
    throw EFailure(file, e.what());
  }
  std::set<std::string> said;
  for (const auto& [mesh, texture] : workbench.LoadReport().Textures) {
    if (!texture.Note.empty() && said.insert(texture.Note).second)
      err << "facetmint: " << file << ": warning: " << OneLine(texture.Note) << "\n";
  }
}

TIconFormat FormatOf(const std::string& file) {
  const std::string ext = LowerExtension(file);
  if (ext == ".icns") return ifIcns;
  if (ext == ".ico") return ifIco;
  if (ext == ".iconset") return ifIconset;
  return ifPng;
}

void Save(TWorkbench& workbench, TIconFormat format, const std::string& file, int png_size) {
  try {
    workbench.Save(format, file, png_size);
  } catch (const std::exception& e) {
    throw EFailure(file, e.what());
  }
}

void Render(const TRenderJob& job, std::ostream& err) {
  // The command allocates its pictures (up to 16 MB each) once and then ends: fault them in
  // huge pages (for the 1024 master this halves what the .icns adds).
  UseLargePageHeap(size_t{256} << 20);
  const std::string subject = job.Model.empty() ? "round cube" : job.Model;
  if (!job.Model.empty()) CheckModel(job.Model);
  InstallOpenGLRenderer();
  TWorkbench workbench;
  if (!job.Model.empty()) {
    Load(workbench, job.Model, err);
  }
  try {
    ApplyRenderSettings(workbench, job.Settings);
  } catch (const EUnknownMesh& e) {
    throw EFailure(subject, e.what());
  }
  if (job.Fit) FitFraming(workbench, job.FitMargin);
  workbench.SetIconSetName(job.Name);
  workbench.SetWebBackground(job.Background);
  // In the window a frame that cannot start keeps the last render; here there is none,
  // and empty icons must not pass for a result.
  if (!workbench.RenderIcons()) {
    const std::string& why = TglEglContext::OffscreenContextError();
    throw EFailure(subject, "cannot render off-screen" + (why.empty() ? "" : ": " + why));
  }
  // Icons of nothing must not pass for a result, unless every mesh was hidden on purpose.
  const std::vector<TgkShape*> meshes = workbench.Meshes();
  const bool any_shown =
      std::any_of(meshes.begin(), meshes.end(), [](TgkShape* m) { return m->Visible(); });
  if (any_shown && FullyTransparent(workbench.Preview(256))) {
    throw EFailure(subject,
                   "nothing of the model is visible in the icon (turned or moved out of view)");
  }
  for (const std::string& file : job.Outputs) Save(workbench, FormatOf(file), file, job.PngSize);
  if (!job.IconThemeDir.empty()) Save(workbench, ifIconTheme, job.IconThemeDir, job.PngSize);
  if (!job.WebDir.empty()) Save(workbench, ifWeb, job.WebDir, job.PngSize);
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

void Info(const std::string& file, std::ostream& out, std::ostream& err) {
  const std::string format = CheckModel(file);
  TWorkbench workbench;
  Load(workbench, file, err);
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
  for (const std::string& notice : line.Notices) err << "facetmint: " << notice << "\n";
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
        Info(line.InfoModel, out, err);
        return 0;
      case TCommand::Render:
        Render(line.Render, err);
        return 0;
      case TCommand::Thumbnail:
        LimitThumbnailResources(line.Thumbnail);
        UseLargePageHeap(size_t{256} << 20);  // as the render: a short run of large pictures
        CheckModel(line.Thumbnail.Input);
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
        Render(job, err);
        return 0;
      }
    }
  } catch (const EFailure& e) {
    err << "facetmint: " << e.Subject() << ": " << OneLine(e.what()) << "\n";
  } catch (const std::bad_alloc&) {
    err << "facetmint: out of memory\n";
  } catch (const std::exception& e) {
    err << "facetmint: " << OneLine(e.what()) << "\n";
  }
  return 1;
}
