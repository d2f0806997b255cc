#include "app/command_line.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "app/icon_sets.h"
#include "app/recipe.h"
#include "app/render_job.h"
#include "app/window_sliders.h"
#include "core/text_helpers.h"

// ---- Checks of values, shared with recipes ----

uint32_t ParseColor(const std::string& option, const std::string& text, bool opaque) {
  const size_t digits = text.size() - 1;
  bool ok = !text.empty() && text[0] == '#' && (digits == 6 || (!opaque && digits == 8));
  for (size_t i = 1; ok && i < text.size(); ++i) {
    ok = std::isxdigit(static_cast<unsigned char>(text[i])) != 0;
  }
  if (!ok) {
    throw EUsageError(option + ": expected a colour " + (opaque ? "#RRGGBB" : "#AARRGGBB") +
                      ", got \"" + text + "\"");
  }
  uint32_t color = static_cast<uint32_t>(std::strtoul(text.c_str() + 1, nullptr, 16));
  if (digits == 6) color |= 0xFF000000u;
  return color;
}

void CheckOutputFile(const std::string& file) {
  const std::string ext = LowerExtension(file);
  if (ext != ".icns" && ext != ".ico" && ext != ".png" && ext != ".iconset") {
    throw EUsageError(file + ": unknown output format (use .icns, .ico, .png or .iconset)");
  }
}

void CheckFolder(const std::string& option, const std::string& folder) {
  if (folder.empty()) throw EUsageError(option + " needs a folder");
}

void CheckIconSetNameOption(const std::string& option, const std::string& name) {
  // "{name}" is the model's name, checked when the batch fills it in.
  if (!ValidIconSetName(name)) throw EUsageError(option + ": \"" + name + "\" cannot name a file");
}

int CheckPngSize(const std::string& option, double size) {
  if (size != std::floor(size) || size < 16 || size > 1024) {
    throw EUsageError(option + ": expected a whole number from 16 to 1024");
  }
  return static_cast<int>(size);
}

float CheckFitMargin(const std::string& option, double margin) {
  if (!(margin >= 0 && margin < 50)) {
    throw EUsageError(option + ": expected a percentage from 0 to below 50");
  }
  return static_cast<float>(margin);
}

int CheckJobs(const std::string& option, double jobs) {
  if (jobs != std::floor(jobs) || jobs < 1 || jobs > kMostJobs) {
    throw EUsageError(option + ": expected a whole number from 1 to " + std::to_string(kMostJobs));
  }
  return static_cast<int>(jobs);
}

namespace {

float ParseNumber(const std::string& option, const std::string& text) {
  const char* begin = text.c_str();
  char* end = nullptr;
  const float value = std::strtof(begin, &end);
  if (text.empty() || end != begin + text.size() || !std::isfinite(value) ||
      std::isspace(static_cast<unsigned char>(text[0]))) {
    throw EUsageError(option + ": not a number: \"" + text + "\"");
  }
  return value;
}

std::vector<float> ParseNumbers(const std::string& option, const std::string& text, size_t count) {
  std::vector<float> values;
  size_t start = 0;
  while (true) {
    const size_t comma = text.find(',', start);
    values.push_back(ParseNumber(option, text.substr(start, comma - start)));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (values.size() != count) {
    throw EUsageError(option + ": expected " + std::to_string(count) +
                      " comma-separated numbers, got \"" + text + "\"");
  }
  return values;
}

// Walks the arguments of one command; long options take "--name VALUE" or "--name=VALUE".
class TArgs {
 public:
  explicit TArgs(const std::vector<std::string>& args) : args_(args) {}
  bool Done() const { return index_ >= args_.size(); }
  // The next argument; splits off an "=VALUE" of a long option.
  std::string Next() {
    std::string arg = args_[index_++];
    inline_value_.reset();
    if (arg.rfind("--", 0) == 0) {
      const size_t eq = arg.find('=');
      if (eq != std::string::npos) {
        inline_value_ = arg.substr(eq + 1);
        arg.resize(eq);
      }
    }
    return arg;
  }
  std::string Value(const std::string& option) {
    if (inline_value_) {
      std::string v = *inline_value_;
      inline_value_.reset();
      return v;
    }
    if (Done()) throw EUsageError(option + " needs a value");
    return args_[index_++];
  }
  void NoValue(const std::string& option) const {
    if (inline_value_) throw EUsageError(option + " takes no value");
  }

 private:
  const std::vector<std::string>& args_;
  size_t index_ = 0;
  std::optional<std::string> inline_value_;
};

// The first --recipe FILE among the arguments; empty for none.
std::string RecipeArgument(const std::vector<std::string>& rest) {
  std::string file;
  for (size_t i = 0; i < rest.size() && file.empty(); ++i) {
    if (rest[i].rfind("--recipe=", 0) == 0) {
      file = rest[i].substr(9);
      if (file.empty()) throw EUsageError("--recipe needs a file");
    } else if (rest[i] == "--recipe") {
      if (i + 1 == rest.size() || rest[i + 1].empty()) throw EUsageError("--recipe needs a file");
      file = rest[i + 1];
    }
  }
  return file;
}

// The options of render, applied over a recipe's request when --recipe names one: an option
// given here replaces the recipe's value of its key; --color replaces the colour of its mesh.
void ParseRender(const std::vector<std::string>& rest, TCommandLine& line) {
  TRenderRequest& request = line.Render;
  if (const std::string recipe = RecipeArgument(rest); !recipe.empty()) {
    request = ReadRecipe(recipe);
  }
  TRenderJob& job = request.Job;
  TRenderSettings& s = job.Settings;
  bool have_model = false, have_output = false, have_hide = false, have_recipe = false;
  TArgs args(rest);
  while (!args.Done()) {
    const std::string a = args.Next();
    if (a == "-o" || a == "--output") {
      const std::string file = args.Value(a);
      CheckOutputFile(file);
      if (!have_output) job.Outputs.clear();
      have_output = true;
      job.Outputs.push_back(file);
    } else if (a == "--previews") {
      job.PreviewDir = args.Value(a);
      CheckFolder(a, job.PreviewDir);
    } else if (a == "--icon-theme") {
      job.IconThemeDir = args.Value(a);
      CheckFolder(a, job.IconThemeDir);
    } else if (a == "--web") {
      job.WebDir = args.Value(a);
      CheckFolder(a, job.WebDir);
    } else if (a == "--out-dir") {
      request.OutDir = args.Value(a);
      CheckFolder(a, request.OutDir);
    } else if (a == "-j" || a == "--jobs") {
      request.Jobs = CheckJobs(a, ParseNumber(a, args.Value(a)));
    } else if (a == "--recipe") {
      args.Value(a);  // read above
      if (have_recipe) throw EUsageError("--recipe: only one recipe can be given");
      have_recipe = true;
    } else if (a == "--save-recipe") {
      line.SaveRecipe = args.Value(a);
      if (line.SaveRecipe.empty()) throw EUsageError("--save-recipe needs a file");
    } else if (a == "--name") {
      job.Name = args.Value(a);
      CheckIconSetNameOption(a, job.Name);
    } else if (a == "--background") {
      job.Background = ParseColor(a, args.Value(a), true);
    } else if (a == "--size") {
      job.PngSize = CheckPngSize(a, ParseNumber(a, args.Value(a)));
    } else if (a == "--fit") {
      args.NoValue(a);
      job.Fit = true;
    } else if (a == "--fit-margin") {
      job.FitMargin = CheckFitMargin(a, ParseNumber(a, args.Value(a)));
      job.Fit = true;
    } else if (a == "--rotate") {
      const std::vector<float> v = ParseNumbers(a, args.Value(a), 3);
      s.Rotate = {v[0], v[1], v[2]};
    } else if (a == "--view") {
      const std::vector<float> v = ParseNumbers(a, args.Value(a), 2);
      s.ViewTurn = v[0];
      s.ViewTilt = v[1];
    } else if (a == "--distance") {
      s.Distance = ParseNumber(a, args.Value(a));
    } else if (a == "--move") {
      const std::vector<float> v = ParseNumbers(a, args.Value(a), 3);
      s.Move = {v[0], v[1], v[2]};
    } else if (a == "--shadow") {
      args.NoValue(a);
      s.Shadow.Enabled = true;
    } else if (a == "--no-shadow") {
      args.NoValue(a);
      s.Shadow.Enabled = false;
    } else if (a == "--shadow-direction") {
      s.Shadow.Direction = ParseNumber(a, args.Value(a));
    } else if (a == "--shadow-distance") {
      s.Shadow.Distance = ParseNumber(a, args.Value(a));
    } else if (a == "--shadow-opacity") {
      s.Shadow.Opacity = ParseNumber(a, args.Value(a));
    } else if (a == "--shadow-softness") {
      s.Shadow.Softness = ParseNumber(a, args.Value(a));
    } else if (a == "--shadow-color") {
      s.Shadow.Color = ParseColor(a, args.Value(a), false);
    } else if (a == "--hide") {
      if (!have_hide) s.Hide.clear();
      have_hide = true;
      s.Hide.push_back(args.Value(a));
    } else if (a == "--color") {
      const std::string v = args.Value(a);
      // The colour has no "=", so the last one separates it from a name that may.
      const size_t eq = v.rfind('=');
      if (eq == std::string::npos || eq == 0) {
        throw EUsageError("--color: expected MESH=#RRGGBB, got \"" + v + "\"");
      }
      s.Colors.emplace_back(v.substr(0, eq), ParseColor(a, v.substr(eq + 1), true));
    } else if (a.size() > 1 && a[0] == '-') {
      throw EUsageError("unknown option " + a);
    } else {
      // An empty model would read as none given, and the round cube would be rendered.
      if (a.empty()) throw EFailure("\"\"", "an empty file name");
      if (!have_model) request.Models.clear();
      have_model = true;
      request.Models.push_back(a);
    }
  }
  if (job.Outputs.empty() && job.PreviewDir.empty() && job.IconThemeDir.empty() &&
      job.WebDir.empty() && line.SaveRecipe.empty()) {
    throw EUsageError("render needs at least one -o FILE, --previews, --icon-theme or --web DIR");
  }
  line.Notices = RangeNotices(s);
}
}  // namespace

namespace {

// A lone argument that names a file opens the window with it; a mistyped command does not.
bool LooksLikeFile(const std::string& arg) {
  if (arg.empty() || arg[0] == '-') return false;
  std::error_code error;
  return arg.find_first_of("./") != std::string::npos || std::filesystem::exists(arg, error);
}

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  TCommandLine line;
  if (args.empty()) return line;
  const std::string& first = args[0];
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (first == "--help" || first == "-h" || first == "help") {
    line.Command = TCommand::Help;
  } else if (first == "--version") {
    line.Command = TCommand::Version;
  } else if (first == "render") {
    line.Command = TCommand::Render;
    ParseRender(rest, line);
  } else if (first == "info") {
    line.Command = TCommand::Info;
    if (rest.size() != 1 || (rest[0].size() > 1 && rest[0][0] == '-')) {
      throw EUsageError("info takes exactly one MODEL");
    }
    line.InfoModel = rest[0];
  } else if (first == "thumbnail") {
    line.Command = TCommand::Thumbnail;
    line.Thumbnail = ParseThumbnailJob(rest);
  } else if (args.size() == 1 && LooksLikeFile(first)) {
    line.WindowModel = first;
  } else {
    throw EUsageError("unknown command \"" + first + "\"");
  }
  if ((line.Command == TCommand::Help || line.Command == TCommand::Version) && !rest.empty()) {
    throw EUsageError(first + " takes no arguments");
  }
  return line;
}

namespace {

// A whole number as the usage text shows it.
std::string Whole(float value) {
  return std::to_string(static_cast<long long>(std::lround(value)));
}

// The values a slider can take, "MIN .. MAX", with its steps when Steps.
std::string Span(const TpmTrackRange& r, bool steps = false) {
  std::string text = Whole(r.Min) + " .. " + Whole(r.Max - r.ViewportSize);
  if (steps) text += " in steps of " + Whole(r.Frequency);
  return text;
}

}  // namespace

std::string UsageText() {
  // The distance slider holds the camera's Y, the negative of the distance.
  const std::string distance = Whole(-(kDistanceTrack.Max - kDistanceTrack.ViewportSize)) + " .. " +
                               Whole(-kDistanceTrack.Min) + " (default " + Whole(-kDistanceStart) +
                               ")";
  return R"(usage:
  facetmint [MODEL]                 the window, with MODEL loaded when given (without a
                                    display: a render of the round cube into out/)
  facetmint render [MODEL|FOLDER ...] -o FILE [-o FILE ...] [--previews DIR]
                   [--icon-theme DIR] [--web DIR] [batch options] [recipes]
                   [outputs' options] [settings]
  facetmint info MODEL
  facetmint thumbnail [-s SIZE] INPUT OUTPUT
  facetmint --help | --version

render writes each FILE in the format of its extension: .icns (16 to 1024 pixels), .ico,
.png (256 pixels unless --size) or .iconset (the folder iconutil turns into an .icns).
MODEL is a .3ds, .md3, .gltf, .glb, .obj, .fbx, .dae, .stl, .ply, .3mf, .off, .lwo, .ase,
.x3d, .ms3d, .md2 or .md5mesh file; without one the round cube is rendered.
--previews DIR writes the six previews as icon16.png ... icon256.png.
--icon-theme DIR writes DIR/hicolor/SxS/apps/NAME.png, S from 16 to 512, for a Linux desktop.
--web DIR writes favicon.ico, apple-touch-icon.png, icon-192.png, icon-512.png and
site.webmanifest.

batch options (for many models: every MODEL with the same settings; a FOLDER stands for the
model files directly in it; "{name}" in any output path or NAME is the model's file name
without extension; two models that would write the same file are an error before anything
is rendered; a model that fails is reported, the others are written, and the status is 1):
  --out-dir DIR             relative output paths are inside DIR (made when missing)
  -j, --jobs N              models rendered at a time, 1 .. )" +
         std::to_string(kMostJobs) + R"( (default: one per processor)

recipes (a render's settings as a JSON object; its keys are the long options without
dashes, "outputs" for -o, "shadow" true or false, "color" an object of MESH: "#AARRGGBB",
"model" a file or a list; relative paths are relative to the recipe's folder):
  --recipe FILE             the settings of FILE; an option given beside it replaces the
                            recipe's value (--color only that of its mesh)
  --save-recipe FILE        writes the settings in effect to FILE (and renders when outputs
                            are given)

outputs' options:
  --size N                  side of the .png outputs, 16 .. 1024 (default 256)
  --name NAME               of the icon theme and web icons (default: the model's file name
                            in lower case, other characters than a-z 0-9 . _ - as "-")
  --background #RRGGBB      behind apple-touch-icon.png (default #FFFFFF)
  --fit                     choose distance and offset so that the model and its shadow
                            fill the icon (after the settings below)
  --fit-margin PERCENT      margin of --fit, 0 .. below 50 (default 8; implies --fit)

settings (applied in this order; each takes the value its slider in the window would):
  --view TURN,TILT          view angles about Z and X (default -33,20)
  --rotate X,Y,Z            model rotation, )" +
         Span(kModelRotateTrack, true) + R"( (default 0,0,0)
  --distance D              camera distance, )" +
         distance + R"(
  --move X,Y,Z              model offset (default 0,0,0)
  --shadow | --no-shadow    drop shadow on (default) or off
  --shadow-direction DEG    )" +
         Span(kShadowDirTrack, true) + " (default " + Whole(kShadowDirStart) + R"()
  --shadow-distance PX      )" +
         Span(kShadowDistTrack) + " (default " + Whole(kShadowDistStart) + R"()
  --shadow-opacity PERCENT  )" +
         Span(kShadowOpacityTrack) + " (default " + Whole(kShadowOpacityStart) + R"()
  --shadow-softness N       )" +
         Span(kShadowSoftnessTrack) + " (default " + Whole(kShadowSoftnessStart) + R"()
  --shadow-color #AARRGGBB  (default #FF000000)
  --hide MESH               hide the meshes of that name (repeatable)
  --color MESH=#RRGGBB      colour the meshes of that name (repeatable)

info prints the model's meshes as JSON.
thumbnail writes a PNG of at most SIZE pixels (default 256) with the model filling it on a
transparent background, as file managers ask of a thumbnailer.
)";
}
