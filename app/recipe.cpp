#include "app/recipe.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "imaging/bitmap.h"
#include "platform/atomic_file.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// What reading and writing a key needs besides the request: the recipe's folder, whether the
// outputs are relative to an output folder, and the start of error messages.
struct TRecipeContext {
  fs::path base;
  bool outputs_under_out_dir = false;
  std::string where;
};

[[noreturn]] void Wrong(const TRecipeContext& c, const std::string& key, const std::string& what,
                        const json& value) {
  throw ERecipeError(c.where + ": \"" + key + "\": expected " + what + ", got " +
                     std::string(value.type_name()));
}

// ---- Reading values of the right type ----

double Number(const TRecipeContext& c, const std::string& key, const json& v) {
  if (!v.is_number()) Wrong(c, key, "a number", v);
  const double d = v.get<double>();
  if (!std::isfinite(static_cast<float>(d))) Wrong(c, key, "a number within float range", v);
  return d;
}

bool Bool(const TRecipeContext& c, const std::string& key, const json& v) {
  if (!v.is_boolean()) Wrong(c, key, "true or false", v);
  return v.get<bool>();
}

std::string String(const TRecipeContext& c, const std::string& key, const json& v) {
  if (!v.is_string()) Wrong(c, key, "a string", v);
  return v.get<std::string>();
}

std::vector<float> Numbers(const TRecipeContext& c, const std::string& key, const json& v,
                           size_t count) {
  const std::string what = "an array of " + std::to_string(count) + " numbers";
  if (!v.is_array() || v.size() != count) Wrong(c, key, what, v);
  std::vector<float> numbers;
  for (const json& item : v) numbers.push_back(static_cast<float>(Number(c, key, item)));
  return numbers;
}

// An array of strings.
std::vector<std::string> Strings(const TRecipeContext& c, const std::string& key, const json& v) {
  if (!v.is_array()) Wrong(c, key, "an array of strings", v);
  std::vector<std::string> strings;
  for (const json& item : v) {
    if (!item.is_string()) Wrong(c, key, "an array of strings", v);
    strings.push_back(item.get<std::string>());
  }
  return strings;
}

// "#RRGGBB", or "#AARRGGBB" with AA = FF: colours written as ColorToString writes them read
// back.
uint32_t OpaqueColor(const std::string& option, const std::string& text) {
  if (text.size() == 9 && text[0] == '#') {
    const uint32_t color = ParseColor(option, text, false);
    if ((color >> 24) != 0xFF) {
      throw EUsageError(option + ": expected an opaque colour (#RRGGBB or #FFRRGGBB), got \"" +
                        text + "\"");
    }
    return color;
  }
  return ParseColor(option, text, true);
}

// ---- Paths ----

// A path of the recipe, relative to its folder.
std::string FromRecipe(const TRecipeContext& c, const std::string& path) {
  const fs::path p(path);
  return p.is_absolute() || c.base.empty() ? path : (c.base / p).string();
}

// A path given relative to the working folder, written relative to the recipe's folder; an
// absolute one stays as it is.
std::string ToRecipe(const TRecipeContext& c, const std::string& path) {
  if (fs::path(path).is_absolute()) return path;
  std::error_code error;
  const fs::path target = fs::absolute(path, error).lexically_normal();
  const fs::path base = fs::absolute(c.base.empty() ? fs::path(".") : c.base, error);
  if (error) return path;
  return target.lexically_proximate(base.lexically_normal()).generic_string();
}

// An output path: under the output folder when there is one, else as any path.
std::string OutputFromRecipe(const TRecipeContext& c, const std::string& path) {
  return c.outputs_under_out_dir ? path : FromRecipe(c, path);
}
std::string OutputToRecipe(const TRecipeContext& c, const std::string& path) {
  return c.outputs_under_out_dir && fs::path(path).is_relative() ? path : ToRecipe(c, path);
}

// ---- Writing numbers: whole ones as integers, others as the shortest text that reads back
// as the same float. ----

json NumberJson(float value) {
  if (value == std::trunc(value) && std::fabs(value) < 1e9f) {
    return static_cast<int64_t>(value);
  }
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::strtod(std::string(buffer, result.ptr).c_str(), nullptr);
}

template <size_t N>
json NumbersJson(const std::array<float, N>& values) {
  json array = json::array();
  for (float v : values) array.push_back(NumberJson(v));
  return array;
}

// ---- The table of keys ----

using TReader = void (*)(const TRecipeContext&, const std::string& key, const json&,
                         TRenderRequest&);
using TWriter = json (*)(const TRecipeContext&, const TRenderRequest&);  // null: not written

struct TKey {
  const char* name;
  TReader read;
  TWriter write;
};

json Omit() {
  return json();
}

// Keys of the same kind, one pair of functions for each kind: the icon sets' folders and
// the shadow's numbers.
template <std::string TRenderJob::*Field>
void ReadOutputFolder(const TRecipeContext& c, const std::string& key, const json& v,
                      TRenderRequest& r) {
  std::string& folder = r.Job.*Field;
  folder = String(c, key, v);
  CheckFolder(key, folder);
  folder = OutputFromRecipe(c, folder);
}

template <std::string TRenderJob::*Field>
json WriteOutputFolder(const TRecipeContext& c, const TRenderRequest& r) {
  const std::string& folder = r.Job.*Field;
  return folder.empty() ? Omit() : json(OutputToRecipe(c, folder));
}

template <float TShadowSettings::*Field>
void ReadShadowNumber(const TRecipeContext& c, const std::string& key, const json& v,
                      TRenderRequest& r) {
  r.Job.Settings.Shadow.*Field = static_cast<float>(Number(c, key, v));
}

template <float TShadowSettings::*Field>
json WriteShadowNumber(const TRecipeContext&, const TRenderRequest& r) {
  return NumberJson(r.Job.Settings.Shadow.*Field);
}

const TKey kKeys[] = {
    {"model",
     [](const TRecipeContext& c, const std::string& key, const json& v, TRenderRequest& r) {
       r.Models = v.is_string() ? std::vector<std::string>{String(c, key, v)} : Strings(c, key, v);
       for (std::string& model : r.Models) {
         // Empty, it would name the recipe's folder (its models) or none (the round cube).
         if (model.empty()) throw ERecipeError(c.where + ": \"" + key + "\": an empty file name");
         model = FromRecipe(c, model);
       }
     },
     [](const TRecipeContext& c, const TRenderRequest& r) -> json {
       if (r.Models.empty()) return Omit();
       if (r.Models.size() == 1) return ToRecipe(c, r.Models[0]);
       json models = json::array();
       for (const std::string& model : r.Models) models.push_back(ToRecipe(c, model));
       return models;
     }},
    {"outputs",
     [](const TRecipeContext& c, const std::string& key, const json& v, TRenderRequest& r) {
       r.Job.Outputs.clear();
       for (const std::string& file : Strings(c, key, v)) {
         CheckOutputFile(file);
         r.Job.Outputs.push_back(OutputFromRecipe(c, file));
       }
     },
     [](const TRecipeContext& c, const TRenderRequest& r) -> json {
       if (r.Job.Outputs.empty()) return Omit();
       json outputs = json::array();
       for (const std::string& file : r.Job.Outputs) outputs.push_back(OutputToRecipe(c, file));
       return outputs;
     }},
    {"previews", ReadOutputFolder<&TRenderJob::PreviewDir>,
     WriteOutputFolder<&TRenderJob::PreviewDir>},
    {"icon-theme", ReadOutputFolder<&TRenderJob::IconThemeDir>,
     WriteOutputFolder<&TRenderJob::IconThemeDir>},
    {"web", ReadOutputFolder<&TRenderJob::WebDir>, WriteOutputFolder<&TRenderJob::WebDir>},
    {"out-dir",
     [](const TRecipeContext& c, const std::string& key, const json& v, TRenderRequest& r) {
       r.OutDir = String(c, key, v);
       CheckFolder(key, r.OutDir);
       r.OutDir = FromRecipe(c, r.OutDir);
     },
     [](const TRecipeContext& c, const TRenderRequest& r) -> json {
       return r.OutDir.empty() ? Omit() : json(ToRecipe(c, r.OutDir));
     }},
    {"jobs",
     [](const TRecipeContext& c, const std::string& key, const json& v, TRenderRequest& r) {
       r.Jobs = CheckJobs(key, Number(c, key, v));
     },
     [](const TRecipeContext&, const TRenderRequest& r) -> json {
       return r.Jobs == 0 ? Omit() : json(r.Jobs);
     }},
    {"name",
     [](const TRecipeContext& c, const std::string& key, const json& v, TRenderRequest& r) {
       r.Job.Name = String(c, key, v);
       CheckIconSetNameOption(key, r.Job.Name);
     },
     [](const TRecipeContext&, const TRenderRequest& r) -> json {
       return r.Job.Name.empty() ? Omit() : json(r.Job.Name);
     }},
    {"background",
     [](const TRecipeContext& c, const std::string& key, const json& v, TRenderRequest& r) {
       r.Job.Background = OpaqueColor(key, String(c, key, v));
     },
     [](const TRecipeContext&, const TRenderRequest& r) -> json {
       return ColorToString(r.Job.Background);
     }},
    {"size",
     [](const TRecipeContext& c, const std::string& key, const json& v, TRenderRequest& r) {
       r.Job.PngSize = CheckPngSize(key, Number(c, key, v));
     },
     [](const TRecipeContext&, const TRenderRequest& r) -> json { return r.Job.PngSize; }},
    {"fit",
     [](const TRecipeContext& c, const std::string& key, const json& v, TRenderRequest& r) {
       r.Job.Fit = Bool(c, key, v);
     },
     [](const TRecipeContext&, const TRenderRequest& r) -> json { return r.Job.Fit; }},
    {"fit-margin",
     [](const TRecipeContext& c, const std::string& key, const json& v, TRenderRequest& r) {
       r.Job.FitMargin = CheckFitMargin(key, Number(c, key, v));
     },
     [](const TRecipeContext&, const TRenderRequest& r) -> json {
       return NumberJson(r.Job.FitMargin);
     }},
    {"view",
     [](const TRecipeContext& c, const std::string& key, const json& v, TRenderRequest& r) {
       const std::vector<float> n = Numbers(c, key, v, 2);
       r.Job.Settings.ViewTurn = n[0];
       r.Job.Settings.ViewTilt = n[1];
     },
     [](const TRecipeContext&, const TRenderRequest& r) -> json {
       return NumbersJson(std::array<float, 2>{r.Job.Settings.ViewTurn, r.Job.Settings.ViewTilt});
     }},
    {"rotate",
     [](const TRecipeContext& c, const std::string& key, const json& v, TRenderRequest& r) {
       const std::vector<float> n = Numbers(c, key, v, 3);
       r.Job.Settings.Rotate = {n[0], n[1], n[2]};
     },
     [](const TRecipeContext&, const TRenderRequest& r) -> json {
       return NumbersJson(r.Job.Settings.Rotate);
     }},
    {"distance",
     [](const TRecipeContext& c, const std::string& key, const json& v, TRenderRequest& r) {
       r.Job.Settings.Distance = static_cast<float>(Number(c, key, v));
     },
     [](const TRecipeContext&, const TRenderRequest& r) -> json {
       return NumberJson(r.Job.Settings.Distance);
     }},
    {"move",
     [](const TRecipeContext& c, const std::string& key, const json& v, TRenderRequest& r) {
       const std::vector<float> n = Numbers(c, key, v, 3);
       r.Job.Settings.Move = {n[0], n[1], n[2]};
     },
     [](const TRecipeContext&, const TRenderRequest& r) -> json {
       const TgkPoint& m = r.Job.Settings.Move;
       return NumbersJson(std::array<float, 3>{m.X, m.Y, m.Z});
     }},
    {"shadow",
     [](const TRecipeContext& c, const std::string& key, const json& v, TRenderRequest& r) {
       r.Job.Settings.Shadow.Enabled = Bool(c, key, v);
     },
     [](const TRecipeContext&, const TRenderRequest& r) -> json {
       return r.Job.Settings.Shadow.Enabled;
     }},
    {"shadow-direction", ReadShadowNumber<&TShadowSettings::Direction>,
     WriteShadowNumber<&TShadowSettings::Direction>},
    {"shadow-distance", ReadShadowNumber<&TShadowSettings::Distance>,
     WriteShadowNumber<&TShadowSettings::Distance>},
    {"shadow-opacity", ReadShadowNumber<&TShadowSettings::Opacity>,
     WriteShadowNumber<&TShadowSettings::Opacity>},
    {"shadow-softness", ReadShadowNumber<&TShadowSettings::Softness>,
     WriteShadowNumber<&TShadowSettings::Softness>},
    {"shadow-color",
     [](const TRecipeContext& c, const std::string& key, const json& v, TRenderRequest& r) {
       r.Job.Settings.Shadow.Color = ParseColor(key, String(c, key, v), false);
     },
     [](const TRecipeContext&, const TRenderRequest& r) -> json {
       return ColorToString(r.Job.Settings.Shadow.Color);
     }},
    {"hide",
     [](const TRecipeContext& c, const std::string& key, const json& v, TRenderRequest& r) {
       r.Job.Settings.Hide = Strings(c, key, v);
     },
     [](const TRecipeContext&, const TRenderRequest& r) -> json { return r.Job.Settings.Hide; }},
    {"color",
     [](const TRecipeContext& c, const std::string& key, const json& v, TRenderRequest& r) {
       if (!v.is_object()) Wrong(c, key, "an object of mesh names and colours", v);
       r.Job.Settings.Colors.clear();
       for (const auto& [mesh, color] : v.items()) {
         if (!color.is_string()) Wrong(c, key + "\": \"" + mesh, "a string", color);
         r.Job.Settings.Colors.emplace_back(
             mesh, OpaqueColor(key + ": " + mesh, color.get<std::string>()));
       }
     },
     [](const TRecipeContext&, const TRenderRequest& r) -> json {
       // A later colour of a mesh replaces an earlier one, as the render applies them.
       json colors = json::object();
       for (const auto& [mesh, color] : r.Job.Settings.Colors) colors[mesh] = ColorToString(color);
       return colors;
     }},
};

}  // namespace

std::vector<std::string> RecipeKeys() {
  std::vector<std::string> keys;
  for (const TKey& key : kKeys) keys.emplace_back(key.name);
  return keys;
}

json RecipeToJson(const TRenderRequest& request, const fs::path& base) {
  const TRecipeContext context{base, !request.OutDir.empty(), ""};
  json recipe = json::object();
  for (const TKey& key : kKeys) {
    json value = key.write(context, request);
    if (!value.is_null()) recipe[key.name] = std::move(value);
  }
  return recipe;
}

TRenderRequest RecipeFromJson(const json& recipe, const fs::path& base, const std::string& where) {
  if (!recipe.is_object()) {
    throw ERecipeError(where + ": expected a JSON object, got " + std::string(recipe.type_name()));
  }
  const TRecipeContext context{base, recipe.contains("out-dir"), where};
  TRenderRequest request;
  for (const auto& [name, value] : recipe.items()) {
    const TKey* key = nullptr;
    for (const TKey& k : kKeys) {
      if (name == k.name) key = &k;
    }
    if (!key) throw ERecipeError(where + ": unknown key \"" + name + "\"");
    try {
      key->read(context, name, value, request);
    } catch (const ERecipeError&) {
      throw;
    } catch (const EUsageError& e) {
      // The checks shared with the command line start their message with the key.
      const std::string message = e.what();
      throw ERecipeError(where + ": " +
                         (message.rfind(name, 0) == 0
                              ? "\"" + name + "\"" + message.substr(name.size())
                              : "\"" + name + "\": " + message));
    }
  }
  // As on the command line, a margin asks for the fit; an explicit "fit" decides.
  if (recipe.contains("fit-margin") && !recipe.contains("fit")) request.Job.Fit = true;
  return request;
}

TRenderRequest ReadRecipe(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw ERecipeError(file + ": cannot be read: " + std::strerror(errno));
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw ERecipeError(file + ": cannot be read");
  json recipe;
  try {
    recipe = json::parse(text.str());
  } catch (const json::parse_error& e) {
    throw ERecipeError(file + ": not valid JSON: " + e.what());
  }
  return RecipeFromJson(recipe, fs::path(file).parent_path(), file);
}

void WriteRecipe(const std::string& file, const TRenderRequest& request) {
  const std::string text = RecipeToJson(request, fs::path(file).parent_path()).dump(2) + "\n";
  WriteFileAtomically(file, [&](TStream& s) { s.WriteBuffer(text.data(), text.size()); });
}
