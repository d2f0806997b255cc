// facetmint render with many models and with recipes, run as a user runs it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>
#include <vector>

#include "tests/import/model_writer.h"
#include "tests/support/test_support.h"

using testsupport::RunCommand;
using testsupport::ShellQuote;
using testsupport::TempDir;
namespace fs = std::filesystem;

namespace {

int Facetmint(const std::string& args, std::string* output = nullptr) {
  return RunCommand(ShellQuote(FACETMINT_EXE) + " " + args + " 2>&1", output);
}

std::string Model(const std::string& name) {
  return testsupport::DataDir() + "/models/" + name;
}

// Every file under folder by its path relative to it, with its bytes.
std::map<std::string, std::vector<unsigned char>> Tree(const std::string& folder) {
  std::map<std::string, std::vector<unsigned char>> files;
  if (!fs::exists(folder)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) {
      files[fs::relative(entry.path(), folder).string()] =
          testsupport::ReadFile(entry.path().string());
    }
  }
  return files;
}

// Copies of real models: textured 3DS and MD3 (read here), PLY and OBJ (through the reader
// process), with the textures they name; and a 3DS cube without material, which shows the
// start colour every new shape takes from the program's generator.
void CopyModels(const std::string& to) {
  fs::create_directories(to);
  testsupport::WriteFile(
      to + "/plain.3ds",
      modelwriter::File3DS({modelwriter::MeshChunk(modelwriter::Cube("Plain"))}));
  for (const char* file :
       {"3ds/test1.3ds", "3ds/test.png", "3ds/cube_with_diffuse_texture.3DS", "3ds/CWALL02.jpg",
        "md3/watercan.md3", "md3/water_can.tga", "ply/cube.ply", "obj/spider.obj", "obj/spider.mtl",
        "obj/SpiderTex.jpg", "obj/drkwood2.jpg", "obj/engineflare1.jpg", "obj/wal67ar_small.jpg",
        "obj/wal69ar_small.jpg"}) {
    fs::copy_file(Model(file), fs::path(to) / fs::path(file).filename());
  }
}

class BatchCliTest : public ::testing::Test {
 protected:
  std::string F(const std::string& name) const { return ShellQuote(dir.File(name)); }
  TempDir dir;
};

}  // namespace

// Each model's files from a batch (two workers, each rendering several models one after the
// other) are byte for byte those of a run of that model alone.
TEST_F(BatchCliTest, BatchFilesAreTheSingleRunsFiles) {
  CopyModels(dir.File("models"));
  const std::string settings = " --view -40,25 --shadow-direction 120 --fit";
  std::string out;
  ASSERT_EQ(Facetmint("render " + F("models") + " --out-dir " + F("batch") +
                          " -o '{name}.icns' -o '{name}.png' -o 'ico/{name}.ico'"
                          " --icon-theme 'themes/{name}' --web 'web/{name}' -j 2" +
                          settings,
                      &out),
            0)
      << out;
  const auto batch = Tree(dir.File("batch"));
  const std::vector<std::string> names = {
      "test1", "cube_with_diffuse_texture", "watercan", "cube", "spider", "plain"};
  for (const std::string& name : names) {
    const std::string alone = dir.File("alone/" + name);
    fs::create_directories(alone + "/ico");
    std::string model;
    for (const auto& entry : fs::directory_iterator(dir.File("models"))) {
      if (entry.path().stem() == name && entry.path().extension() != ".mtl") {
        model = entry.path().string();
      }
    }
    ASSERT_FALSE(model.empty()) << name;
    ASSERT_EQ(
        Facetmint("render " + ShellQuote(model) + " -o " + ShellQuote(alone + "/x.icns") + " -o " +
                      ShellQuote(alone + "/x.png") + " -o " + ShellQuote(alone + "/ico/x.ico") +
                      " --icon-theme " + ShellQuote(alone + "/theme") + " --web " +
                      ShellQuote(alone + "/web") + settings,
                  &out),
        0)
        << out;
    const auto single = Tree(alone);
    ASSERT_EQ(single.size(), 3u + 9u + 5u) << name;
    for (const auto& [file, bytes] : single) {
      std::string in_batch = file;
      if (file.rfind("x.", 0) == 0) in_batch = name + file.substr(1);
      if (file == "ico/x.ico") in_batch = "ico/" + name + ".ico";
      if (file.rfind("theme/", 0) == 0) in_batch = "themes/" + name + file.substr(5);
      if (file.rfind("web/", 0) == 0) in_batch = "web/" + name + file.substr(3);
      const auto it = batch.find(in_batch);
      ASSERT_NE(it, batch.end()) << in_batch << " missing from the batch";
      EXPECT_TRUE(it->second == bytes) << in_batch << " differs from the single run's " << file;
    }
  }
  EXPECT_EQ(batch.size(), names.size() * (3u + 9u + 5u));
}

// A model that fails is named; the others are written; the exit status is 1.
TEST_F(BatchCliTest, AFailingModelIsReportedAndTheOthersWritten) {
  fs::create_directories(dir.File("models"));
  fs::copy_file(Model("3ds/test1.3ds"), dir.File("models/good.3ds"));
  fs::copy_file(Model("md3/watercan.md3"), dir.File("models/fine.md3"));
  testsupport::WriteFile(dir.File("models/junk.md3"), {'j', 'u', 'n', 'k'});
  testsupport::WriteFile(dir.File("models/text.3ds"), {'h', 'e', 'l', 'l', 'o'});
  testsupport::WriteFile(dir.File("models/notes.txt"), {'n'});  // no model: not taken
  std::string out;
  EXPECT_EQ(Facetmint("render " + F("models") + " " + F("missing.obj") + " --out-dir " + F("out") +
                          " -o '{name}.png' -j 2",
                      &out),
            1);
  for (const char* bad : {"models/junk.md3", "models/text.3ds", "missing.obj"}) {
    EXPECT_NE(out.find("facetmint: " + dir.File(bad) + ": "), std::string::npos) << bad << "\n"
                                                                                 << out;
  }
  EXPECT_NE(out.find("facetmint: 3 of 5 models failed"), std::string::npos) << out;
  EXPECT_EQ(out.find('\r'), std::string::npos) << "a progress line where no terminal is";
  EXPECT_EQ(out.find("good.3ds"), std::string::npos) << out;
  const auto written = Tree(dir.File("out"));
  EXPECT_EQ(written.size(), 2u);
  EXPECT_TRUE(written.count("good.png"));
  EXPECT_TRUE(written.count("fine.png"));
}

// Two models that would write one file: refused before anything renders or is written.
TEST_F(BatchCliTest, CollidingNamesAreRefusedBeforeAnythingIsWritten) {
  fs::create_directories(dir.File("other"));
  fs::copy_file(Model("3ds/test1.3ds"), dir.File("car.3ds"));
  fs::copy_file(Model("md3/watercan.md3"), dir.File("other/car.md3"));
  fs::copy_file(Model("ply/cube.ply"), dir.File("cube.ply"));
  std::string out;
  EXPECT_EQ(Facetmint("render " + F("cube.ply") + " " + F("car.3ds") + " " + F("other/car.md3") +
                          " --out-dir " + F("out") + " -o '{name}.png' -o '{name}.icns'",
                      &out),
            2);
  EXPECT_NE(
      out.find(dir.File("car.3ds") + " and " + dir.File("other/car.md3") + " would both write " +
               fs::weakly_canonical(dir.File("out")).string() + "/car."),
      std::string::npos)
      << out;
  EXPECT_EQ(out.find("usage:"), std::string::npos) << out;
  EXPECT_FALSE(fs::exists(dir.File("out")));
  // The same output for every model, without {name}.
  EXPECT_EQ(Facetmint("render " + F("cube.ply") + " " + F("car.3ds") + " -o " + F("x.png"), &out),
            2);
  EXPECT_FALSE(fs::exists(dir.File("x.png")));
}

// --save-recipe writes the settings in effect; rendering from the recipe gives the files of
// the same options on the command line, byte for byte.
TEST_F(BatchCliTest, ARecipeRendersAsItsOptionsDo) {
  fs::copy_file(Model("3ds/test1.3ds"), dir.File("m.3ds"));
  fs::copy_file(Model("3ds/test.png"), dir.File("test.png"));
  fs::create_directories(dir.File("recipes"));
  const std::string options =
      " --view -50,35 --rotate 10,-20,30 --distance 7.5 --move 0.1,0,-0.2 --shadow-color "
      "'#80204060' --shadow-opacity 45 --shadow-softness 70 --shadow-distance 6 "
      "--shadow-direction 170 --fit-margin 5 --size 128 --name app --background '#102030'";
  std::string out;
  // Only the recipe: nothing rendered.
  ASSERT_EQ(
      Facetmint("render " + F("m.3ds") + options + " --save-recipe " + F("recipes/r.json"), &out),
      0)
      << out;
  EXPECT_EQ(Tree(dir.path()).size(), 3u);  // the model, its texture and the recipe
  // Options, recipe and outputs at once: the recipe written, the icons rendered.
  fs::create_directories(dir.File("a"));
  fs::create_directories(dir.File("b"));
  fs::create_directories(dir.File("c"));
  ASSERT_EQ(
      Facetmint("render " + F("m.3ds") + options + " -o " + F("a/x.icns") + " -o " + F("a/x.png") +
                    " --web " + F("a/web") + " --save-recipe " + F("recipes/s.json"),
                &out),
      0)
      << out;
  ASSERT_EQ(Tree(dir.File("a")).size(), 7u);
  // The recipe without outputs, given them beside it.
  ASSERT_EQ(Facetmint("render --recipe " + F("recipes/r.json") + " -o " + F("b/x.icns") + " -o " +
                          F("b/x.png") + " --web " + F("b/web"),
                      &out),
            0)
      << out;
  EXPECT_TRUE(out.empty()) << out;
  EXPECT_EQ(Tree(dir.File("a")), Tree(dir.File("b")));
  // The recipe with its outputs renders them again, the same.
  const auto first = Tree(dir.File("a"));
  fs::remove_all(dir.File("a"));
  fs::create_directories(dir.File("a"));
  ASSERT_EQ(Facetmint("render --recipe " + F("recipes/s.json"), &out), 0) << out;
  EXPECT_EQ(Tree(dir.File("a")), first);
  // And the settings matter: without them the files differ.
  ASSERT_EQ(Facetmint("render " + F("m.3ds") + " -o " + F("c/x.png"), &out), 0) << out;
  EXPECT_NE(Tree(dir.File("c"))["x.png"], first.at("x.png"));
}

// Options beside --recipe replace what the recipe says of them; the rest stays.
TEST_F(BatchCliTest, OptionsBesideARecipeOverrideIt) {
  fs::copy_file(Model("md3/watercan.md3"), dir.File("w.md3"));
  fs::copy_file(Model("md3/water_can.tga"), dir.File("water_can.tga"));
  testsupport::WriteFile(dir.File("r.json"), [] {
    const std::string text =
        R"({"model": "w.md3", "view": [10, 10], "shadow-opacity": 90, "outputs": ["r.png"]})";
    return std::vector<unsigned char>(text.begin(), text.end());
  }());
  std::string out;
  ASSERT_EQ(Facetmint("render --recipe " + F("r.json") + " --view -40,25 -o " + F("o.png"), &out),
            0)
      << out;
  EXPECT_FALSE(fs::exists(dir.File("r.png")));  // the recipe's outputs were replaced
  ASSERT_EQ(
      Facetmint("render " + F("w.md3") + " --view -40,25 --shadow-opacity 90 -o " + F("cli.png"),
                &out),
      0);
  ASSERT_EQ(Facetmint("render " + F("w.md3") + " --view 10,10 --shadow-opacity 90 -o " +
                          F("recipe-view.png"),
                      &out),
            0);
  const auto o = testsupport::ReadFile(dir.File("o.png"));
  EXPECT_EQ(o, testsupport::ReadFile(dir.File("cli.png")));
  EXPECT_NE(o, testsupport::ReadFile(dir.File("recipe-view.png")));
  // A model beside the recipe replaces the recipe's.
  fs::copy_file(Model("ply/cube.ply"), dir.File("cube.ply"));
  ASSERT_EQ(Facetmint("render --recipe " + F("r.json") + " " + F("cube.ply") + " -o " +
                          F("cube-{name}.png"),
                      &out),
            0)
      << out;
  EXPECT_TRUE(fs::exists(dir.File("cube-cube.png")));
}

// A recipe's unknown key or wrongly typed value is a usage error that names the key; a value
// out of range is used as on the command line, with the same notice.
TEST_F(BatchCliTest, RecipeErrorsAndRanges) {
  auto write = [&](const std::string& name, const std::string& text) {
    testsupport::WriteFile(dir.File(name), std::vector<unsigned char>(text.begin(), text.end()));
  };
  write("unknown.json", R"({"view": [1, 2], "shadow-colour": "#FF000000"})");
  write("type.json", R"({"hide": "wheel"})");
  write("broken.json", R"({"view": [1, 2)");
  std::string out;
  EXPECT_EQ(Facetmint("render --recipe " + F("unknown.json") + " -o " + F("x.png"), &out), 2);
  EXPECT_NE(out.find("unknown.json: unknown key \"shadow-colour\""), std::string::npos) << out;
  EXPECT_EQ(out.find("usage:"), std::string::npos) << out;
  EXPECT_EQ(Facetmint("render --recipe " + F("type.json") + " -o " + F("x.png"), &out), 2);
  EXPECT_NE(out.find("type.json: \"hide\": expected an array of strings"), std::string::npos)
      << out;
  EXPECT_EQ(Facetmint("render --recipe " + F("broken.json") + " -o " + F("x.png"), &out), 2);
  EXPECT_NE(out.find("not valid JSON"), std::string::npos) << out;
  EXPECT_FALSE(fs::exists(dir.File("x.png")));

  write("range.json", R"({"shadow-opacity": 150, "rotate": [0, 200, 0], "outputs": ["a.png"]})");
  ASSERT_EQ(Facetmint("render --recipe " + F("range.json"), &out), 0) << out;
  EXPECT_NE(out.find("facetmint: --shadow-opacity 150 is outside 1 .. 100; using 100"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("facetmint: --rotate 200 is outside -180 .. 180; using 180"),
            std::string::npos)
      << out;
  ASSERT_EQ(Facetmint("render --shadow-opacity 100 --rotate 0,180,0 -o " + F("b.png"), &out), 0);
  EXPECT_EQ(testsupport::ReadFile(dir.File("a.png")), testsupport::ReadFile(dir.File("b.png")));
}

// A recipe's relative paths are taken from its folder, wherever the command runs.
TEST_F(BatchCliTest, RecipePathsAreRelativeToItsFolder) {
  fs::create_directories(dir.File("project/recipes"));
  fs::create_directories(dir.File("project/models"));
  fs::copy_file(Model("ply/cube.ply"), dir.File("project/models/cube.ply"));
  testsupport::WriteFile(dir.File("project/recipes/r.json"), [] {
    const std::string text =
        R"({"model": "../models", "out-dir": "../icons", "outputs": ["{name}.png"],
            "previews": "prev-{name}"})";
    return std::vector<unsigned char>(text.begin(), text.end());
  }());
  std::string out;
  ASSERT_EQ(RunCommand("cd / && " + ShellQuote(FACETMINT_EXE) + " render --recipe " +
                           ShellQuote(fs::relative(dir.File("project/recipes/r.json"), "/")),
                       &out),
            0)
      << out;
  EXPECT_TRUE(fs::exists(dir.File("project/icons/cube.png")));
  EXPECT_TRUE(fs::exists(dir.File("project/icons/prev-cube/icon16.png")));
  // Saved from elsewhere, the paths are written relative to the recipe's folder again.
  ASSERT_EQ(RunCommand("cd " + F("project") + " && " + ShellQuote(FACETMINT_EXE) +
                           " render models/cube.ply --out-dir icons -o x.png --save-recipe "
                           "recipes/s.json",
                       &out),
            0)
      << out;
  const auto bytes = testsupport::ReadFile(dir.File("project/recipes/s.json"));
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_NE(text.find("\"model\": \"../models/cube.ply\""), std::string::npos) << text;
  EXPECT_NE(text.find("\"out-dir\": \"../icons\""), std::string::npos) << text;
  EXPECT_NE(text.find("\"x.png\""), std::string::npos) << text;
}

namespace {

// The processes whose parent is pid.
std::vector<pid_t> ChildrenOf(pid_t pid) {
  std::vector<pid_t> children;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    std::getline(stat, line);
    const size_t close = line.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream rest(line.substr(close + 2));
    char state = 0;
    pid_t parent = 0;
    rest >> state >> parent;
    if (parent == pid) children.push_back(static_cast<pid_t>(std::stol(name)));
  }
  return children;
}

// Starts facetmint with args in a process group of its own, output to log.
pid_t Start(const std::vector<std::string>& args, const std::string& log) {
  const pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    if (!freopen(log.c_str(), "w", stderr)) _exit(126);
    std::vector<std::string> all = {FACETMINT_EXE};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

// The files and folders in folder (none when it does not exist yet).
size_t EntryCount(const std::string& folder) {
  std::error_code error;
  size_t count = 0;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
    ++count;
  return count;
}

std::string Text(const std::string& file) {
  const auto bytes = testsupport::ReadFile(file);
  return {bytes.begin(), bytes.end()};
}

}  // namespace

// SIGTERM or SIGINT in the middle of a batch ends it with no partly written file, no
// temporary file and no worker left; every file there is whole.
TEST_F(BatchCliTest, AnInterruptedBatchLeavesNoPartlyWrittenFile) {
  fs::create_directories(dir.File("models"));
  for (int i = 0; i < 40; ++i) {
    fs::copy_file(Model("3ds/test1.3ds"), dir.File("models/m" + std::to_string(i) + ".3ds"));
  }
  for (int signal : {SIGTERM, SIGINT}) {
    fs::remove_all(dir.File("out"));
    const pid_t pid = Start({"render", dir.File("models"), "--out-dir", dir.File("out"), "-o",
                             "{name}.icns", "-o", "{name}.png", "-j", "2"},
                            dir.File("log"));
    ASSERT_GT(pid, 0);
    // Once files are being written. Only named, not read: a temporary file listed here may
    // be renamed before it could be read.
    for (int wait = 0; wait < 600 && EntryCount(dir.File("out")) < 4; ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::kill(pid, signal);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "status " << status << "\n"
                                                                   << Text(dir.File("log"));
    EXPECT_EQ(::kill(-pid, 0), -1) << "a worker outlived the batch";
    const auto files = Tree(dir.File("out"));
    EXPECT_LT(files.size(), 80u);
    for (const auto& [name, bytes] : files) {
      EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
      ASSERT_GT(bytes.size(), 12u) << name;
      if (name.ends_with(".png")) {  // a whole PNG ends with its IEND chunk
        EXPECT_EQ(std::string(bytes.end() - 8, bytes.end() - 4), "IEND") << name;
      } else {  // an .icns file's header holds its length
        const size_t length = (size_t{bytes[4]} << 24) | (size_t{bytes[5]} << 16) |
                              (size_t{bytes[6]} << 8) | bytes[7];
        EXPECT_EQ(length, bytes.size()) << name;
      }
    }
  }
}

// A worker that dies in the middle of a model (here killed from outside, as a crash would
// end it) fails that model only: the batch goes on with a new worker.
TEST_F(BatchCliTest, AWorkerThatDiesFailsOnlyItsModel) {
  fs::create_directories(dir.File("models"));
  constexpr int kModels = 8;
  for (int i = 0; i < kModels; ++i) {
    fs::copy_file(Model("md3/watercan.md3"), dir.File("models/m" + std::to_string(i) + ".md3"));
  }
  const pid_t pid = Start(
      {"render", dir.File("models"), "--out-dir", dir.File("out"), "-o", "{name}.icns", "-j", "2"},
      dir.File("log"));
  ASSERT_GT(pid, 0);
  std::vector<pid_t> workers;
  for (int wait = 0; wait < 400 && workers.empty(); ++wait) {
    workers = ChildrenOf(pid);
    if (workers.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_FALSE(workers.empty());
  ::kill(workers[0], SIGKILL);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  const std::string log = Text(dir.File("log"));
  ASSERT_TRUE(WIFEXITED(status)) << log;
  EXPECT_EQ(WEXITSTATUS(status), 1) << log;
  EXPECT_NE(log.find(".md3: the render was stopped by signal 9"), std::string::npos) << log;
  EXPECT_NE(log.find("1 of 8 models failed"), std::string::npos) << log;
  EXPECT_EQ(Tree(dir.File("out")).size(), static_cast<size_t>(kModels - 1)) << log;
}
