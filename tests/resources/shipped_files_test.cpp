// The files installed beside the program: the help pages must stand alone (no address
// outside them, every link leading to a place in one of them), the desktop entry must start
// the program with the file, and the pictures must have the sizes the window lays out.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace {

std::string Resources() {
  return testsupport::DataDir() + "/../../app/resources";
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << path;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::set<std::string> PageIds(const std::string& html) {
  std::set<std::string> ids;
  const std::regex id_re(R"re(id="([^"]+)")re");
  for (auto it = std::sregex_iterator(html.begin(), html.end(), id_re);
       it != std::sregex_iterator(); ++it) {
    ids.insert((*it)[1]);
  }
  return ids;
}

TEST(ShippedFiles, HelpPagesAreSelfContainedAndTheirLinksLeadSomewhere) {
  // The English page and the Chinese one: each explains the window's words as its window
  // shows them; they link to each other and to nothing outside.
  struct TPage {
    const char* name;
    std::vector<const char*> words;
  };
  const TPage pages[] = {
      {"index.html", {"Load...",
                      "Save...",
                      "About...",
                      "Choose format:",
                      "Meshes",
                      "Show shadow",
                      "Model transform",
                      "Mouse - turn",
                      "Mouse - move",
                      "facetmint render",
                      "facetmint info",
                      "--help",
                      "--version",
                      "--shadow-color",
                      "--color MESH=#RRGGBB",
                      "Shift",
                      "--out-dir",
                      "{name}",
                      "--recipe",
                      "--save-recipe"}},
      {"index.zh_CN.html",
       {"载入...", "保存...", "关于...", "选择格式:", "构架", "显示阴影", "模型转换", "鼠标 - 旋转",
        "鼠标 - 移动", "Shift", "facetmint render", "--out-dir", "{name}", "--recipe",
        "--save-recipe"}},
  };
  for (const TPage& page : pages) {
    SCOPED_TRACE(page.name);
    const std::string html = ReadText(Resources() + "/help/" + page.name);
    ASSERT_FALSE(html.empty());
    EXPECT_EQ(html.find("http:"), std::string::npos);
    EXPECT_EQ(html.find("https:"), std::string::npos);
    EXPECT_EQ(html.find("<script"), std::string::npos);
    const std::regex ref_re(R"re((href|src)="([^"]*)")re");
    int links = 0;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), ref_re);
         it != std::sregex_iterator(); ++it) {
      const std::string target = (*it)[2];
      ASSERT_FALSE(target.empty());
      const size_t hash = target.find('#');
      const std::string file = target.substr(0, hash);
      EXPECT_TRUE(file.empty() || file == "index.html" || file == "index.zh_CN.html" ||
                  file == "style.css")
          << "only links to the help pages and their style sheet: " << target;
      if (!file.empty()) {
        EXPECT_FALSE(ReadText(Resources() + "/help/" + file).empty()) << target;
      }
      if (hash != std::string::npos) {
        const std::string target_html =
            file.empty() ? html : ReadText(Resources() + "/help/" + file);
        EXPECT_TRUE(PageIds(target_html).count(target.substr(hash + 1))) << target;
      }
      ++links;
    }
    EXPECT_GT(links, 0);
    for (const char* text : page.words) EXPECT_NE(html.find(text), std::string::npos) << text;
  }
}

TEST(ShippedFiles, DesktopEntryStartsTheProgramWithTheFile) {
  const std::string entry = ReadText(Resources() + "/facetmint.desktop");
  ASSERT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u);
  for (const char* line : {"\nType=Application\n", "\nName=Facetmint\n", "\nExec=facetmint %f\n",
                           "\nIcon=facetmint\n", "\nTerminal=false\n"}) {
    EXPECT_NE(entry.find(line), std::string::npos) << line;
  }
  const std::regex mime_re(R"(\nMimeType=([^\n]*;)\n)");
  std::smatch mime;
  ASSERT_TRUE(std::regex_search(entry, mime, mime_re));
  EXPECT_NE(mime[1].str().find("image/x-3ds;"), std::string::npos);
  EXPECT_NE(mime[1].str().find("application/x-md3;"), std::string::npos);
  // Every type the entry lists is one the desktop knows: from its shared list or from ours.
  const std::string ours = ReadText(Resources() + "/facetmint-mime.xml");
  std::string shared;
  if (std::filesystem::exists("/usr/share/mime/packages/freedesktop.org.xml"))
    shared = ReadText("/usr/share/mime/packages/freedesktop.org.xml");
  std::istringstream types(mime[1].str());
  int listed = 0;
  for (std::string type; std::getline(types, type, ';');) {
    ++listed;
    const std::string defined = "<mime-type type=\"" + type + "\"";
    if (type == "model/x-3ds") continue;  // an older name some desktops give 3DS files
    EXPECT_TRUE(ours.find(defined) != std::string::npos ||
                (!shared.empty() && shared.find(defined) != std::string::npos))
        << type;
  }
  EXPECT_GE(listed, 10);
  for (const char* type : {"model/gltf-binary", "model/obj", "model/x-fbx", "model/vnd.collada+xml",
                           "model/stl", "model/x-ply"}) {
    EXPECT_NE(mime[1].str().find(std::string(type) + ";"), std::string::npos) << type;
  }
}

TEST(ShippedFiles, PicturesHaveTheirLayoutSizes) {
  const std::string python = testsupport::PythonWithPillow();
  if (python.empty()) GTEST_SKIP() << "no Python with Pillow";
  const std::string script =
      "import sys\nfrom PIL import Image\n"
      "for n in sys.argv[1:]:\n"
      "    im = Image.open(n); im.load()\n"
      "    a = im.convert('RGBA').getchannel('A')\n"
      "    print(im.format, im.size[0], im.size[1], im.mode, a.getextrema()[0], a.getbbox() is not "
      "None)\n";
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.File("check.py"),
                         std::vector<unsigned char>(script.begin(), script.end()));
  std::string cmd = python + " " + testsupport::ShellQuote(dir.File("check.py"));
  const char* names[] = {"load", "save", "about", "arrow", "logo", "facetmint", "help"};
  for (const char* n : names) cmd += " " + testsupport::ShellQuote(Resources() + "/" + n + ".png");
  std::string out;
  ASSERT_EQ(testsupport::RunCommand(cmd, &out), 0) << out;
  std::istringstream lines(out);
  for (const char* n : names) {
    std::string format, mode, has_content;
    int w = 0, h = 0, min_alpha = -1;
    lines >> format >> w >> h >> mode >> min_alpha >> has_content;
    EXPECT_EQ(format, "PNG") << n;
    if (std::string(n) == "help") {
      EXPECT_EQ(w, 38);
      EXPECT_EQ(h, 37);
    } else {
      EXPECT_EQ(w, 256) << n;
      EXPECT_EQ(h, 256) << n;
    }
    EXPECT_EQ(mode, "RGBA") << n;
    EXPECT_EQ(min_alpha, 0) << n << ": a transparent background";
    EXPECT_EQ(has_content, "True") << n;
  }
}

}  // namespace
