#include "app/recipe.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <regex>
#include <set>

#include "tests/support/test_support.h"

using nlohmann::json;
namespace fs = std::filesystem;

namespace {

// A request with every field away from its default, fractions included.
TRenderRequest Unusual() {
  TRenderRequest r;
  r.Models = {"models/a.3ds", "/abs/b.glb"};
  r.OutDir = "icons";
  r.Jobs = 3;
  TRenderJob& j = r.Job;
  j.Outputs = {"{name}.icns", "{name}/x.png", "/abs/out.ico"};
  j.PreviewDir = "prev";
  j.IconThemeDir = "theme-{name}";
  j.WebDir = "web";
  j.Name = "app-{name}";
  j.Background = 0xFF102030;
  j.PngSize = 48;
  j.Fit = false;
  j.FitMargin = 12.3f;
  TRenderSettings& s = j.Settings;
  s.Rotate = {4, -6.1f, 300};
  s.ViewTurn = -40.25f;
  s.ViewTilt = 0.1f;
  s.Distance = 7.7f;
  s.Move = {0.5f, -1, 1e-3f};
  s.Shadow = {false, 91, 4.5f, 33, 55, 0x80112233};
  s.Hide = {"wheel", "a=b", "车轮"};
  s.Colors = {{"body", 0xFF2040A0}, {"lid", 0xFF000000}};
  return r;
}

void ExpectSame(const TRenderRequest& a, const TRenderRequest& b) {
  EXPECT_EQ(a.Models, b.Models);
  EXPECT_EQ(a.OutDir, b.OutDir);
  EXPECT_EQ(a.Jobs, b.Jobs);
  const TRenderJob &x = a.Job, &y = b.Job;
  EXPECT_EQ(x.Outputs, y.Outputs);
  EXPECT_EQ(x.PreviewDir, y.PreviewDir);
  EXPECT_EQ(x.IconThemeDir, y.IconThemeDir);
  EXPECT_EQ(x.WebDir, y.WebDir);
  EXPECT_EQ(x.Name, y.Name);
  EXPECT_EQ(x.Background, y.Background);
  EXPECT_EQ(x.PngSize, y.PngSize);
  EXPECT_EQ(x.Fit, y.Fit);
  EXPECT_EQ(x.FitMargin, y.FitMargin);
  const TRenderSettings &s = x.Settings, &t = y.Settings;
  EXPECT_EQ(s.Rotate, t.Rotate);
  EXPECT_EQ(s.ViewTurn, t.ViewTurn);
  EXPECT_EQ(s.ViewTilt, t.ViewTilt);
  EXPECT_EQ(s.Distance, t.Distance);
  EXPECT_EQ(s.Move.X, t.Move.X);
  EXPECT_EQ(s.Move.Y, t.Move.Y);
  EXPECT_EQ(s.Move.Z, t.Move.Z);
  EXPECT_EQ(s.Shadow.Enabled, t.Shadow.Enabled);
  EXPECT_EQ(s.Shadow.Direction, t.Shadow.Direction);
  EXPECT_EQ(s.Shadow.Distance, t.Shadow.Distance);
  EXPECT_EQ(s.Shadow.Opacity, t.Shadow.Opacity);
  EXPECT_EQ(s.Shadow.Softness, t.Shadow.Softness);
  EXPECT_EQ(s.Shadow.Color, t.Shadow.Color);
  EXPECT_EQ(s.Hide, t.Hide);
  EXPECT_EQ(std::set(s.Colors.begin(), s.Colors.end()), std::set(t.Colors.begin(), t.Colors.end()));
}

// The message of the ERecipeError that reading recipe raises; "" when none is raised.
std::string RecipeError(const json& recipe) {
  try {
    RecipeFromJson(recipe, "", "r.json");
  } catch (const ERecipeError& e) {
    return e.what();
  }
  return "";
}

}  // namespace

TEST(Recipe, EverySettingSurvivesTheRoundTripExactly) {
  // From the folder the recipe is in, and through the text of the file.
  const TRenderRequest request = Unusual();
  ExpectSame(RecipeFromJson(RecipeToJson(request, ""), ""), request);
  ExpectSame(RecipeFromJson(json::parse(RecipeToJson(request, "").dump(2)), ""), request);
  // Without an output folder the outputs are paths of their own.
  TRenderRequest plain = request;
  plain.OutDir.clear();
  ExpectSame(RecipeFromJson(json::parse(RecipeToJson(plain, "").dump()), ""), plain);
  // The defaults too: a fresh request written and read back is a fresh request.
  ExpectSame(RecipeFromJson(RecipeToJson(TRenderRequest{}, ""), ""), TRenderRequest{});
  // Whole numbers are written as integers, the colours in the program's colour text.
  const json j = RecipeToJson(request, "");
  EXPECT_EQ(j["size"].dump(), "48");
  EXPECT_EQ(j["rotate"][2].dump(), "300");
  EXPECT_EQ(j["view"][1].dump(), "0.1");
  EXPECT_EQ(j["shadow-color"], "#80112233");
  EXPECT_EQ(j["color"]["body"], "#FF2040A0");
}

TEST(Recipe, PathsAreRelativeToTheRecipesFolder) {
  testsupport::TempDir dir;
  const fs::path base = fs::path(dir.path()) / "recipes";
  TRenderRequest request;
  request.Models = {(fs::path(dir.path()) / "m.3ds").string(), "/abs/n.md3"};
  request.Job.Outputs = {(fs::path(dir.path()) / "out" / "x.png").string()};
  const json j = RecipeToJson(request, base);
  EXPECT_EQ(j["model"], json::array({(fs::path(dir.path()) / "m.3ds").string(), "/abs/n.md3"}));
  // A path relative to the working folder is written relative to the recipe's.
  const fs::path here = fs::current_path();
  fs::create_directories(base);
  fs::current_path(dir.path());
  TRenderRequest relative;
  relative.Models = {"m.3ds"};
  relative.Job.Outputs = {"out/x.png"};
  const json r = RecipeToJson(relative, "recipes");
  fs::current_path(here);
  EXPECT_EQ(r["model"], "../m.3ds");
  EXPECT_EQ(r["outputs"], json::array({"../out/x.png"}));
  // Read back, relative paths are taken from the recipe's folder, absolute ones as they are.
  const TRenderRequest read = RecipeFromJson(
      {{"model", json::array({"m.3ds", "/abs/n.md3"})}, {"outputs", {"x.png"}}, {"web", "w"}},
      "some/dir");
  EXPECT_EQ(read.Models, (std::vector<std::string>{"some/dir/m.3ds", "/abs/n.md3"}));
  EXPECT_EQ(read.Job.Outputs, (std::vector<std::string>{"some/dir/x.png"}));
  EXPECT_EQ(read.Job.WebDir, "some/dir/w");
  // With an output folder the outputs stay relative to it, and it to the recipe's folder.
  const TRenderRequest under = RecipeFromJson(
      {{"model", "m.3ds"}, {"out-dir", "icons"}, {"outputs", {"{name}.png"}}}, "some/dir");
  EXPECT_EQ(under.Models, (std::vector<std::string>{"some/dir/m.3ds"}));
  EXPECT_EQ(under.OutDir, "some/dir/icons");
  EXPECT_EQ(under.Job.Outputs, (std::vector<std::string>{"{name}.png"}));
}

TEST(Recipe, UnknownKeysAndWrongTypesNameTheKey) {
  const std::vector<std::pair<json, std::string>> bad = {
      {{{"veiw", json::array({1, 2})}}, "unknown key \"veiw\""},
      {{{"save-recipe", "x.json"}}, "unknown key \"save-recipe\""},
      {{{"view", "10,20"}}, "\"view\": expected an array of 2 numbers, got string"},
      {{{"view", json::array({1, 2, 3})}}, "\"view\": expected an array of 2 numbers"},
      {{{"rotate", json::array({1, "2", 3})}}, "\"rotate\": expected a number, got string"},
      {{{"distance", true}}, "\"distance\": expected a number, got boolean"},
      {{{"distance", 1e300}}, "\"distance\": expected a number within float range"},
      {{{"fit", 1}}, "\"fit\": expected true or false, got number"},
      {{{"hide", "wheel"}}, "\"hide\": expected an array of strings, got string"},
      {{{"hide", json::array({"a", 2})}}, "\"hide\": expected an array of strings"},
      {{{"color", json::array({"body"})}}, "\"color\": expected an object"},
      {{{"color", {{"body", 5}}}}, "\"color\": \"body\": expected a string, got number"},
      {{{"color", {{"body", "#80FF0000"}}}}, "\"color\": body: expected an opaque colour"},
      {{{"shadow-color", "black"}}, "\"shadow-color\": expected a colour #AARRGGBB"},
      {{{"outputs", json::array({"x.bmp"})}}, "\"outputs\": x.bmp: unknown output format"},
      {{{"model", 3}}, "\"model\": expected an array of strings, got number"},
      {{{"model", ""}}, "\"model\": an empty file name"},
      {{{"model", json::array({"a.3ds", ""})}}, "\"model\": an empty file name"},
      {{{"size", 1000.5}}, "\"size\": expected a whole number from 16 to 1024"},
      {{{"fit-margin", 50}}, "\"fit-margin\": expected a percentage"},
      {{{"jobs", 0}}, "\"jobs\": expected a whole number from 1"},
      {{{"name", "a/b"}}, "\"name\": \"a/b\" cannot name a file"},
      {{{"web", ""}}, "\"web\" needs a folder"},
      {json::array({1}), "expected a JSON object, got array"},
  };
  for (const auto& [recipe, expected] : bad) {
    const std::string message = RecipeError(recipe);
    EXPECT_EQ(message.rfind("r.json: ", 0), 0u) << recipe.dump() << ": " << message;
    EXPECT_NE(message.find(expected), std::string::npos) << recipe.dump() << ": " << message;
  }
  // Each of these is fine on its own.
  for (const json& good :
       {json{{"view", json::array({1.5, -2})}}, json{{"hide", json::array()}},
        json{{"color", {{"body", "#2040A0"}}}}, json{{"model", "a.3ds"}}, json::object()}) {
    EXPECT_EQ(RecipeError(good), "") << good.dump();
  }
}

TEST(Recipe, OutOfRangeValuesAreKeptForTheRangeNotices) {
  const TRenderRequest r =
      RecipeFromJson({{"shadow-opacity", 150}, {"distance", 1}, {"rotate", {0, 200, 0}}}, "");
  EXPECT_EQ(r.Job.Settings.Shadow.Opacity, 150);
  const std::vector<std::string> notices = RangeNotices(r.Job.Settings);
  ASSERT_EQ(notices.size(), 3u);
  EXPECT_EQ(notices[0], "--rotate 200 is outside -180 .. 180; using 180");
  EXPECT_EQ(notices[1].rfind("--distance 1 is outside ", 0), 0u) << notices[1];
  EXPECT_EQ(notices[2].rfind("--shadow-opacity 150 is outside ", 0), 0u) << notices[2];
}

TEST(Recipe, AMarginAsksForTheFitUnlessTheFitIsGiven) {
  EXPECT_TRUE(RecipeFromJson({{"fit-margin", 5}}, "").Job.Fit);
  EXPECT_FALSE(RecipeFromJson({{"fit-margin", 5}, {"fit", false}}, "").Job.Fit);
  EXPECT_FALSE(RecipeFromJson(json::object(), "").Job.Fit);
}

// Every option of render that sets something has its key, so that a recipe can say
// anything the command line can.
TEST(Recipe, EveryRenderOptionHasAKey) {
  const std::string usage = UsageText();
  const std::regex option("--([a-z][a-z-]*)");
  const std::set<std::string> keys = [] {
    const std::vector<std::string> k = RecipeKeys();
    return std::set<std::string>(k.begin(), k.end());
  }();
  // The options that are about the recipe itself, and the spellings of another key's.
  const std::map<std::string, std::string> other = {
      {"help", ""},          {"version", ""},         {"recipe", ""},  {"save-recipe", ""},
      {"output", "outputs"}, {"no-shadow", "shadow"}, {"jobs", "jobs"}};
  size_t seen = 0;
  const std::string render_part = usage.substr(0, usage.find("\ninfo prints"));
  for (auto it = std::sregex_iterator(render_part.begin(), render_part.end(), option);
       it != std::sregex_iterator(); ++it) {
    const std::string name = (*it)[1];
    const auto alias = other.find(name);
    if (alias != other.end() && alias->second.empty()) continue;
    const std::string key = alias != other.end() ? alias->second : name;
    EXPECT_TRUE(keys.count(key)) << "--" << name << " has no recipe key";
    ++seen;
  }
  EXPECT_GT(seen, 20u);
  EXPECT_TRUE(keys.count("model"));
}

TEST(Recipe, FilesAreWrittenAndReadWithTheirFolder) {
  testsupport::TempDir dir;
  fs::create_directories(dir.File("sub"));
  TRenderRequest request = Unusual();
  request.Models = {dir.File("m.3ds")};
  request.OutDir = dir.File("icons");
  WriteRecipe(dir.File("sub/r.json"), request);
  ExpectSame(ReadRecipe(dir.File("sub/r.json")), request);
  testsupport::WriteFile(dir.File("broken.json"), {'{', '"', 'v'});
  try {
    ReadRecipe(dir.File("broken.json"));
    ADD_FAILURE() << "broken JSON read";
  } catch (const ERecipeError& e) {
    EXPECT_NE(std::string(e.what()).find("broken.json: not valid JSON"), std::string::npos)
        << e.what();
  }
  EXPECT_THROW(ReadRecipe(dir.File("missing.json")), ERecipeError);
}
