#include "app/window_recipe.h"

#include <filesystem>

#include "app/recipe.h"
#include "app/render_job.h"
#include "core/text_helpers.h"

namespace fs = std::filesystem;

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
  switch (format) {
    case ifIcns:
      job.Outputs = {name.string() + ".icns"};
      break;
    case ifIco:
      job.Outputs = {name.string() + ".ico"};
      break;
    case ifPng:
      job.Outputs = {name.string() + ".png"};
      break;
    case ifIconset:
      job.Outputs = {name.string() + ".iconset"};
      break;
    case ifIconTheme:
      job.IconThemeDir = name.string() + "-icon-theme";
      break;
    case ifWeb:
      job.WebDir = name.string() + "-web";
      break;
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
    if (ext == ".icns") return ifIcns;
    if (ext == ".ico") return ifIco;
    if (ext == ".png") return ifPng;
    if (ext == ".iconset") return ifIconset;
  }
  if (!job.IconThemeDir.empty()) return ifIconTheme;
  if (!job.WebDir.empty()) return ifWeb;
  return std::nullopt;
}
