#include <gtest/gtest.h>

#include <filesystem>

#include "imaging/image_codec.h"
#include "import/error_3ds.h"
#include "import/file_3ds.h"
#include "import/file_md3.h"
#include "import/import_3ds.h"
#include "import/import_md3.h"
#include "import/import_report.h"
#include "import/mesh_builder_3ds.h"
#include "import/name_text.h"
#include "import/texture_decoder.h"
#include "scene/bitmap_codec.h"
#include "scene/bitmap_registry.h"
#include "scene/dummy.h"
#include "scene/scene.h"
#include "scene/shape.h"
#include "tests/import/model_writer.h"
#include "tests/support/test_support.h"

using namespace modelwriter;
namespace fs = std::filesystem;

namespace {

// The window's arrangement: a root component owning the model holder and the meshes.
struct Window {
  Window() { holder = new TgkDummy(&root); }
  TComponent root;
  TgkDummy* holder;  // owned by root
  TgkBitmapList bitmaps{&root};

  TgkMesh& Mesh(int i) {
    auto* mesh = dynamic_cast<TgkMesh*>(holder->GetChild(i));
    EXPECT_NE(mesh, nullptr);
    return *mesh;
  }
  void Import3DSBytes(const Bytes& bytes, const std::string& file_name = "") {
    TMemoryStream stream(bytes);
    Import3DS(file_name, &bitmaps, stream, *holder);
  }
};

MeshLayout Box(const std::string& name, V3 lo, V3 hi) {
  MeshLayout m = Cube(name);
  for (V3& v : m.vertices) v = {v.x ? hi.x : lo.x, v.y ? hi.y : lo.y, v.z ? hi.z : lo.z};
  m.smoothing = std::vector<uint32_t>(12, 1);
  return m;
}

TEST(Import3DSScene, ReplacesTheChildrenWithNormalisedMeshes) {
  Window w;
  new TgkDummy(&w.root);  // an unrelated object
  auto* old = new TgkCube(&w.root);
  old->SetParent(w.holder);
  w.bitmaps.Bitmaps().AddBitmap().SetName("stale");

  MeshLayout left = Box("Left", {0, 0, 0}, {1, 1, 1});
  left.groups = {{"steel", {0}}};
  Bytes bytes = File3DS({MaterialChunk("STEEL", {1.0f, 0.5f, 0.0f}), MeshChunk(left),
                         MeshChunk(Box("Right", {3, 0, 0}, {4, 1, 1}))});
  w.Import3DSBytes(bytes);

  EXPECT_EQ(w.bitmaps.Bitmaps().Count(), 0);
  ASSERT_EQ(w.holder->ChildrenCount(), 2);
  EXPECT_TRUE(w.holder->Visible());
  TgkMesh& a = w.Mesh(0);
  TgkMesh& b = w.Mesh(1);
  EXPECT_EQ(a.Owner(), &w.root);
  EXPECT_EQ(a.DisplayName, "Left");
  EXPECT_EQ(b.DisplayName, "Right");
  EXPECT_FLOAT_EQ(a.Position().X(), -0.375f);
  EXPECT_FLOAT_EQ(b.Position().X(), 0.375f);
  EXPECT_FLOAT_EQ(a.Width(), 0.25f);
  EXPECT_EQ(a.Align(), gkScale);
  EXPECT_TRUE(a.Locked());
  EXPECT_FALSE(a.HitTest());
  EXPECT_EQ(a.Data().VertexCount(), 8);
  EXPECT_EQ(a.Data().IndexCount(), 36);
  EXPECT_EQ(a.Material().Diffuse(), 0xFFFF7F00u);
  // Without a material the mesh keeps its start colour, which is opaque.
  EXPECT_NE(b.Material().Diffuse(), 0xFFFF7F00u);
  EXPECT_EQ(b.Material().Diffuse() >> 24, 0xFFu);
  // The parent keeps its 1 x 1 x 1.
  EXPECT_FLOAT_EQ(w.holder->Width(), 1);
  EXPECT_FLOAT_EQ(w.holder->Depth(), 1);
}

TEST(Import3DSScene, ParentSizeIsNormalisedAndForeignDataGivesNoMeshes) {
  Window w;
  w.holder->SetWidth(4);
  w.holder->SetHeight(2);
  w.holder->SetDepth(1);
  w.Import3DSBytes(Bytes{'P', 'K', 3, 4, 0, 0, 0, 0});
  EXPECT_EQ(w.holder->ChildrenCount(), 0);
  EXPECT_TRUE(w.holder->Visible());
  EXPECT_FLOAT_EQ(w.holder->Width(), 1);
  EXPECT_FLOAT_EQ(w.holder->Height(), 0.5f);
  EXPECT_FLOAT_EQ(w.holder->Depth(), 0.25f);
}

TEST(Import3DSScene, ErrorsLeaveEarlierMeshesAndAVisibleParent) {
  TgkScene scene;
  Window w;
  scene.AddObject(w.holder);
  // A diffuse colour of one float instead of three: the material is cut short.
  Chunk broken =
      C(0xAFFF, {}, {C(0xA000, Out().str("bad")), C(0xA020, {}, {C(0x0010, Out().f32(1))})});
  MeshLayout first = Box("First", {0, 0, 0}, {1, 1, 1});
  MeshLayout second = Box("Second", {1, 0, 0}, {2, 1, 1});
  second.groups = {{"missing", {0}}};
  Bytes bytes = File3DS({broken, MeshChunk(first), MeshChunk(second)});
  try {
    w.Import3DSBytes(bytes);
    ADD_FAILURE() << "no error";
  } catch (const E3DSError& e) {
    EXPECT_STREQ(e.what(), error3ds::kInvalidChunk);
  }
  EXPECT_EQ(w.holder->ChildrenCount(), 2);  // the second mesh exists; its material failed
  EXPECT_TRUE(w.holder->Visible());
  EXPECT_FALSE(scene.IsUpdating());
  scene.RemoveObject(w.holder);
}

TEST(Import3DSScene, TexturesBesideTheModelWhateverTheCase) {
  const std::string python = testsupport::PythonWithPillow();
  if (python.empty()) GTEST_SKIP() << "no Pillow";
  testsupport::TempDir dir;
  fs::create_directories(dir.File("maps"));
  ASSERT_EQ(testsupport::RunCommand(python +
                                    " -c \"from PIL import Image; "
                                    "Image.new('RGBA', (4, 2), (255, 0, 0, 128)).save('" +
                                    dir.File("wood.png") +
                                    "'); Image.new('RGB', (3, 3), (0, 0, 255)).save('" +
                                    dir.File("maps/Metal.tga") + "')\""),
            0);
  testsupport::WriteFile(dir.File("broken.jpg"), {0xFF, 0xD8, 0xFF, 0x00});
  MeshLayout a = Box("A", {0, 0, 0}, {1, 1, 1});
  a.groups = {{"Wood", {0}}};
  MeshLayout b = Box("B", {1, 0, 0}, {2, 1, 1});
  b.groups = {{"Wood", {0}}};
  MeshLayout c = Box("C", {2, 0, 0}, {3, 1, 1});
  c.groups = {{"Metal", {0}}};
  MeshLayout d = Box("D", {3, 0, 0}, {4, 1, 1});
  d.groups = {{"Gone", {0}}};
  MeshLayout e = Box("E", {4, 0, 0}, {5, 1, 1});
  e.groups = {{"Broken", {0}}};
  Bytes bytes = File3DS({MaterialChunk("Wood", {1, 1, 1}, "WOOD.PNG"),
                         MaterialChunk("Metal", {0.5f, 0.5f, 0.5f}, "MAPS\\METAL.TGA"),
                         MaterialChunk("Gone", {0, 0, 1}, "NOWHERE.PNG"),
                         MaterialChunk("Broken", {0, 1, 0}, "BROKEN.JPG"), MeshChunk(a),
                         MeshChunk(b), MeshChunk(c), MeshChunk(d), MeshChunk(e)});
  testsupport::WriteFile(dir.File("model.3ds"), bytes);
  Window w;
  w.Import3DSBytes(bytes, dir.File("model.3ds"));
  ASSERT_EQ(w.holder->ChildrenCount(), 5);
  // Two meshes with the same texture share one item.
  ASSERT_EQ(w.bitmaps.Bitmaps().Count(), 2);
  TgkBitmapStream* wood = w.bitmaps.Bitmaps().Bitmap(0);
  EXPECT_EQ(wood->Name(), "WOOD.PNG");
  EXPECT_EQ(w.Mesh(1).Material().Bitmap(), "WOOD.PNG");
  ASSERT_EQ(wood->Bitmap().Width(), 4);
  EXPECT_EQ(wood->Bitmap().Bits()[0], 0x80FF0000u);  // straight colour
  EXPECT_EQ(w.Mesh(0).Material().Bitmap(), "WOOD.PNG");
  EXPECT_EQ(w.Mesh(0).Material().Diffuse(), 0xFFFFFFFFu);
  TgkBitmapStream* metal = w.bitmaps.Bitmaps().Bitmap(1);
  EXPECT_EQ(metal->Name(), "MAPS\\METAL.TGA");
  EXPECT_EQ(metal->Bitmap().Width(), 3);
  EXPECT_EQ(w.Mesh(2).Material().Bitmap(), "MAPS\\METAL.TGA");
  // A missing or unreadable texture leaves the diffuse colour alone.
  EXPECT_EQ(w.Mesh(3).Material().Bitmap(), "");
  EXPECT_EQ(w.Mesh(3).Material().Diffuse(), 0xFF0000FFu);
  EXPECT_EQ(w.Mesh(4).Material().Bitmap(), "");
  EXPECT_EQ(w.Mesh(4).Material().Diffuse(), 0xFF00FF00u);
}

// A file of one colour, width x height, in the format of the extension.
void WriteImage(const std::string& path, int32_t width, int32_t height, uint32_t colour,
                TImageFormat format) {
  TRasterImage image = AllocateRaster(width, height, TAlphaForm::Straight);
  std::fill(image.pixels.begin(), image.pixels.end(), colour);
  const std::vector<uint8_t> bytes = EncodeImage(image, format, TEncodeOptions{95});
  testsupport::WriteFile(path, {bytes.begin(), bytes.end()});
}

// Meshes i = 0 .. maps.size()-1, mesh i with a material naming maps[i].
Bytes TexturedBoxes(const std::vector<std::string>& maps) {
  std::vector<Chunk> chunks;
  for (size_t i = 0; i < maps.size(); ++i)
    chunks.push_back(MaterialChunk("M" + std::to_string(i), {1, 1, 1}, maps[i]));
  for (size_t i = 0; i < maps.size(); ++i) {
    const float x = static_cast<float>(i) * 2;
    MeshLayout m = Box("B" + std::to_string(i), {x, 0, 0}, {x + 1, 1, 1});
    m.groups = {{"M" + std::to_string(i), {0}}};
    chunks.push_back(MeshChunk(m));
  }
  return File3DS(std::move(chunks));
}

TEST(Import3DSTextures, OneBitmapPerFileSharedByEveryMaterialNamingIt) {
  testsupport::TempDir dir;
  fs::create_directories(dir.File("textures"));
  WriteImage(dir.File("textures/color.png"), 8, 4, 0xFF00FF00u, TImageFormat::Png);
  // Two files whose names differ only in case must not be taken for each other.
  WriteImage(dir.File("a.png"), 2, 2, 0xFFFF0000u, TImageFormat::Png);
  WriteImage(dir.File("A.png"), 2, 2, 0xFF0000FFu, TImageFormat::Png);
  Window w;
  w.Import3DSBytes(TexturedBoxes({"color.png", "COLOR.PNG", "textures\\color.png",
                                  "C:\\maps\\Color.png", "a.png", "A.png"}),
                   dir.File("model.3ds"));
  ASSERT_EQ(w.holder->ChildrenCount(), 6);
  ASSERT_EQ(w.bitmaps.Bitmaps().Count(), 3);
  TgkBitmap* shared = w.Mesh(0).Material().GetBitmap();
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(shared->Width(), 8);
  EXPECT_EQ(shared->Bits()[0], 0xFF00FF00u);
  for (int i = 1; i < 4; ++i) EXPECT_EQ(w.Mesh(i).Material().GetBitmap(), shared) << i;
  TgkBitmap* lower = w.Mesh(4).Material().GetBitmap();
  TgkBitmap* upper = w.Mesh(5).Material().GetBitmap();
  ASSERT_NE(lower, nullptr);
  ASSERT_NE(upper, nullptr);
  EXPECT_EQ(lower->Bits()[0], 0xFFFF0000u);
  EXPECT_EQ(upper->Bits()[0], 0xFF0000FFu);
}

// Texture files are decoded in a guarded process: when it crashes on one of them, the
// model is read all the same, that mesh keeps its colour, and the next texture decodes.
TEST(Import3DSTextures, ADecoderCrashCostsOnlyThatTexture) {
  testsupport::TempDir dir;
  WriteImage(dir.File("crash.png"), 2, 2, 0xFFFF0000u, TImageFormat::Png);
  WriteImage(dir.File("fine.png"), 2, 2, 0xFF0000FFu, TImageFormat::Png);
  const std::string previous = OverrideTextureDecoder(FACETMINT_FAULTY_DECODER);
  Window w;
  try {
    w.Import3DSBytes(TexturedBoxes({"crash.png", "fine.png"}), dir.File("m.3ds"));
  } catch (...) {
    OverrideTextureDecoder(previous);
    throw;
  }
  OverrideTextureDecoder(previous);
  ASSERT_EQ(w.holder->ChildrenCount(), 2);
  EXPECT_EQ(w.Mesh(0).Material().Bitmap(), "");
  EXPECT_EQ(w.Mesh(0).Material().Diffuse(), 0xFFFFFFFFu);
  // The faulty decoder's answer to the next request, from a process of its own.
  ASSERT_EQ(w.bitmaps.Bitmaps().Count(), 1);
  const TgkBitmap* fine = w.Mesh(1).Material().GetBitmap();
  ASSERT_NE(fine, nullptr);
  EXPECT_EQ(fine->Width(), 2);
  EXPECT_EQ(fine->Bits()[1], 1u);
}

TEST(Import3DSTextures, OversizedTexturesArriveReducedWithTheirAspect) {
  testsupport::TempDir dir;
  WriteImage(dir.File("wide.png"), 5000, 300, 0x80FF0000u, TImageFormat::Png);
  WriteImage(dir.File("tall.jpg"), 200, 6000, 0xFF3366CCu, TImageFormat::Jpeg);
  WriteImage(dir.File("small.png"), 4096, 20, 0xFF112233u, TImageFormat::Png);
  Window w;
  w.Import3DSBytes(TexturedBoxes({"wide.png", "tall.jpg", "small.png"}), dir.File("m.3ds"));
  ASSERT_EQ(w.bitmaps.Bitmaps().Count(), 3);
  const TgkBitmap& wide = w.bitmaps.Bitmaps().Bitmap(0)->Bitmap();
  EXPECT_EQ(wide.Width(), 4096);
  EXPECT_EQ(wide.Height(), 246);  // 300 * 4096 / 5000 = 245.76
  // A uniform half-transparent colour stays itself through the averaging, straight.
  for (size_t i : {size_t{0}, wide.PixelCount() / 2, wide.PixelCount() - 1})
    EXPECT_EQ(wide.Bits()[i], 0x80FF0000u) << i;
  const TgkBitmap& tall = w.bitmaps.Bitmaps().Bitmap(1)->Bitmap();
  EXPECT_EQ(tall.Width(), 137);  // 200 * 4096 / 6000 = 136.53
  EXPECT_EQ(tall.Height(), 4096);
  const uint32_t mid = tall.Bits()[tall.PixelCount() / 2];
  EXPECT_NEAR(static_cast<int>((mid >> 16) & 0xFF), 0x33, 3);
  EXPECT_NEAR(static_cast<int>(mid & 0xFF), 0xCC, 3);
  // At the limit nothing changes.
  EXPECT_EQ(w.bitmaps.Bitmaps().Bitmap(2)->Bitmap().Width(), 4096);
  EXPECT_EQ(w.bitmaps.Bitmaps().Bitmap(2)->Bitmap().Height(), 20);
  EXPECT_EQ(MaxTextureSide(), 4096);
}

TEST(Import3DSScene, ManyMeshesGetTheSizesAndPlacesTheBuilderComputed) {
  // Thousands of meshes under a parent that is not 1 x 1 x 1: every mesh must keep the
  // builder's geometry and follow the parent's final normalisation exactly once.
  std::vector<Chunk> chunks;
  for (int i = 0; i < 3000; ++i) {
    const float x = static_cast<float>(i % 60), y = static_cast<float>(i / 60);
    chunks.push_back(MeshChunk(Box("P" + std::to_string(i), {x, y, 0}, {x + 0.5f, y + 0.25f, 1})));
  }
  const Bytes bytes = File3DS(std::move(chunks));
  std::vector<TBuiltMesh> built;
  {
    TMemoryStream stream(bytes);
    TFile3DS file;
    file.LoadFromStream(stream);
    Build3DSMeshes(file, [&](TBuiltMesh&& m) { built.push_back(std::move(m)); });
  }
  TgkDummy parent;
  parent.SetWidth(4);
  parent.SetHeight(2);
  parent.SetDepth(1);
  TMemoryStream stream(bytes);
  Import3DS("", nullptr, stream, parent);
  // The parent's largest side became 1: its children were scaled by 1/4 on each axis.
  EXPECT_FLOAT_EQ(parent.Width(), 1);
  EXPECT_FLOAT_EQ(parent.Height(), 0.5f);
  ASSERT_EQ(parent.ChildrenCount(), static_cast<int>(built.size()));
  for (int i = 0; i < parent.ChildrenCount(); ++i) {
    auto& mesh = dynamic_cast<TgkMesh&>(*parent.GetChild(i));
    const TBuiltMesh& b = built[static_cast<size_t>(i)];
    SCOPED_TRACE(i);
    EXPECT_EQ(mesh.DisplayName, b.DisplayName);
    EXPECT_FLOAT_EQ(mesh.Width(), b.Width / 4);
    EXPECT_FLOAT_EQ(mesh.Height(), b.Height / 4);
    EXPECT_FLOAT_EQ(mesh.Depth(), b.Depth / 4);
    EXPECT_FLOAT_EQ(mesh.Position().X(), b.X / 4);
    EXPECT_FLOAT_EQ(mesh.Position().Y(), b.Y / 4);
    EXPECT_FLOAT_EQ(mesh.Position().Z(), b.Z / 4);
    EXPECT_EQ(mesh.Align(), gkScale);
    ASSERT_EQ(mesh.Data().Vertices.size(), b.Vertices.size());
    EXPECT_EQ(mesh.Data().Vertices[0].X, b.Vertices[0].X);
  }
}

TEST(Import3DSScene, RealModelsLoadWithTheirTextures) {
  const std::string dir = testsupport::DataDir();
  struct Case {
    const char* file;
    int meshes;
    int textures;
  };
  // Meshes and texture files as the independent inspector lists them; test1.3ds names
  // IMAGE1, CWALL02 and IMAGE2 for its nine boxes, the cube names TEST.PNG for test.png.
  for (Case c : {Case{"test1.3ds", 9, 3}, Case{"cube_with_diffuse_texture.3DS", 1, 1},
                 Case{"fels.3ds", 1, 0}, Case{"empty.3ds", 0, 0}}) {
    SCOPED_TRACE(c.file);
    const std::string path = dir + "/models/3ds/" + c.file;
    TMemoryStream stream;
    stream.LoadFromFile(path);
    Window w;
    Import3DS(path, &w.bitmaps, stream, *w.holder);
    ASSERT_EQ(w.holder->ChildrenCount(), c.meshes);
    EXPECT_EQ(w.bitmaps.Bitmaps().Count(), c.textures);
    for (int i = 0; i < w.bitmaps.Bitmaps().Count(); ++i) {
      EXPECT_GT(w.bitmaps.Bitmaps().Bitmap(i)->Bitmap().Width(), 0);
    }
    int triangles = 0;
    float largest = 0;
    for (int i = 0; i < c.meshes; ++i) {
      TgkMesh& m = w.Mesh(i);
      triangles += m.Data().TriangleCount();
      largest = std::max({largest, m.Width(), m.Height(), m.Depth()});
      if (c.textures) {
        EXPECT_FALSE(m.Material().Bitmap().empty());
      }
    }
    if (c.meshes) {
      EXPECT_GT(largest, 0.1f);
      EXPECT_LE(largest, 1.0001f);
    }
    const std::string name = c.file;
    if (name == "fels.3ds") {
      EXPECT_EQ(triangles, 768);
    } else if (name == "test1.3ds") {
      EXPECT_EQ(triangles, 9 * 12);
    }
  }
}

TEST(ImportMD3Scene, WatercanAndBadFiles) {
  Window w;
  w.bitmaps.Bitmaps().AddBitmap().SetName("stale");
  {
    TMemoryStream stream;
    stream.LoadFromFile(testsupport::DataDir() + "/models/md3/watercan.md3");
    ImportMD3("", &w.bitmaps, stream, *w.holder);
    EXPECT_EQ(w.bitmaps.Bitmaps().Count(), 0);
    ASSERT_EQ(w.holder->ChildrenCount(), 1);
    TgkMesh& can = w.Mesh(0);
    EXPECT_EQ(can.DisplayName, "watercan");
    EXPECT_EQ(can.Data().VertexCount(), 92);
    EXPECT_EQ(can.Data().TriangleCount(), 78);
    EXPECT_FLOAT_EQ(std::max({w.holder->Width(), w.holder->Height(), w.holder->Depth()}), 1);
    EXPECT_EQ(can.Align(), gkScale);
  }

  MD3Layout layout;
  layout.version = 14;
  TMemoryStream bad(FileMD3(layout));
  EXPECT_THROW(ImportMD3("", &w.bitmaps, bad, *w.holder), EAssertionFailed);
  EXPECT_EQ(w.holder->ChildrenCount(), 0);
  EXPECT_TRUE(w.holder->Visible());

  // No surfaces: an error saying so, no meshes, a visible parent.
  TMemoryStream empty(FileMD3(MD3Layout{}));
  try {
    ImportMD3("", &w.bitmaps, empty, *w.holder);
    ADD_FAILURE() << "no error";
  } catch (const EAssertionFailed& e) {
    EXPECT_STREQ(e.what(), "The MD3 file has no surfaces");
  }
  EXPECT_EQ(w.holder->ChildrenCount(), 0);
  EXPECT_TRUE(w.holder->Visible());
}

// The water can's shader names models/mapobjects/kt_utilities/water_can.tga; the file lies
// beside the model. A skin file beside it overrides the shader's name.
TEST(ImportMD3Scene, SurfacesFindTheirTexturesByShaderOrSkin) {
  const std::string can = testsupport::DataDir() + "/models/md3/watercan.md3";
  auto load = [](const std::string& file, Window& w) {
    TMemoryStream stream;
    stream.LoadFromFile(file);
    TImportReport report;
    ImportMD3(file, &w.bitmaps, stream, *w.holder, &report);
    return report.Textures[&w.Mesh(0)].Source;
  };
  {
    Window w;
    EXPECT_EQ(fs::path(load(can, w)).filename(), "water_can.tga");
    ASSERT_EQ(w.bitmaps.Bitmaps().Count(), 1);
    TgkBitmap* texture = w.Mesh(0).Material().GetBitmap();
    ASSERT_NE(texture, nullptr);
    EXPECT_GT(texture->Width(), 0);
    EXPECT_EQ(w.Mesh(0).Material().Diffuse(), 0xFFFFFFFFu);  // shown as painted
  }
  testsupport::TempDir dir;
  fs::copy_file(can, dir.File("watercan.md3"));
  {
    Window w;
    EXPECT_EQ(load(dir.File("watercan.md3"), w), "");  // no texture anywhere: start colour
    EXPECT_EQ(w.bitmaps.Bitmaps().Count(), 0);
    EXPECT_NE(w.Mesh(0).Material().Diffuse(), 0xFFFFFFFFu);
  }
  fs::create_directory(dir.File("skins"));
  fs::copy_file(fs::path(can).parent_path() / "water_can.tga", dir.File("skins/Painted.TGA"));
  testsupport::WriteFile(dir.File("watercan_default.skin"), [] {
    const std::string text = "tag_handle,\r\nWaterCan,models/kt/painted.jpg\r\n";
    return std::vector<unsigned char>(text.begin(), text.end());
  }());
  {
    Window w;
    // Any case, in a subfolder, with the game's fall-back from .jpg to .tga.
    EXPECT_EQ(load(dir.File("watercan.md3"), w), dir.File("skins/Painted.TGA"));
  }
}

TEST(Import3DSScene, TransparentMaterialsAreDrawnSeeThroughOpaqueOnesAsBefore) {
  const std::string path = testsupport::DataDir() + "/models/3ds/cubes_with_alpha.3DS";
  TMemoryStream stream;
  stream.LoadFromFile(path);
  TFile3DS file;
  file.LoadFromStream(stream);
  stream.Seek(0);
  Window w;
  Import3DS(path, &w.bitmaps, stream, *w.holder);
  int transparent = 0;
  for (int i = 0; i < w.holder->ChildrenCount(); ++i) {
    TgkMesh& mesh = w.Mesh(i);
    const TMesh3DS* record = nullptr;
    for (int k = 0; k < file.ObjectList().MeshCount(); ++k)
      if (ModelNameToUtf8(file.ObjectList().Mesh(k).Name) == mesh.DisplayName)
        record = &file.ObjectList().Mesh(k);
    ASSERT_NE(record, nullptr);
    const TMaterial3DS* material =
        file.MaterialList().FindByName(record->MaterialGroups.at(0).Name);
    ASSERT_NE(material, nullptr);
    const uint32_t alpha = mesh.Material().Diffuse() >> 24;
    if (material->Transparency > 0) {
      ++transparent;
      EXPECT_EQ(alpha, static_cast<uint32_t>((1 - material->Transparency) * 255));
    } else {
      EXPECT_EQ(alpha, 0xFFu);
      EXPECT_EQ(mesh.Material().Diffuse(), MaterialColorToArgb(material->Diffuse));
    }
    EXPECT_EQ(mesh.TwoSide(), material->TwoSided);
  }
  EXPECT_GE(transparent, 1);
}

}  // namespace
