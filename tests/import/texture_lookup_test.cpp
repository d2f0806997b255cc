#include "import/texture_lookup.h"

#include <gtest/gtest.h>

#include <filesystem>

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

}  // namespace
