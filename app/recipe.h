// Recipes: a render's settings as a small JSON object whose keys are the long options of
// `facetmint render` without their dashes ("view": [-33, 20], "shadow-color": "#FF000000",
// "hide": ["wheel"], "color": {"body": "#FF2040A0"}, "outputs": ["x.icns"], "model": ...).
// One table of keys (recipe.cpp) both reads and writes them, so the two cannot drift apart.
// Relative paths in a recipe are relative to its folder. The functions on JSON values need no
// command line, for the window's own use.
#pragma once

#include <filesystem>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

#include "app/command_line.h"

// An unknown key, a value of the wrong type or one the option would refuse, a file that is
// no JSON object: the message names the recipe and the key (status 2).
class ERecipeError : public EPlainUsageError {
 public:
  using EPlainUsageError::EPlainUsageError;
};

// The keys a recipe may hold, in the order they are written.
std::vector<std::string> RecipeKeys();

// The request as a recipe kept in folder base: every setting, and the paths, models and
// outputs that are set. Paths are written relative to base (the outputs stay relative to
// the output folder when there is one).
nlohmann::json RecipeToJson(const TRenderRequest& request, const std::filesystem::path& base);

// The request a recipe in folder base describes; keys it lacks keep their defaults. where
// starts every error message (the recipe's file name). Values outside a slider's range are
// kept as they are, for RangeNotices to report, as on the command line.
TRenderRequest RecipeFromJson(const nlohmann::json& recipe, const std::filesystem::path& base,
                              const std::string& where = "recipe");

// The files: read (raises ERecipeError) and written atomically (raises on a failed write).
TRenderRequest ReadRecipe(const std::string& file);
void WriteRecipe(const std::string& file, const TRenderRequest& request);
