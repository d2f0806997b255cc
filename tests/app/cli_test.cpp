// The facetmint executable, run as a user runs it; its files read by real clients.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>
#include <utility>
#include <vector>

#include "tests/support/test_support.h"

using testsupport::RunCommand;
using testsupport::ShellQuote;
using testsupport::TempDir;

namespace {

int Facetmint(const std::string& args, std::string* output = nullptr) {
  return RunCommand(ShellQuote(FACETMINT_EXE) + " " + args + " 2>&1", output);
}

class CliTest : public ::testing::Test {
 protected:
  std::string F(const std::string& name) const { return ShellQuote(dir.File(name)); }
  TempDir dir;
};

TEST_F(CliTest, RenderWritesAllThreeFormatsThatRealClientsRead) {
  std::string out;
  ASSERT_EQ(Facetmint("render -o " + F("i.icns") + " -o " + F("i.ico") + " -o " + F("i.png") +
                          " --previews " + F("prev"),
                      &out),
            0)
      << out;
  if (testsupport::HaveTool("icotool")) {
    ASSERT_EQ(RunCommand("icotool -l " + F("i.ico"), &out), 0);
    EXPECT_NE(out.find("--width=256 --height=256 --bit-depth=32"), std::string::npos) << out;
    EXPECT_NE(out.find("--width=16 --height=16"), std::string::npos);
  }
  if (testsupport::HaveTool("icns2png")) {
    ASSERT_EQ(RunCommand("icns2png -l " + F("i.icns"), &out), 0);
    EXPECT_NE(out.find("'ic08' 256x256"), std::string::npos) << out;
    EXPECT_NE(out.find("'is32' 16x16"), std::string::npos) << out;
  }
  if (testsupport::HaveTool("pngcheck")) {
    EXPECT_EQ(RunCommand("pngcheck " + F("i.png"), &out), 0) << out;
    EXPECT_NE(out.find("256x256, 32-bit RGB+alpha"), std::string::npos) << out;
  }
  for (int size : {16, 32, 48, 64, 128, 256}) {
    EXPECT_TRUE(std::filesystem::exists(dir.File("prev/icon" + std::to_string(size) + ".png")));
  }
  const std::string python = testsupport::PythonWithPillow();
  if (python.empty()) GTEST_SKIP() << "no Pillow";
  // The 256 image of all three files and the preview: the same RGBA within 1.
  const std::string script = R"(
import sys
from PIL import Image
d = sys.argv[1]
def rgba(path, size=(256, 256)):
    im = Image.open(path)
    if path.endswith('.ico'): im.size = size
    if path.endswith('.icns'): im.size = size + (1,)  # the 256 element, not the largest
    im.load()
    return im.convert('RGBA')
ims = [rgba(d + '/i.png'), rgba(d + '/i.ico'), rgba(d + '/i.icns'), rgba(d + '/prev/icon256.png')]
assert all(im.size == (256, 256) for im in ims)
a = ims[0].tobytes()
assert sum(1 for k in range(3, len(a), 4) if a[k]) > 2000, 'empty icon'
for other in ims[1:]:
    b = other.tobytes()
    worst = max(abs(x - y) for x, y in zip(a, b))
    assert worst <= 1, worst
small = Image.open(d + '/i.ico'); small.size = (16, 16); small.load()
assert small.convert('RGBA').getbbox() is not None
print('agree')
)";
  testsupport::WriteFile(dir.File("check.py"),
                         std::vector<unsigned char>(script.begin(), script.end()));
  ASSERT_EQ(RunCommand(python + " " + F("check.py") + " " + ShellQuote(dir.path()) + " 2>&1", &out),
            0)
      << out;
  EXPECT_NE(out.find("agree"), std::string::npos);
}

TEST_F(CliTest, SameSettingsGiveTheSameBytesAndSettingsMatter) {
  const std::string settings = " --view -50,30 --rotate 10,20,30 --shadow-direction 90";
  ASSERT_EQ(Facetmint("render -o " + F("a.ico") + settings), 0);
  ASSERT_EQ(Facetmint("render -o " + F("b.ico") + settings), 0);
  ASSERT_EQ(Facetmint("render -o " + F("c.ico") + " --no-shadow"), 0);
  const auto a = testsupport::ReadFile(dir.File("a.ico"));
  EXPECT_EQ(a.size(), 370070u);
  EXPECT_EQ(a, testsupport::ReadFile(dir.File("b.ico")));
  EXPECT_NE(a, testsupport::ReadFile(dir.File("c.ico")));
}

TEST_F(CliTest, HiddenRoundCubeGivesATransparentPng) {
  ASSERT_EQ(Facetmint("render -o " + F("h.png") + " --hide 圆立方体 --no-shadow"), 0);
  const std::string python = testsupport::PythonWithPillow();
  if (python.empty()) GTEST_SKIP() << "no Pillow";
  std::string out;
  ASSERT_EQ(RunCommand(python + " -c \"from PIL import Image; im = Image.open('" +
                           dir.File("h.png") + "'); print(im.convert('RGBA').getbbox())\"",
                       &out),
            0);
  EXPECT_EQ(out, "None\n");
}

TEST_F(CliTest, ErrorsNameTheFileAndExitOne) {
  std::string out;
  EXPECT_EQ(Facetmint("render " + F("missing.3ds") + " -o " + F("x.png"), &out), 1);
  EXPECT_EQ(out.rfind("facetmint: " + dir.File("missing.3ds") + ": ", 0), 0u) << out;
  // A generic extension is no model format, even when Assimp might guess one.
  testsupport::WriteFile(dir.File("model.xml"), {1, 2, 3});
  EXPECT_EQ(Facetmint("render " + F("model.xml") + " -o " + F("x.png"), &out), 1);
  EXPECT_NE(out.find("unknown model format"), std::string::npos) << out;
  testsupport::WriteFile(dir.File("model.obj"), {1, 2, 3});
  EXPECT_EQ(Facetmint("render " + F("model.obj") + " -o " + F("x.png"), &out), 1);
  EXPECT_EQ(out.rfind("facetmint: " + dir.File("model.obj") + ": could not be read (", 0), 0u)
      << out;
  testsupport::WriteFile(dir.File("bad.md3"), {'j', 'u', 'n', 'k'});
  EXPECT_EQ(Facetmint("render " + F("bad.md3") + " -o " + F("x.png"), &out), 1);
  EXPECT_EQ(out.rfind("facetmint: " + dir.File("bad.md3") + ": ", 0), 0u) << out;
  EXPECT_GT(out.size(), dir.File("bad.md3").size() + 14);  // the reader's own message
  EXPECT_EQ(Facetmint("info " + F("bad.md3"), &out), 1);
  testsupport::WriteFile(dir.File("text.3ds"), {'h', 'e', 'l', 'l', 'o'});
  EXPECT_EQ(Facetmint("render " + F("text.3ds") + " -o " + F("x.png"), &out), 1);
  EXPECT_NE(out.find("nothing to draw"), std::string::npos) << out;
  for (const std::string& empty : {"render '' -o " + F("x.png"), "thumbnail '' " + F("x.png")}) {
    EXPECT_EQ(Facetmint(empty, &out), 1);
    EXPECT_EQ(out, "facetmint: \"\": an empty file name\n") << empty;
  }
  EXPECT_EQ(Facetmint("render -o " + F("x.png") + " --hide nobody", &out), 1);
  EXPECT_NE(out.find("no mesh named \"nobody\""), std::string::npos) << out;
  EXPECT_FALSE(std::filesystem::exists(dir.File("x.png")));
}

TEST_F(CliTest, IconsOfNothingAreAnErrorUnlessEveryMeshWasHidden) {
  std::string out;
  // Moved out of view: every icon would be blank.
  EXPECT_EQ(Facetmint("render -o " + F("gone.png") + " --move 40,0,0", &out), 1);
  EXPECT_EQ(out.rfind("facetmint: round cube: nothing of the model is visible", 0), 0u) << out;
  EXPECT_FALSE(std::filesystem::exists(dir.File("gone.png")));
  // Hidden on purpose: the transparent icons are what was asked for.
  EXPECT_EQ(Facetmint("render -o " + F("hidden.png") + " --hide 圆立方体", &out), 0) << out;
  EXPECT_TRUE(std::filesystem::exists(dir.File("hidden.png")));
}

TEST_F(CliTest, EveryErrorIsOneLineOnTheTerminal) {
  const std::vector<std::pair<std::string, std::vector<unsigned char>>> files = {
      {"zero.3ds", {}},
      {"chunk.3ds", {0x4D, 0x4D, 0xFF, 0xFF, 0, 0, 0x3D, 0x3D}},
      {"short.md3", {'I', 'D', 'P', '3', 15, 0, 0, 0}},
  };
  for (const auto& [name, bytes] : files) {
    testsupport::WriteFile(dir.File(name), bytes);
    std::string out;
    EXPECT_EQ(Facetmint("render " + F(name) + " -o " + F("x.png"), &out), 1);
    EXPECT_EQ(out.rfind("facetmint: " + dir.File(name) + ": ", 0), 0u) << out;
    EXPECT_EQ(out.find('\r'), std::string::npos) << out;
    EXPECT_EQ(out.find('\n'), out.size() - 1) << out;
    EXPECT_EQ(out.find(".cpp"), std::string::npos) << out;  // no source file of ours
  }
  // Not a regular file: refused before anything is read (a FIFO would block).
  const std::string fifo = dir.File("pipe.md3");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::string out;
  EXPECT_EQ(Facetmint("info " + F("pipe.md3"), &out), 1);
  EXPECT_EQ(out, "facetmint: " + fifo + ": is not a regular file\n");
}

TEST_F(CliTest, UnwritableOutputLeavesNoFile) {
  std::string out;
  EXPECT_EQ(Facetmint("render -o " + F("no/such/dir/x.icns"), &out), 1);
  EXPECT_EQ(out.rfind("facetmint: " + dir.File("no/such/dir/x.icns") + ": ", 0), 0u) << out;
  // A folder where the file should go: the rename fails, and nothing is left beside it.
  std::filesystem::create_directory(dir.File("taken.ico"));
  std::filesystem::create_directory(dir.File("taken.png"));
  EXPECT_EQ(Facetmint("render -o " + F("taken.ico"), &out), 1) << out;
  EXPECT_EQ(Facetmint("render -o " + F("taken.png"), &out), 1) << out;
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 2);  // only the two folders
}

// .ico files and preview-size PNGs are written on two threads, beside the .icns's masters:
// each file is the one a run writing only it gives, and a failure names the first failing
// file of the command line, whichever failed first.
TEST_F(CliTest, FilesWrittenSideBySideAreThoseOfSingleRunsAndTheFirstFailureIsNamed) {
  std::string out;
  ASSERT_EQ(Facetmint("render -o " + F("all.icns") + " -o " + F("all.ico") + " -o " + F("all.png") +
                          " -o " + F("b.ico") + " -o " + F("b.png"),
                      &out),
            0)
      << out;
  for (const char* ext : {".icns", ".ico", ".png"}) {
    ASSERT_EQ(Facetmint("render -o " + F(std::string("one") + ext), &out), 0) << out;
    const auto one = testsupport::ReadFile(dir.File(std::string("one") + ext));
    EXPECT_EQ(testsupport::ReadFile(dir.File(std::string("all") + ext)), one) << ext;
    if (std::string(ext) != ".icns") {
      EXPECT_EQ(testsupport::ReadFile(dir.File(std::string("b") + ext)), one) << ext;
    }
  }
  std::filesystem::create_directory(dir.File("taken.ico"));
  std::filesystem::create_directory(dir.File("taken.png"));
  EXPECT_EQ(Facetmint("render -o " + F("c.png") + " -o " + F("taken.ico") + " -o " +
                          F("taken.png") + " -o " + F("c.icns"),
                      &out),
            1);
  EXPECT_EQ(out.rfind("facetmint: " + dir.File("taken.ico") + ": ", 0), 0u) << out;
  EXPECT_EQ(out.find('\n'), out.size() - 1) << out;
  EXPECT_EQ(Facetmint("render -o " + F("taken.png") + " -o " + F("taken.ico"), &out), 1);
  EXPECT_EQ(out.rfind("facetmint: " + dir.File("taken.png") + ": ", 0), 0u) << out;
}

TEST_F(CliTest, UsageHelpAndVersion) {
  std::string out;
  EXPECT_EQ(Facetmint("render", &out), 2);
  EXPECT_NE(out.find("usage:"), std::string::npos);
  EXPECT_EQ(Facetmint("render -o x.gif", &out), 2);
  EXPECT_EQ(Facetmint("render -o x.png --distance far", &out), 2);
  EXPECT_EQ(Facetmint("frobnicate", &out), 2);
  EXPECT_EQ(Facetmint("--help", &out), 0);
  EXPECT_NE(out.find("facetmint info MODEL"), std::string::npos);
  // The help page shipped with the program is named by its address.
  EXPECT_NE(out.find("file://"), std::string::npos) << out;
  EXPECT_NE(out.find("help/index.html"), std::string::npos) << out;
  EXPECT_EQ(Facetmint("--version", &out), 0);
  EXPECT_EQ(out.rfind("facetmint ", 0), 0u);
}

TEST_F(CliTest, WithoutADisplayNoArgumentsRendersTheRoundCubeIntoOut) {
  std::string out;
  const std::string headless = "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER ";
  ASSERT_EQ(RunCommand("cd " + ShellQuote(dir.path()) + " && " + headless +
                           ShellQuote(FACETMINT_EXE) + " 2>&1",
                       &out),
            0)
      << out;
  EXPECT_NE(out.find("no window can be shown"), std::string::npos) << out;
  EXPECT_NE(out.find("out/"), std::string::npos);
  // A model to open in the window cannot be opened without one: an error, nothing written.
  EXPECT_EQ(RunCommand("cd " + ShellQuote(dir.path()) + " && " + headless +
                           ShellQuote(FACETMINT_EXE) + " some/model.3ds 2>&1",
                       &out),
            1)
      << out;
  EXPECT_NE(out.find("some/model.3ds"), std::string::npos) << out;
  for (const char* f : {"out/icon.icns", "out/icon.ico", "out/icon.png"}) {
    EXPECT_GT(std::filesystem::file_size(dir.File(f)), 1000u) << f;
  }
}

TEST_F(CliTest, RealModelsRenderAndDescribeThemselves) {
  const std::string data = testsupport::DataDir();
  const std::string python = testsupport::PythonWithPillow();
  for (const char* model :
       {"/models/3ds/test1.3ds", "/models/md3/watercan.md3", "/models/gltf/binary/BoxTextured.glb",
        "/models/gltf/separate/BoxTextured.gltf", "/models/obj/spider.obj", "/models/fbx/box.fbx",
        "/models/collada/duck.dae", "/models/stl/Spider_binary.stl", "/models/ply/cube.ply"}) {
    const std::string path = data + model;
    const std::string format = std::filesystem::path(model).extension().string().substr(1);
    std::string out;
    ASSERT_EQ(Facetmint("render " + ShellQuote(path) + " -o " + F("m.png"), &out), 0) << out;
    ASSERT_EQ(Facetmint("info " + ShellQuote(path) + " 2>/dev/null", &out), 0) << out;
    testsupport::WriteFile(dir.File("info.json"),
                           std::vector<unsigned char>(out.begin(), out.end()));
    if (python.empty()) continue;
    const std::string check = R"(
import json, sys
from PIL import Image
info = json.load(open(sys.argv[1]))
assert info['format'] == sys.argv[3], info['format']
assert info['meshes'], info
assert info['triangles'] == sum(m['triangles'] for m in info['meshes'])
assert info['vertices'] == sum(m['vertices'] for m in info['meshes'])
for m in info['meshes']:
    assert m['color'].startswith('#') and len(m['color']) == 9
    assert len(m['size']) == 3 and len(m['position']) == 3
    assert m['texture'] is None or isinstance(m['texture'], str)
assert Image.open(sys.argv[2]).convert('RGBA').getbbox() is not None
print('ok')
)";
    testsupport::WriteFile(dir.File("c.py"),
                           std::vector<unsigned char>(check.begin(), check.end()));
    ASSERT_EQ(RunCommand(python + " " + F("c.py") + " " + F("info.json") + " " + F("m.png") + " " +
                             format + " 2>&1",
                         &out),
              0)
        << model << ": " << out;
  }
}

TEST_F(CliTest, ADisplayThatCannotBeOpenedIsAnErrorWithoutLibraryNoise) {
  std::string out;
  const std::string run = "cd " + ShellQuote(dir.path()) + " && env -u SDL_VIDEODRIVER ";
  // A wrong X display, also with a Wayland one named beside it.
  for (const char* env :
       {"-u WAYLAND_DISPLAY DISPLAY=:97531", "DISPLAY=:97531 WAYLAND_DISPLAY=wayland-97531",
        "-u DISPLAY WAYLAND_DISPLAY=wayland-97531 XDG_RUNTIME_DIR=/nonexistent",
        "-u DISPLAY -u XDG_RUNTIME_DIR WAYLAND_DISPLAY=wayland-97531",
        "-u DISPLAY WAYLAND_DISPLAY=wayland-97531 XDG_RUNTIME_DIR=/tmp"}) {
    EXPECT_EQ(RunCommand(run + env + " " + ShellQuote(FACETMINT_EXE) + " 2>&1", &out), 1) << env;
    EXPECT_NE(out.find("facetmint: display "), std::string::npos) << env << ": " << out;
    EXPECT_NE(out.find("97531"), std::string::npos) << out;
    // One line of ours, nothing else on the terminal.
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
    EXPECT_FALSE(std::filesystem::exists(dir.File("out"))) << "no headless render";
  }
}

TEST_F(CliTest, OutOfRangeSettingsSayWhichValueWasUsed) {
  std::string out;
  const std::string icon = " -o " + F("a.png");
  ASSERT_EQ(Facetmint("render --shadow-opacity 150 --distance 1 --rotate 0,200,0" + icon, &out), 0)
      << out;
  // Each notice names the option, the value asked for and the value used; the icon is the
  // one rendered with the values named.
  std::map<std::string, std::string> used;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    const size_t at = line.find("; using ");
    ASSERT_NE(at, std::string::npos) << line;
    ASSERT_EQ(line.rfind("facetmint: --", 0), 0u) << line;
    used[line.substr(11, line.find(' ', 11) - 11)] = line.substr(at + 8);
  }
  ASSERT_EQ(used.size(), 3u) << out;
  EXPECT_NE(out.find("--shadow-opacity 150 "), std::string::npos) << out;
  EXPECT_NE(out.find("--distance 1 "), std::string::npos) << out;
  EXPECT_NE(out.find("--rotate 200 "), std::string::npos) << out;
  ASSERT_EQ(
      Facetmint("render --shadow-opacity " + used["--shadow-opacity"] + " --distance " +
                    used["--distance"] + " --rotate 0," + used["--rotate"] + ",0 -o " + F("b.png"),
                &out),
      0);
  EXPECT_TRUE(out.empty()) << out;
  EXPECT_EQ(testsupport::ReadFile(dir.File("a.png")), testsupport::ReadFile(dir.File("b.png")));
  // In range (rounding to the slider's steps is no notice): nothing said.
  ASSERT_EQ(
      Facetmint("render --shadow-opacity 33 --distance 2 --shadow-direction -180" + icon, &out), 0);
  EXPECT_TRUE(out.empty()) << out;
}

// A texture no decoder of ours reads leaves the mesh in its base colour, with a warning on
// the terminal and a note in info; the model itself loads.
TEST_F(CliTest, UndecodableTexturesAreWarningsAndNotes) {
  const std::string separate = testsupport::DataDir() + "/models/gltf/separate/";
  for (const char* name : {"BoxTextured.gltf", "BoxTextured0.bin"})
    std::filesystem::copy_file(separate + name, dir.File(name));
  const std::string ktx2 = "\xABKTX 20\xBB\r\n\x1A\n and nothing a PNG decoder reads";
  testsupport::WriteFile(dir.File("CesiumLogoFlat.png"),
                         std::vector<unsigned char>(ktx2.begin(), ktx2.end()));
  std::string out;
  ASSERT_EQ(Facetmint("render " + F("BoxTextured.gltf") + " -o " + F("m.png"), &out), 0) << out;
  EXPECT_NE(out.find(": warning: the texture CesiumLogoFlat.png is in a format Facetmint cannot "
                     "decode"),
            std::string::npos)
      << out;
  ASSERT_EQ(
      RunCommand(ShellQuote(FACETMINT_EXE) + " info " + F("BoxTextured.gltf") + " 2>/dev/null",
                 &out),
      0);
  EXPECT_NE(out.find("\"texture\":null,\"texture_note\":\"the texture CesiumLogoFlat.png"),
            std::string::npos)
      << out;
  // Found and decoded, the texture has no note.
  ASSERT_EQ(RunCommand(ShellQuote(FACETMINT_EXE) + " info " +
                           ShellQuote(separate + "BoxTextured.gltf") + " 2>&1",
                       &out),
            0);
  EXPECT_EQ(out.find("texture_note"), std::string::npos) << out;
  EXPECT_NE(out.find("CesiumLogoFlat.png\""), std::string::npos) << out;
}

}  // namespace
