// The window's recipes: what the window shows (its model, settings and save format) as a
// render request that `facetmint render --recipe` renders the same, and what of a recipe the
// window takes back (its one model and its save format).
#pragma once

#include <optional>
#include <string>

#include "app/command_line.h"
#include "app/workbench.h"

// The workbench's model and settings with one output of the format, beside the recipe file
// and named after it (two.json: two.icns, two.iconset, two-icon-theme/, two-web/).
TRenderRequest WindowRecipe(TWorkbench& workbench, TIconFormat format,
                            const std::string& recipe_file);

// The model file the window opens for a recipe read from recipe_file; "" when it names none
// (its settings apply to the model shown). Raises ERecipeError, starting with recipe_file,
// for more than one model, a folder, or a file that is no model or is missing.
std::string WindowRecipeModel(const TRenderRequest& request, const std::string& recipe_file);

// The save format of the recipe's first output (by its extension), else of its icon theme or
// web icons; nullopt when it has none.
std::optional<TIconFormat> RecipeFormat(const TRenderRequest& request);
