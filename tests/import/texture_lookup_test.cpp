#include "import/texture_lookup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

TEST(TextureLookup, FindsTexturesBesideTheModelWhateverTheCaseAndSlashes) {
  testsupport::TempDir dir;
  fs::create_directories(dir.File("maps/Wood"));
  testsupport::WriteFile(dir.File("test.png"), {1});
  testsupport::WriteFile(dir.File("CWALL02.jpg"), {1});
  testsupport::WriteFile(dir.File("maps/Wood/oak.TGA"), {1});
  fs::create_directories(dir.File("sub"));
  testsupport::WriteFile(dir.File("sub/inner.bmp"), {1});
  const std::string model = dir.File("model.3ds");

  EXPECT_EQ(FindTextureFile(model, "test.png"), dir.File("test.png"));
  EXPECT_EQ(FindTextureFile(model, "TEST.PNG"), dir.File("test.png"));
  EXPECT_EQ(FindTextureFile(model, "CWALL02.JPG"), dir.File("CWALL02.jpg"));
  EXPECT_EQ(FindTextureFile(model, "MAPS\\WOOD\\OAK.tga"), dir.File("maps/Wood/oak.TGA"));
  EXPECT_EQ(FindTextureFile(model, "maps/Wood/oak.TGA"), dir.File("maps/Wood/oak.TGA"));
  // A drive letter or a path leaving the folder: only the base name is looked for.
  EXPECT_EQ(FindTextureFile(model, "C:\\3dsmax\\maps\\TEST.PNG"), dir.File("test.png"));
  EXPECT_EQ(FindTextureFile(model, "..\\..\\test.png"), dir.File("test.png"));
  EXPECT_EQ(FindTextureFile(model, "/etc/test.png"), dir.File("test.png"));
  // A folder the file does not name in full still finds the base name beside the model.
  EXPECT_EQ(FindTextureFile(model, "elsewhere\\test.png"), dir.File("test.png"));
  EXPECT_EQ(FindTextureFile(model, "inner.bmp"), dir.File("sub/inner.bmp"));
  EXPECT_EQ(FindTextureFile(model, "missing.png"), "");
  EXPECT_EQ(FindTextureFile(model, ""), "");
  // A folder of the texture's name is not a texture.
  EXPECT_EQ(FindTextureFile(model, "maps"), "");
}

TEST(TextureLookup, ExactNamePreferredAndCodePageNamesFound) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.File("a.png"), {1});
  testsupport::WriteFile(dir.File("A.png"), {1});
  testsupport::WriteFile(dir.File("t\xC3\xBCr.jpg"), {1});  // unpacked as UTF-8
  const std::string model = dir.File("m.3ds");
  EXPECT_EQ(FindTextureFile(model, "A.png"), dir.File("A.png"));
  EXPECT_EQ(FindTextureFile(model, "a.png"), dir.File("a.png"));
  EXPECT_EQ(FindTextureFile(model, "A.PNG"), dir.File("A.png"));  // first in name order
  EXPECT_EQ(FindTextureFile(model, "T\xFCR.JPG"), dir.File("t\xC3\xBCr.jpg"));
}

TEST(TextureFinder, SearchOrderSubfoldersCaseAndSlashes) {
  testsupport::TempDir dir;
  const std::string model_dir = dir.File("model");
  for (const char* sub : {"model/textures", "model/b", "model/a", "model/c/deeper"})
    fs::create_directories(dir.File(sub));
  for (const char* file :
       {"model/textures/color.jpg", "model/b/both.png", "model/a/both.png", "model/a/CASE.PNG",
        "model/b/case.png", "model/BESIDE.PNG", "model/c/beside.png", "model/c/deeper/deep.png",
        "outside.png", "model/textures/inner.png", "model/a/inner.png"})
    testsupport::WriteFile(dir.File(file), {1});
  TTextureFinder finder(model_dir + "/model.3ds");
  // The name alone finds the file in an immediate subfolder.
  EXPECT_EQ(finder.Find("color.jpg"), dir.File("model/textures/color.jpg"));
  EXPECT_EQ(finder.Find("COLOR.JPG"), dir.File("model/textures/color.jpg"));
  // Subfolders in sorted order, whatever order the folder lists them in.
  EXPECT_EQ(finder.Find("both.png"), dir.File("model/a/both.png"));
  // An exact match in a later subfolder beats a case-blind one in an earlier subfolder.
  EXPECT_EQ(finder.Find("case.png"), dir.File("model/b/case.png"));
  // Beside the model comes before the subfolders, even when only the case differs.
  EXPECT_EQ(finder.Find("beside.png"), dir.File("model/BESIDE.PNG"));
  // The path as written comes first, with either slash.
  EXPECT_EQ(finder.Find("textures\\inner.png"), dir.File("model/textures/inner.png"));
  EXPECT_EQ(finder.Find("textures/inner.png"), dir.File("model/textures/inner.png"));
  EXPECT_EQ(finder.Find("inner.png"), dir.File("model/a/inner.png"));
  EXPECT_EQ(finder.Find("C\\DEEPER\\DEEP.PNG"), dir.File("model/c/deeper/deep.png"));
  // Only immediate subfolders are searched by name.
  EXPECT_EQ(finder.Find("deep.png"), "");
  // Nothing outside the model's folder: not by "..", not by an absolute path.
  EXPECT_EQ(finder.Find("..\\outside.png"), "");
  EXPECT_EQ(finder.Find("../outside.png"), "");
  EXPECT_EQ(finder.Find(dir.File("outside.png")), "");
  EXPECT_EQ(finder.Find("textures\\..\\..\\outside.png"), "");
  // A folder is not a texture, and an empty name finds nothing.
  EXPECT_EQ(finder.Find("textures"), "");
  EXPECT_EQ(finder.Find(""), "");
  // Several spellings: the second is tried in each step before the next step.
  EXPECT_EQ(finder.Find(std::vector<std::string>{"nothing.png", "both.png"}),
            dir.File("model/a/both.png"));
}

TEST(TextureFinder, EachFolderIsListedOnceWhateverTheLookups) {
  testsupport::TempDir dir;
  for (int i = 0; i < 3; ++i) fs::create_directories(dir.File("sub" + std::to_string(i)));
  for (int i = 0; i < 200; ++i) testsupport::WriteFile(dir.File(std::to_string(i) + ".png"), {1});
  testsupport::WriteFile(dir.File("sub2/late.png"), {1});
  TTextureFinder finder(dir.File("m.3ds"));
  for (int i = 0; i < 200; ++i)
    EXPECT_EQ(finder.Find(std::to_string(i) + ".PNG"), dir.File(std::to_string(i) + ".png"));
  EXPECT_EQ(finder.FoldersListed(), 1);  // found beside the model: no subfolder opened
  for (int i = 0; i < 50; ++i) {
    EXPECT_EQ(finder.Find("missing" + std::to_string(i) + ".png"), "");
    EXPECT_EQ(finder.Find("late.png"), dir.File("sub2/late.png"));
  }
  EXPECT_EQ(finder.FoldersListed(), 4);
}

}  // namespace
