#include "app/window_recipe.h"

#include <filesystem>
#include <iterator>

#include "app/recipe.h"
#include "app/render_job.h"
#include "core/text_helpers.h"

namespace fs = std::filesystem;

namespace {

// The extension of each format written as one output (the files and the .iconset folder).
constexpr const char* kOutputExtensions[] = {".icns", ".ico", ".png", ".iconset"};
static_assert(std::size(kOutputExtensions) == ifIconset + 1);

}  // namespace

TRenderRequest WindowRecipe(TWorkbench& workbench, TIconFormat format,
                            const std::string& recipe_file) {
  TRenderRequest request;
  if (!workbench.ModelFileName().empty()) request.Models = {workbench.ModelFileName()};
  TRenderJob& job = request.Job;
  job.Settings = CurrentRenderSettings(workbench);
  // A fitted framing renders without the shadow's shift; the render fits again to match.
  job.Fit = workbench.FramingFitted();
  // Relative to the working folder, as the command line's paths, so that the recipe names
  // them relative to its own folder (an absolute path would stay absolute there).
  std::error_code error;
  const fs::path here = fs::current_path(error);
  const fs::path recipe(recipe_file);
  fs::path name = recipe.parent_path() / recipe.stem();
  if (!error && name.is_absolute()) name = name.lexically_proximate(here);
  if (format == ifIconTheme) {
    job.IconThemeDir = name.string() + "-icon-theme";
  } else if (format == ifWeb) {
    job.WebDir = name.string() + "-web";
  } else {
    job.Outputs = {name.string() + kOutputExtensions[format]};
  }
  return request;
}

std::string WindowRecipeModel(const TRenderRequest& request, const std::string& recipe_file) {
  if (request.Models.empty()) return "";
  const std::string where = recipe_file + ": \"model\": ";
  if (request.Models.size() > 1) throw ERecipeError(where + "the window opens one model file");
  const std::string& model = request.Models[0];
  try {
    CheckModel(model);
  } catch (const EFailure& e) {
    throw ERecipeError(where + e.Subject() + ": " + e.what());
  }
  return model;
}

std::optional<TIconFormat> RecipeFormat(const TRenderRequest& request) {
  const TRenderJob& job = request.Job;
  if (!job.Outputs.empty()) {
    const std::string ext = LowerExtension(job.Outputs[0]);
    for (int format = ifIcns; format <= ifIconset; ++format) {
      if (ext == kOutputExtensions[format]) return static_cast<TIconFormat>(format);
    }
  }
  if (!job.IconThemeDir.empty()) return ifIconTheme;
  if (!job.WebDir.empty()) return ifWeb;
  return std::nullopt;
}
