#include "app/render_job.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <filesystem>
#include <set>
#include <system_error>
#include <thread>
#include <vector>

#include "app/framing.h"
#include "app/icon_pipeline.h"
#include "app/workbench.h"
#include "core/text_helpers.h"
#include "import/model_formats.h"
#include "platform/large_page_heap.h"
#include "render/egl_context.h"
#include "render/gl_canvas.h"
#include "scene/shape.h"
#include "scene/start_color.h"

std::string CheckModel(const std::string& file) {
  // Said so, rather than an unknown format of a name left blank in the message.
  if (file.empty()) throw EFailure("\"\"", "an empty file name");
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

namespace {

// True when no pixel of Bitmap is even partly opaque.
bool FullyTransparent(const TpmBitmap& bitmap) {
  const size_t count = static_cast<size_t>(bitmap.Width()) * static_cast<size_t>(bitmap.Height());
  const uint32_t* pixels = bitmap.Pixels();
  return std::none_of(pixels, pixels + count, [](uint32_t p) { return (p >> 24) != 0; });
}

}  // namespace

// Textures the model names but that cannot be shown are warnings: the model is drawn in
// its base colours.
void LoadModelFile(TWorkbench& workbench, const std::string& file, std::ostream& err) {
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

namespace {

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

// Whether the output reads only the finished previews (.ico files, PNGs of a preview's size),
// so that it can be written on another thread. The others may make the large masters, which
// render with this thread's OpenGL context and add to the workbench's icons.
bool ReadsOnlyPreviews(TIconFormat format, int png_size) {
  const auto& sizes = TIconPreviews::kSizes;
  return format == ifIco ||
         (format == ifPng && std::find(sizes.begin(), sizes.end(), png_size) != sizes.end());
}

// Writes the job's files. Those that read only the previews are shared between this thread
// and a helper, so that they are encoded beside each other and beside the .icns's large
// masters (the .ico and the .png took about 3 ms each, one after the other). A failure is
// reported for the first failing file in the job's order, as when they were written in turn.
void WriteOutputs(TWorkbench& workbench, const TRenderJob& job) {
  std::vector<size_t> beside, here;
  for (size_t i = 0; i < job.Outputs.size(); ++i) {
    (ReadsOnlyPreviews(FormatOf(job.Outputs[i]), job.PngSize) ? beside : here).push_back(i);
  }
  std::vector<std::exception_ptr> failures(job.Outputs.size());
  auto save = [&](size_t i) {
    try {
      Save(workbench, FormatOf(job.Outputs[i]), job.Outputs[i], job.PngSize);
    } catch (...) {
      failures[i] = std::current_exception();
    }
  };
  std::atomic<size_t> next{0};
  auto save_beside = [&] {
    for (size_t k = next++; k < beside.size(); k = next++) save(beside[k]);
  };
  {
    std::jthread helper;
    if (beside.size() > 1 || (!beside.empty() && !here.empty())) {
      try {
        helper = std::jthread(save_beside);
      } catch (const std::system_error&) {
        // No thread to be had: this thread writes them all.
      }
    }
    for (size_t i : here) save(i);
    save_beside();
  }
  for (const std::exception_ptr& failure : failures) {
    if (failure) std::rethrow_exception(failure);
  }
}

}  // namespace

void RunRenderJob(const TRenderJob& job, std::ostream& err) {
  const std::string subject = job.Model.empty() ? "round cube" : job.Model;
  if (!job.Model.empty()) CheckModel(job.Model);
  // The command allocates its pictures (up to 16 MB each) once and then ends: fault them in
  // huge pages (for the 1024 master this halves what the .icns adds). A batch worker keeps
  // that heap for the next model, so it is prepared once per process.
  static const size_t heap = UseLargePageHeap(size_t{256} << 20);
  (void)heap;
  InstallOpenGLRenderer();
  // The driver starts while a reader process reads the model (the in-process readers are too
  // quick for that to pay).
  if (TWorkbench::ReadsApart(job.Model)) TglEglContext::PrepareShared();
  // New shapes take their colours from one generator; a model rendered after another in
  // the same process must get the colours a fresh process gives it.
  ResetStartColors();
  TWorkbench workbench;
  if (!job.Model.empty()) {
    LoadModelFile(workbench, job.Model, err);
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
  for (const std::string& folder : job.Folders) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) throw EFailure(folder, error.message());
  }
  WriteOutputs(workbench, job);
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
