#include "app/batch.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/render_job.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

void Touch(const std::string& path) {
  testsupport::WriteFile(path, {'x'});
}

// The message of the EBatchConflict the jobs raise; "" for none.
std::string Conflict(const std::vector<TRenderJob>& jobs) {
  try {
    CheckNoConflicts(jobs);
  } catch (const EBatchConflict& e) {
    return e.what();
  }
  return "";
}

TRenderJob Writing(const std::string& model, std::vector<std::string> outputs) {
  TRenderJob job;
  job.Model = model;
  job.Outputs = std::move(outputs);
  return job;
}

}  // namespace

TEST(Batch, AFolderStandsForTheModelFilesDirectlyInIt) {
  testsupport::TempDir dir;
  fs::create_directories(dir.File("models/deeper"));
  fs::create_directories(dir.File("models/folder.3ds"));  // a folder, whatever its name
  for (const char* name : {"b.glb", "a.3DS", "c.md3", "texture.png", "notes.txt", "deeper/d.obj"}) {
    Touch(dir.File(std::string("models/") + name));
  }
  const std::vector<std::string> models =
      ExpandModels({dir.File("single.ply"), dir.File("models")});
  const std::string m = dir.File("models") + "/";
  EXPECT_EQ(models, (std::vector<std::string>{dir.File("single.ply"), m + "a.3DS", m + "b.glb",
                                              m + "c.md3"}));
  fs::create_directories(dir.File("empty"));
  Touch(dir.File("empty/readme.txt"));
  try {
    ExpandModels({dir.File("models"), dir.File("empty")});
    ADD_FAILURE() << "a folder without models was taken";
  } catch (const EFailure& e) {
    EXPECT_EQ(e.Subject(), dir.File("empty"));
  }
}

TEST(Batch, TheNameFillsEveryOutputPathAndTheOutputFolderTakesTheRelativeOnes) {
  TRenderRequest request;
  request.OutDir = "out";
  request.Job.Outputs = {"{name}.icns", "/abs/{name}-{name}.png", "sets/{name}.iconset"};
  request.Job.PreviewDir = "prev-{name}";
  request.Job.IconThemeDir = "/themes/{name}";
  request.Job.WebDir = "web/{name}";
  request.Job.Name = "app-{name}";
  const TRenderJob job = JobForModel(request, "/models/Car.Body.3ds");
  EXPECT_EQ(job.Model, "/models/Car.Body.3ds");
  EXPECT_EQ(job.Outputs,
            (std::vector<std::string>{"out/Car.Body.icns", "/abs/Car.Body-Car.Body.png",
                                      "out/sets/Car.Body.iconset"}));
  EXPECT_EQ(job.PreviewDir, "out/prev-Car.Body");
  EXPECT_EQ(job.IconThemeDir, "/themes/Car.Body");
  EXPECT_EQ(job.WebDir, "out/web/Car.Body");
  EXPECT_EQ(job.Name, "app-Car.Body");
  // The folders made before writing: those of the outputs under the output folder.
  EXPECT_EQ(std::set<std::string>(job.Folders.begin(), job.Folders.end()),
            (std::set<std::string>{"out", "out/sets", "out/web"}));
  // Without a name the icon sets keep the single run's name of the model.
  request.Job.Name.clear();
  EXPECT_EQ(JobForModel(request, "/models/Car.Body.3ds").Name, "");
  EXPECT_EQ(ModelName(""), "facetmint");
  // A name that cannot name a file is refused.
  request.Job.Name = "{name}";
  EXPECT_THROW(JobForModel(request, "/models/.hidden.3ds"), EUsageError);
}

TEST(Batch, TwoModelsWritingOneFileConflict) {
  // Distinct files: no conflict, even when one job names its own file twice.
  EXPECT_EQ(
      Conflict({Writing("a.3ds", {"out/a.png", "out/a.png"}), Writing("b.3ds", {"out/b.png"})}),
      "");
  // The same file, spelt differently.
  const std::string message =
      Conflict({Writing("a.3ds", {"out/a.png"}), Writing("b.3ds", {"x.ico"}),
                Writing("c.3ds", {"out/../out/./a.png"})});
  EXPECT_NE(message.find("a.3ds and c.3ds would both write " +
                         (fs::current_path() / "out/a.png").string()),
            std::string::npos)
      << message;
  // The files inside the sets count: an iconset beside a file of the same path inside it.
  EXPECT_NE(
      Conflict({Writing("a.3ds", {"i.iconset"}), Writing("b.3ds", {"i.iconset/icon_16x16.png"})}),
      "");
  TRenderJob theme_a = Writing("a.3ds", {});
  theme_a.IconThemeDir = "t";
  TRenderJob theme_b = Writing("b.3ds", {});
  theme_b.IconThemeDir = "t";
  EXPECT_EQ(Conflict({theme_a, theme_b}), "");  // hicolor/.../a.png and .../b.png
  theme_b.Name = "a";
  EXPECT_NE(Conflict({theme_a, theme_b}), "");
  TRenderJob web_a = Writing("a.3ds", {}), web_b = Writing("b.3ds", {});
  web_a.WebDir = web_b.WebDir = "w";
  EXPECT_NE(Conflict({web_a, web_b}), "");
  TRenderJob prev_a = Writing("a.3ds", {}), prev_b = Writing("b.3ds", {"p/icon16.png"});
  prev_a.PreviewDir = "p";
  EXPECT_NE(Conflict({prev_a, prev_b}), "");
}

TEST(Batch, ThroughALinkedFolderIsTheSameFile) {
  testsupport::TempDir dir;
  fs::create_directories(dir.File("real"));
  fs::create_directory_symlink(dir.File("real"), dir.File("link"));
  EXPECT_NE(Conflict({Writing("a.3ds", {dir.File("real/x.png")}),
                      Writing("b.3ds", {dir.File("link/x.png")})}),
            "");
}

TEST(Batch, PlanningChecksBeforeAnythingRenders) {
  testsupport::TempDir dir;
  Touch(dir.File("a.3ds"));
  Touch(dir.File("b.md3"));
  TRenderRequest request;
  request.Models = {dir.File("a.3ds"), dir.File("b.md3")};
  request.Job.Outputs = {dir.File("x.png")};
  EXPECT_THROW(PlanBatch(request), EBatchConflict);
  request.Job.Outputs = {dir.File("{name}.png")};
  const std::vector<TRenderJob> jobs = PlanBatch(request);
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_EQ(jobs[1].Outputs[0], dir.File("b.png"));
  // No models: the round cube alone.
  request.Models.clear();
  const std::vector<TRenderJob> cube = PlanBatch(request);
  ASSERT_EQ(cube.size(), 1u);
  EXPECT_EQ(cube[0].Model, "");
  EXPECT_EQ(cube[0].Outputs[0], dir.File("facetmint.png"));
}
