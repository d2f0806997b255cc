// The command line's start-up and the thumbnailer, run as a user and a file manager run
// them: the libraries each command loads, the installed thumbnailer entry, hostile models.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "imaging/bitmap.h"
#include "tests/import/model_writer.h"
#include "tests/support/test_support.h"

using testsupport::RunCommand;
using testsupport::ShellQuote;
using testsupport::TempDir;

namespace {

struct TChild {
  int status = -1;
  double seconds = 0;
  long peak_kb = 0;
  std::string output;  // stdout and stderr
};

// Runs the command through the shell and waits for it with its resource use.
TChild RunChild(const std::string& command, const std::string& output_file) {
  TChild child;
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    execl("/bin/sh", "sh", "-c", (command + " >" + ShellQuote(output_file) + " 2>&1").c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  rusage usage{};
  wait4(pid, &child.status, 0, &usage);
  child.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  child.peak_kb = usage.ru_maxrss;
  std::ifstream in(output_file);
  child.output.assign(std::istreambuf_iterator<char>(in), {});
  return child;
}

// Width and height from a PNG's header; 0 x 0 for anything else.
std::pair<int, int> PngSize(const std::string& file) {
  const std::vector<unsigned char> b = testsupport::ReadFile(file);
  if (b.size() < 24 || b[1] != 'P' || b[2] != 'N' || b[3] != 'G') return {0, 0};
  auto be32 = [&](size_t at) { return b[at] << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3]; };
  return {be32(16), be32(20)};
}

class StartupTest : public ::testing::Test {
 protected:
  std::string F(const std::string& name) const { return ShellQuote(dir.File(name)); }
  TempDir dir;
};

// Every command-line path: the libraries loaded (LD_DEBUG names each with what asked for it).
// GTK, GDK, SDL and libX11 belong to the window only (Mesa's EGL brings libX11-xcb, which is
// not libX11). The text libraries (Pango, GLib, HarfBuzz) come when text is drawn, which none
// of these paths does; nor does an icon render need Cairo, whose Debian build would bring
// libX11. The image codecs come at their first call, never at start, and not at all where
// nothing is encoded or decoded.
TEST_F(StartupTest, CommandLinePathsLoadNoWindowLibraries) {
  const std::string model = ShellQuote(testsupport::DataDir() + "/models/md3/watercan.md3");
  for (const std::string& args : std::vector<std::string>{
           "--version", "--help", "info " + model,
           "render " + model + " -o " + F("r.png") + " -o " + F("r.ico") + " -o " + F("r.icns"),
           "thumbnail " + model + " " + F("t.png")}) {
    const TChild child = RunChild("env LD_DEBUG=files " + ShellQuote(FACETMINT_EXE) + " " + args,
                                  dir.File("out.txt"));
    ASSERT_EQ(child.status, 0) << args << "\n" << child.output.substr(0, 2000);
    std::istringstream lines(child.output);
    std::string line;
    int loaded = 0;
    while (std::getline(lines, line)) {
      static const std::regex file(R"(file=(\S+) \[0\];\s+(needed|dynamically loaded) by (\S+))");
      std::smatch m;
      if (!std::regex_search(line, m, file)) continue;
      ++loaded;
      const std::string lib = m[1], by = m[3];
      EXPECT_FALSE(std::regex_search(lib, std::regex("^lib(gtk|gdk|SDL)"))) << args << ": " << line;
      EXPECT_FALSE(std::regex_search(lib, std::regex("^lib(pango|glib|gobject|harfbuzz)")))
          << args << ": " << line;
      EXPECT_FALSE(std::regex_search(lib, std::regex("^lib(cairo|X11)\\.so")))
          << args << ": " << line;
      static const std::regex drawing("^lib(png16|jpeg|tiff|gif|openjp2)\\.so");
      if (std::regex_search(lib, drawing)) {
        const bool at_start =
            m[2] == "needed" && std::filesystem::path(by).filename() == "facetmint";
        EXPECT_FALSE(at_start) << args << ": " << line;
        EXPECT_TRUE(args.rfind("render", 0) == 0 || args.rfind("thumbnail", 0) == 0)
            << args << ": " << line;
      }
    }
    EXPECT_GT(loaded, 5) << args << ": no library loads seen";
  }
}

// The install: the thumbnailer entry runs the installed command on every type the program
// declares, the window program sits where the command looks for it, and the installed
// command makes thumbnails.
TEST_F(StartupTest, InstalledThumbnailerEntryAndCommand) {
  const std::string prefix = dir.File("prefix");
  std::string out;
  ASSERT_EQ(RunCommand("cmake --install " + ShellQuote(FACETMINT_BUILD_DIR) + " --prefix " +
                           ShellQuote(prefix) + " 2>&1",
                       &out),
            0)
      << out;
  std::ifstream entry(prefix + "/share/thumbnailers/facetmint.thumbnailer");
  ASSERT_TRUE(entry) << "no thumbnailer entry";
  std::map<std::string, std::string> keys;
  std::string line;
  while (std::getline(entry, line)) {
    const size_t eq = line.find('=');
    if (eq != std::string::npos) keys[line.substr(0, eq)] = line.substr(eq + 1);
  }
  EXPECT_EQ(keys["TryExec"], "facetmint");
  EXPECT_EQ(keys["Exec"], "facetmint thumbnail -s %s %i %o");
  std::set<std::string> listed;
  std::istringstream types(keys["MimeType"]);
  for (std::string t; std::getline(types, t, ';');) listed.insert(t);
  // Every type of the desktop entry and every type the program's MIME file defines.
  std::ifstream desktop(prefix + "/share/applications/facetmint.desktop");
  while (std::getline(desktop, line)) {
    if (line.rfind("MimeType=", 0) != 0) continue;
    std::istringstream wanted(line.substr(9));
    for (std::string t; std::getline(wanted, t, ';');) EXPECT_TRUE(listed.count(t)) << t;
  }
  std::ifstream mime(prefix + "/share/mime/packages/facetmint.xml");
  const std::string xml((std::istreambuf_iterator<char>(mime)), {});
  const std::regex defined(R"(<mime-type type="([^"]+)\")");
  int count = 0;
  for (std::sregex_iterator it(xml.begin(), xml.end(), defined), end; it != end; ++it, ++count) {
    EXPECT_TRUE(listed.count((*it)[1])) << (*it)[1];
  }
  EXPECT_GT(count, 0);
  EXPECT_TRUE(std::filesystem::is_regular_file(prefix + "/libexec/facetmint/facetmint-window"));
  // As a file manager runs it: %s, %i and %o filled in, the installed command on the PATH.
  const std::string model = testsupport::DataDir() + "/models/md3/watercan.md3";
  const TChild child =
      RunChild("env PATH=" + ShellQuote(prefix + "/bin") + ":/usr/bin:/bin " +
                   "facetmint thumbnail -s 128 " + ShellQuote(model) + " " + F("thumb.png"),
               dir.File("out.txt"));
  ASSERT_EQ(child.status, 0) << child.output;
  EXPECT_EQ(PngSize(dir.File("thumb.png")), std::make_pair(128, 128));
}

// A thumbnail without the model's textures (a sandbox shows only the input file) is drawn
// untextured; the picture is SIZE (at most 1024) and a PNG whatever the output's name, and
// the model fills it up to the fit's margin without touching an edge.
TEST_F(StartupTest, ThumbnailSizesFillAndMissingTextures) {
  std::filesystem::copy_file(testsupport::DataDir() + "/models/3ds/cube_with_diffuse_texture.3DS",
                             dir.File("alone.3ds"));
  for (const auto& [size, side] : std::vector<std::pair<std::string, int>>{
           {"", 256}, {"-s 128", 128}, {"-s 200", 200}, {"-s 512", 512}, {"-s 4096", 1024}}) {
    const TChild child = RunChild(
        ShellQuote(FACETMINT_EXE) + " thumbnail " + size + " " + F("alone.3ds") + " " + F("thumb"),
        dir.File("out.txt"));
    ASSERT_EQ(child.status, 0) << size << ": " << child.output;
    ASSERT_EQ(PngSize(dir.File("thumb")), std::make_pair(side, side)) << size;
    std::filesystem::copy_file(dir.File("thumb"), dir.File("thumb.png"),
                               std::filesystem::copy_options::overwrite_existing);
    TpmBitmap picture;
    ASSERT_TRUE(picture.LoadFromFile(dir.File("thumb.png"))) << size;
    int left = side, top = side, right = -1, bottom = -1;
    for (int y = 0; y < side; ++y) {
      for (int x = 0; x < side; ++x) {
        if ((picture.Scanline(y)[x] >> 24) == 0) continue;
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
    }
    EXPECT_GE(std::max(right - left, bottom - top) + 1, side * 3 / 4) << size << ": not filled";
    EXPECT_TRUE(left > 0 && top > 0 && right < side - 1 && bottom < side - 1)
        << size << ": touches an edge";
  }
  EXPECT_NE(
      RunChild(ShellQuote(FACETMINT_EXE) + " thumbnail -s 0 " + F("alone.3ds") + " " + F("x.png"),
               dir.File("out.txt"))
          .status,
      0);
}

// File managers thumbnail every file of a folder: damaged and lying models end in an error
// naming the file, within seconds and bounded memory, and write nothing.
TEST_F(StartupTest, HostileModelsEndInAnErrorWithinBounds) {
  using namespace modelwriter;
  std::vector<std::pair<std::string, std::vector<unsigned char>>> models;
  {
    // Counts far beyond the data: 65 535 vertices and faces in a few bytes.
    Out verts;
    verts.u16(65535).f32(1).f32(2).f32(3);
    Out faces;
    faces.u16(65535).u16(0).u16(0).u16(0).u16(0);
    models.emplace_back("lying_counts.3ds",
                        File3DS({C(0x4000, Out().str("M"),
                                   {C(0x4100, {}, {C(0x4110, verts), C(0x4120, faces)})})}));
  }
  {
    // A chunk claiming 4 GB, then 8 MB of noise.
    std::vector<unsigned char> b = {0x4D, 0x4D, 0xFF, 0xFF, 0xFF, 0xFF};
    uint32_t x = 12345;
    for (int i = 0; i < (8 << 20); ++i)
      b.push_back(static_cast<unsigned char>((x = x * 1103515245 + 12345) >> 24));
    models.emplace_back("noise.3ds", b);
  }
  {
    // An MD3 header claiming a billion frames and a million surfaces.
    Out md3;
    md3.u32(0x33504449).u32(15);
    for (int i = 0; i < 64; ++i) md3.u8(0);
    md3.u32(0).u32(1 << 30).u32(0).u32(1 << 20).u32(0).u32(108).u32(108).u32(108).u32(1 << 30);
    models.emplace_back("lying.md3", md3.bytes());
  }
  for (const auto& [name, bytes] : models) {
    testsupport::WriteFile(dir.File(name), bytes);
    const TChild child =
        RunChild(ShellQuote(FACETMINT_EXE) + " thumbnail " + F(name) + " " + F(name + ".png"),
                 dir.File("out.txt"));
    EXPECT_TRUE(WIFEXITED(child.status) && WEXITSTATUS(child.status) == 1)
        << name << ": " << child.status << " " << child.output;
    EXPECT_EQ(child.output.rfind("facetmint: " + dir.File(name) + ": ", 0), 0u)
        << name << ": " << child.output;
    EXPECT_LT(child.seconds, 10) << name;
    EXPECT_LT(child.peak_kb, 400 * 1024) << name;
    EXPECT_FALSE(std::filesystem::exists(dir.File(name + ".png"))) << name;
  }
}

}  // namespace
