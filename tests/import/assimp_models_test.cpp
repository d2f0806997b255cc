// Real model files nobody here wrote (Assimp's test models), read through the guarded
// reader process into the scene, checked against Assimp's own reading of them in this
// process; and the guard's answer to readers that crash, hang or hand back nonsense.
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <assimp/Importer.hpp>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/stream.h"
#include "import/assimp_guard.h"
#include "import/import_assimp.h"
#include "import/import_report.h"
#include "import/texture_decoder.h"
#include "scene/bitmap_registry.h"
#include "scene/dummy.h"
#include "scene/shape.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

std::string Model(const std::string& name) {
  return testsupport::DataDir() + "/models/" + name;
}

struct Window {
  Window() { holder = new TgkDummy(&root); }
  TComponent root;
  TgkDummy* holder;  // owned by root
  TgkBitmapList bitmaps{&root};
  TImportReport report;

  void Load(const std::string& file) {
    TMemoryStream unused;
    ImportAssimp(file, &bitmaps, unused, *holder, &report);
  }
  std::vector<TgkMesh*> Meshes() const {
    std::vector<TgkMesh*> out;
    for (TgkObject* child : holder->Children())
      if (auto* mesh = dynamic_cast<TgkMesh*>(child)) out.push_back(mesh);
    return out;
  }
  long Triangles() const {
    long n = 0;
    for (TgkMesh* m : Meshes()) n += m->Data().TriangleCount();
    return n;
  }
};

// Assimp's own count: triangles after the same post-processing, summed over every mesh
// each node draws.
long AssimpTriangles(const std::string& file) {
  Assimp::Importer importer;
  importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE,
                              aiPrimitiveType_POINT | aiPrimitiveType_LINE);
  const aiScene* scene = importer.ReadFile(
      file, aiProcess_Triangulate | aiProcess_SortByPType | aiProcess_JoinIdenticalVertices);
  if (!scene || !scene->mRootNode) return -1;
  long total = 0;
  std::vector<const aiNode*> todo = {scene->mRootNode};
  while (!todo.empty()) {
    const aiNode* node = todo.back();
    todo.pop_back();
    for (unsigned i = 0; i < node->mNumMeshes; ++i) {
      const aiMesh* mesh = scene->mMeshes[node->mMeshes[i]];
      for (unsigned f = 0; f < mesh->mNumFaces; ++f) total += mesh->mFaces[f].mNumIndices == 3;
    }
    for (unsigned i = 0; i < node->mNumChildren; ++i) todo.push_back(node->mChildren[i]);
  }
  return total;
}

TEST(AssimpModels, TrianglesAndTexturesAsAssimpReadsThem) {
  struct Case {
    const char* file;
    int textures;  // distinct textures found and decoded
  };
  for (const Case& c :
       {Case{"gltf/binary/BoxTextured.glb", 1}, Case{"gltf/embedded/BoxTextured.gltf", 1},
        Case{"gltf/separate/BoxTextured.gltf", 1}, Case{"gltf/engine/2CylinderEngine.glb", 0},
        Case{"obj/spider.obj", 4} /* of the five spider.mtl names, faces use four */,
        Case{"fbx/box.fbx", 0}, Case{"fbx/box_orphant_embedded_texture.fbx", 1},
        Case{"collada/duck.dae", 1}, Case{"stl/Spider_ascii.stl", 0},
        Case{"stl/Spider_binary.stl", 0}, Case{"ply/cube.ply", 0},
        Case{"ply/cube_binary.ply", 0}}) {
    SCOPED_TRACE(c.file);
    Window w;
    w.Load(Model(c.file));
    const long expected = AssimpTriangles(Model(c.file));
    ASSERT_GT(expected, 0);
    EXPECT_EQ(w.Triangles(), expected);
    EXPECT_EQ(w.bitmaps.Bitmaps().Count(), c.textures);
    int textured = 0;
    for (TgkMesh* m : w.Meshes()) {
      if (m->Material().Bitmap().empty()) continue;
      ++textured;
      EXPECT_NE(m->Material().GetBitmap(), nullptr) << m->DisplayName;
      EXPECT_FALSE(w.report.Textures[m].Source.empty());
    }
    EXPECT_EQ(textured > 0, c.textures > 0);
  }
  // The same spider in both STL forms.
  EXPECT_EQ(AssimpTriangles(Model("stl/Spider_ascii.stl")),
            AssimpTriangles(Model("stl/Spider_binary.stl")));
}

TEST(AssimpModels, AGltfBoxStandsUprightWithItsTopFacingUp) {
  Window w;
  w.Load(Model("gltf/binary/BoxTextured.glb"));
  ASSERT_EQ(w.Meshes().size(), 1u);
  const TgkMeshData& data = w.Meshes()[0]->Data();
  int up = 0;
  for (const TgkMeshVertex& v : data.Vertices) {
    if (v.NZ > 0.99f) {
      ++up;
      EXPECT_FLOAT_EQ(v.Z, 0.5f) << "a vertex facing up lies on the top";
    }
    if (v.NZ < -0.99f) {
      EXPECT_FLOAT_EQ(v.Z, -0.5f);
    }
  }
  EXPECT_EQ(up, 4);
}

// A post 4 units tall along the file's y: OBJ files are +Y up and stand it upright (the
// scene's z); STL files are +Z up like the scene and lay it along y.
TEST(AssimpModels, EachFormatStandsOnItsOwnUpAxis) {
  testsupport::TempDir dir;
  std::ofstream(dir.File("post.obj")) << "v 0 0 0\nv 1 0 0\nv 1 4 0\nv 0 4 1\nf 1 2 3\nf 1 3 4\n";
  std::ofstream(dir.File("post.stl"))
      << "solid post\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\n"
         "vertex 1 4 0\nendloop\nendfacet\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\n"
         "vertex 1 4 0\nvertex 0 4 1\nendloop\nendfacet\nendsolid post\n";
  Window obj, stl;
  obj.Load(dir.File("post.obj"));
  stl.Load(dir.File("post.stl"));
  ASSERT_EQ(obj.Meshes().size(), 1u);
  ASSERT_EQ(stl.Meshes().size(), 1u);
  EXPECT_FLOAT_EQ(obj.Meshes()[0]->Depth(), 1);
  EXPECT_FLOAT_EQ(obj.Meshes()[0]->Height(), 0.25f);  // the file's z, turned towards -y
  EXPECT_FLOAT_EQ(stl.Meshes()[0]->Height(), 1);
  EXPECT_FLOAT_EQ(stl.Meshes()[0]->Depth(), 0.25f);
}

// Assimp's BoxTextured.gltf as dir's box.gltf, its image named uri and stored as file.
std::string BoxNamingItsImage(testsupport::TempDir& dir, const std::string& uri,
                              const std::string& file) {
  const std::string separate = Model("gltf/separate/");
  fs::copy_file(separate + "BoxTextured0.bin", dir.File("BoxTextured0.bin"));
  fs::copy_file(separate + "CesiumLogoFlat.png", dir.File(file));
  std::ifstream in(separate + "BoxTextured.gltf");
  std::string gltf((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t at = gltf.find("CesiumLogoFlat.png");
  if (at == std::string::npos) throw std::runtime_error("BoxTextured.gltf names no image");
  gltf.replace(at, std::strlen("CesiumLogoFlat.png"), uri);
  std::ofstream(dir.File("box.gltf")) << gltf;
  return dir.File("box.gltf");
}

// glTF names its images by URI: a space in the file name is written %20.
TEST(AssimpModels, GltfImageUrisAreDecodedToFileNames) {
  testsupport::TempDir dir;
  Window w;
  w.Load(BoxNamingItsImage(dir, "Cesium%20Logo.png", "Cesium Logo.png"));
  ASSERT_EQ(w.Meshes().size(), 1u);
  EXPECT_EQ(w.report.Textures[w.Meshes()[0]].Source, dir.File("Cesium Logo.png"));
}

// Image files are decoded in a guarded process: when it crashes on a texture, the model is
// still read, that mesh shows its base colour, and the note says what happened.
TEST(AssimpModels, ADecoderCrashCostsOnlyTheTexture) {
  testsupport::TempDir dir;
  const std::string model = BoxNamingItsImage(dir, "crash.png", "crash.png");
  const std::string previous = OverrideTextureDecoder(FACETMINT_FAULTY_DECODER);
  Window w;
  try {
    w.Load(model);
  } catch (...) {
    OverrideTextureDecoder(previous);
    throw;
  }
  OverrideTextureDecoder(previous);
  ASSERT_EQ(w.Meshes().size(), 1u);
  EXPECT_EQ(w.bitmaps.Bitmaps().Count(), 0);
  EXPECT_EQ(w.Meshes()[0]->Material().GetBitmap(), nullptr);
  EXPECT_EQ(w.report.Textures[w.Meshes()[0]].Note,
            "the texture crash.png could not be decoded: the decoder crashed (signal 11); the "
            "base colour is shown");
  // With the real decoder the same file shows.
  Window again;
  again.Load(model);
  EXPECT_EQ(again.bitmaps.Bitmaps().Count(), 1);
}

// The read step decodes the textures too (it runs off the window's thread): a texture file
// spoiled after it, before the scene step, still shows; the embedded one as well. A spider
// of four textures decodes each once.
TEST(AssimpModels, TexturesAreDecodedInTheReadStep) {
  testsupport::TempDir dir;
  const std::string separate = Model("gltf/separate/");
  for (const char* file : {"BoxTextured.gltf", "BoxTextured0.bin", "CesiumLogoFlat.png"})
    fs::copy_file(separate + file, dir.File(file));
  for (const std::string& file :
       {dir.File("BoxTextured.gltf"), Model("gltf/binary/BoxTextured.glb")}) {
    SCOPED_TRACE(file);
    const TAssimpRead read = ReadAssimpModel(file);
    ASSERT_EQ(read.Textures.size(), 1u);
    ASSERT_TRUE(read.Textures.begin()->second.Image.has_value());
    EXPECT_GT(read.Textures.begin()->second.Image->width, 0);
    testsupport::WriteFile(dir.File("CesiumLogoFlat.png"),
                           {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'});
    Window w;
    BuildAssimpModel(read, &w.bitmaps, *w.holder, &w.report);
    ASSERT_EQ(w.Meshes().size(), 1u);
    EXPECT_EQ(w.bitmaps.Bitmaps().Count(), 1);
    EXPECT_NE(w.Meshes()[0]->Material().GetBitmap(), nullptr);
    EXPECT_TRUE(w.report.Textures[w.Meshes()[0]].Note.empty())
        << w.report.Textures[w.Meshes()[0]].Note;
  }
  // Read anew, the spoiled file is noted as undecodable, as before.
  Window w;
  w.Load(dir.File("BoxTextured.gltf"));
  EXPECT_EQ(w.bitmaps.Bitmaps().Count(), 0);
  EXPECT_NE(w.report.Textures[w.Meshes()[0]].Note.find("cannot decode"), std::string::npos);
  EXPECT_EQ(ReadAssimpModel(Model("obj/spider.obj")).Textures.size(), 4u);
}

TEST(AssimpModels, VertexColoursReachTheMesh) {
  Window w;
  w.Load(Model("ply/float-color.ply"));
  ASSERT_EQ(w.Meshes().size(), 1u);
  const TgkMesh& mesh = *w.Meshes()[0];
  ASSERT_EQ(mesh.Data().Colors.size(), mesh.Data().Vertices.size());
  // Shown as the file colours them: the material does not tint them.
  EXPECT_EQ(mesh.Material().Diffuse(), 0xFFFFFFFFu);
  for (uint32_t c : mesh.Data().Colors) EXPECT_EQ(c, 0xFF0000FFu);  // the file's 0 0 1 1
}

TEST(AssimpModels, InvalidFilesAreCleanErrorsAndLeaveTheModel) {
  int files = 0;
  for (const auto& entry : fs::directory_iterator(Model("invalid"))) {
    if (entry.path().filename() == "readme.txt") continue;
    ++files;
    SCOPED_TRACE(entry.path().string());
    Window w;
    auto* old = new TgkCube(&w.root);
    old->SetParent(w.holder);
    try {
      w.Load(entry.path().string());
      // A material the file names but lacks is no reason to refuse the model.
      EXPECT_EQ(entry.path().filename(), "malformed2.obj");
      continue;
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(std::string(e.what()).rfind("could not be read (", 0), 0u) << e.what();
      EXPECT_EQ(std::string(e.what()).back(), ')');
    }
    ASSERT_EQ(w.holder->Children().size(), 1u);
    EXPECT_EQ(w.holder->Children()[0], old);
  }
  EXPECT_GE(files, 13);
}

// A stand-in reader: a shell script that misbehaves as told.
std::string FakeReader(const testsupport::TempDir& dir, const std::string& body) {
  const std::string path = dir.File("reader.sh");
  std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
  ::chmod(path.c_str(), 0755);
  return path;
}

std::string Failure(const std::string& reader, TGuardLimits limits = ModelReaderLimits("")) {
  try {
    ReadModelGuarded(Model("ply/cube.ply"), reader, limits);
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "no failure";
}

TEST(AssimpGuard, ReadersThatMisbehaveAreReportedNotSuffered) {
  testsupport::TempDir dir;
  EXPECT_EQ(Failure(FakeReader(dir, "kill -SEGV $$")),
            "could not be read (the reader crashed, SIGSEGV)");
  EXPECT_EQ(Failure(FakeReader(dir, "echo 'Unknown\tfile format\nsecond line' >&2; exit 1")),
            "could not be read (Unknown file format)");
  EXPECT_EQ(Failure(FakeReader(dir, "echo std::bad_alloc >&2; exit 1"))
                .rfind("could not be read (reading needed more than ", 0),
            0u);
  EXPECT_EQ(Failure(FakeReader(dir, "printf 'FMHB0001 and then nonsense'"))
                .rfind("could not be read (the reader handed back damaged data: ", 0),
            0u);
  TGuardLimits quick = ModelReaderLimits("");
  quick.WallMilliseconds = 200;
  EXPECT_EQ(Failure(FakeReader(dir, "exec sleep 20"), quick),
            "could not be read (reading took longer than 0 seconds)");
  TGuardLimits spin = ModelReaderLimits("");
  spin.CpuSeconds = 1;
  EXPECT_EQ(Failure(FakeReader(dir, "while :; do :; done"), spin),
            "could not be read (reading took more than 1 seconds of processor time)");
  TGuardLimits small = ModelReaderLimits("");
  small.MaxOutput = 1000;
  EXPECT_EQ(Failure(FakeReader(dir, "exec head -c 5000 /dev/zero"), small)
                .rfind("could not be read (the model is larger than ", 0),
            0u);
}

TEST(AssimpGuard, LimitsGrowWithTheModelButStayBounded) {
  testsupport::TempDir dir;
  const TGuardLimits none = ModelReaderLimits(dir.File("missing.glb"));
  EXPECT_EQ(none.MemoryBytes, uint64_t{1} << 30);
  EXPECT_EQ(none.CpuSeconds, 30);
  // A glTF's buffers count with it.
  std::ofstream(dir.File("big.gltf")) << "{}";
  {
    std::ofstream bin(dir.File("big.bin"));
    bin.seekp((64 << 20) - 1);
    bin.put(0);
  }
  const TGuardLimits big = ModelReaderLimits(dir.File("big.gltf"));
  EXPECT_GT(big.MemoryBytes, none.MemoryBytes + (1000u << 20));
  EXPECT_GT(big.WallMilliseconds, big.CpuSeconds * 1000);
}

}  // namespace
