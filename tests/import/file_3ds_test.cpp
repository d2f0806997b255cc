#include "import/file_3ds.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/import/model_writer.h"

using namespace modelwriter;
using ::testing::HasSubstr;

namespace {

struct Loaded {
  explicit Loaded(Bytes bytes) : stream(std::move(bytes)) { file.LoadFromStream(stream); }
  TMemoryStream stream;
  TFile3DS file;
};

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const E3DSError& e) {
    return e.what();
  }
  return "";
}

TEST(File3DS, HeaderOnlyAndForeignDataHaveNoMeshes) {
  Loaded header_only(C(0x4D4D).Serialize());
  EXPECT_EQ(header_only.file.ObjectList().MeshCount(), 0);
  EXPECT_EQ(header_only.file.MaterialList().Count(), 0);
  EXPECT_EQ(header_only.file.FileName(), "");

  Loaded foreign(Bytes{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0});
  EXPECT_EQ(foreign.file.ObjectList().MeshCount(), 0);
  EXPECT_EQ(foreign.file.MaterialList().Count(), 0);
  EXPECT_EQ(foreign.file.Chunks().Count(), 1);
  EXPECT_EQ(ErrorOf([&] { foreign.file.ObjectList().Mesh(0); }), error3ds::kWrongDatabase);

  // Shorter than one chunk header (the zero-byte file users meet): not 3DS, not an error.
  for (size_t n = 0; n < 6; ++n) {
    Loaded tiny(Bytes(n, 0x4D));
    EXPECT_EQ(tiny.file.ObjectList().MeshCount(), 0) << n;
    EXPECT_EQ(ErrorOf([&] { tiny.file.ObjectList().Mesh(0); }), error3ds::kNotLoaded);
  }
  TFile3DS never_loaded;
  EXPECT_EQ(ErrorOf([&] { never_loaded.MaterialList().Material(0); }), error3ds::kNotLoaded);
}

TEST(File3DS, MeshRecordCarriesTheFileData) {
  MeshLayout m = Cube("Box01");
  m.smoothing = std::vector<uint32_t>(12, 1);
  m.texcoords = {{0.25f, 0.75f}, {1, 0}};
  m.groups = {{"Red", {0, 1, 2}}, {"Blue", {3}}};
  m.hidden = true;
  Chunk obj = MeshChunk(m);
  Out matrix;
  for (int i = 0; i < 12; ++i) matrix.f32(static_cast<float>(i));
  obj.children[1].children.push_back(C(0x4160, matrix));
  obj.children[1].children.push_back(C(0x4165, Out().u8(9)));
  obj.children.push_back(C(0x4016));
  Chunk light = C(0x4000, Out().str("Light01"), {C(0x4600, Out().f32(1).f32(2).f32(3))});
  Loaded f(File3DS({light, obj}));

  ASSERT_EQ(f.file.ObjectList().MeshCount(), 1);  // the light is not a mesh
  const TMesh3DS& mesh = f.file.ObjectList().Mesh(0);
  EXPECT_EQ(mesh.Name, "Box01");
  EXPECT_TRUE(mesh.Hidden);
  EXPECT_TRUE(mesh.IsFrozen);
  EXPECT_FALSE(mesh.IsMatte);
  ASSERT_EQ(mesh.VertexCount(), 8);
  EXPECT_FLOAT_EQ(mesh.Vertices[6].X, 1);
  EXPECT_FLOAT_EQ(mesh.Vertices[6].Z, 1);
  ASSERT_EQ(mesh.FaceCount(), 12);
  EXPECT_EQ(mesh.Faces[0].V2, 2);
  EXPECT_EQ(mesh.Faces[0].Flags, 7);
  EXPECT_EQ(mesh.SmoothingGroups, std::vector<uint32_t>(12, 1));
  ASSERT_EQ(mesh.TexCoordCount(), 2);
  EXPECT_FLOAT_EQ(mesh.TexCoords[0].V, 0.75f);
  ASSERT_EQ(mesh.MaterialGroupCount(), 2);
  EXPECT_EQ(mesh.MaterialGroups[0].Name, "Red");
  EXPECT_EQ(mesh.MaterialGroups[0].FaceIndices, (std::vector<uint16_t>{0, 1, 2}));
  EXPECT_EQ(mesh.MaterialGroups[1].Name, "Blue");
  EXPECT_FLOAT_EQ(mesh.LocalMatrix[11], 11);
  EXPECT_EQ(mesh.MeshColor, 9);
  // Records are built once and handed out again.
  EXPECT_EQ(&f.file.ObjectList().Mesh(0), &mesh);
  EXPECT_THAT(ErrorOf([&] { f.file.ObjectList().Mesh(1); }), HasSubstr("Invalid index 1."));
}

TEST(File3DS, SmoothingEntriesComeFromTheChunkLength) {
  MeshLayout m = Cube();
  m.smoothing = std::vector<uint32_t>{1, 2, 4};  // three entries for twelve faces
  Loaded f(File3DS({MeshChunk(m)}));
  EXPECT_EQ(f.file.ObjectList().Mesh(0).SmoothingGroups, (std::vector<uint32_t>{1, 2, 4}));
}

TEST(File3DS, MeshBelowAnotherChunkIsNotTheRightKindOfObject) {
  Chunk wrapped = C(0x4000, Out().str("Odd"), {C(0x1234, {}, {})});
  // 0x4100 inside a container child instead of directly below the named object.
  wrapped.children[0] = C(0x3D3D, {}, {C(0x4100, {}, {C(0x4110, Out().u16(0))})});
  Loaded f(File3DS({wrapped}));
  ASSERT_EQ(f.file.ObjectList().MeshCount(), 1);
  EXPECT_EQ(ErrorOf([&] { f.file.ObjectList().Mesh(0); }), error3ds::kWrongObject);
}

TEST(File3DS, MaterialColoursPercentagesAndMaps) {
  Chunk mat = C(
      0xAFFF, {},
      {C(0xA000, Out().str("red")), C(0xA010, {}, {C(0x0010, Out().f32(0.1f).f32(0.2f).f32(0.3f))}),
       C(0xA020, {},
         {C(0x0011, Out().u8(200).u8(100).u8(50)), C(0x0012, Out().u8(10).u8(20).u8(30))}),
       C(0xA030, {}, {C(0x0010, Out().f32(1).f32(1).f32(1)), C(0x0011, Out().u8(0).u8(0).u8(255))}),
       C(0xA040, {}, {C(0x0031, Out().f32(0.5f)), C(0x0030, Out().s16(25))}), C(0xA081),
       C(0xA087, Out().f32(2)),
       C(0xA230, {},
         {C(0x0030, Out().s16(40)), C(0xA300, Out().str("BUMP.TGA")), C(0xA252, Out().s16(75))}),
       C(0xA200, {},
         {C(0x0030, Out().s16(100)), C(0xA300, Out().str("WOOD.JPG")), C(0xA354, Out().f32(2)),
          C(0xA364, Out().u8(255).u8(0).u8(51))}),
       C(0x8003, Out().u32(1))});
  Loaded f(File3DS({mat}));
  ASSERT_EQ(f.file.MaterialList().Count(), 1);
  const TMaterial3DS& m = f.file.MaterialList().Material(0);
  EXPECT_EQ(m.Name, "red");
  EXPECT_FLOAT_EQ(m.Ambient.G, 0.2f);
  // 0x0012 wins over 0x0011.
  EXPECT_EQ(m.Diffuse.R, static_cast<float>(10 / 255.0));
  EXPECT_EQ(m.Diffuse.B, static_cast<float>(30 / 255.0));
  // 0x0010 wins over 0x0011.
  EXPECT_FLOAT_EQ(m.Specular.B, 1);
  EXPECT_FLOAT_EQ(m.Specular.R, 1);
  EXPECT_FLOAT_EQ(m.Shininess, 0.25f);  // the whole-percent form is looked for first
  EXPECT_TRUE(m.TwoSided);
  EXPECT_FLOAT_EQ(m.WireSize, 2);
  EXPECT_EQ(m.Shading, 3);
  EXPECT_EQ(m.Bump.Map.Name, "BUMP.TGA");
  EXPECT_FLOAT_EQ(m.Bump.Map.Percent, 0.75f);
  EXPECT_EQ(m.Texture.Map.Name, "WOOD.JPG");
  EXPECT_FLOAT_EQ(m.Texture.Map.Percent, 1);
  EXPECT_FLOAT_EQ(m.Texture.Map.UScale, 2);
  EXPECT_FLOAT_EQ(m.Texture.Map.VScale, 1);
  EXPECT_FLOAT_EQ(m.Texture.Map.RedTint.B, static_cast<float>(51 / 255.0));
  EXPECT_FLOAT_EQ(m.Texture.Map.GreenTint.G, 1);
  EXPECT_EQ(m.Reflect.AutoMap.Size, 100);
}

TEST(File3DS, FindByNameIgnoresCaseAndStopsAtTheFirstMatch) {
  // A diffuse colour of one float instead of three: the material is cut short.
  Chunk broken =
      C(0xAFFF, {}, {C(0xA000, Out().str("broken")), C(0xA020, {}, {C(0x0010, Out().f32(1))})});
  Loaded f(File3DS({MaterialChunk("red", {1, 0, 0}), MaterialChunk("RED", {0, 1, 0}), broken,
                    C(0xAFFF, {}, {C(0xA020, {}, {C(0x0011, Out().u8(1).u8(2).u8(3))})})}));
  ASSERT_EQ(f.file.MaterialList().Count(), 4);
  const TMaterial3DS* red = f.file.MaterialList().FindByName("Red");
  ASSERT_NE(red, nullptr);
  EXPECT_FLOAT_EQ(red->Diffuse.R, 1);
  // Later lookups of either spelling, or after reading the second one directly, still
  // give the first in file order.
  EXPECT_EQ(f.file.MaterialList().FindByName("RED"), red);
  EXPECT_FLOAT_EQ(f.file.MaterialList().Material(1).Diffuse.G, 1);
  EXPECT_EQ(f.file.MaterialList().FindByName("rEd"), red);
  EXPECT_EQ(ErrorOf([&] { f.file.MaterialList().FindByName("nothing"); }), error3ds::kInvalidChunk);
  EXPECT_EQ(ErrorOf([&] { f.file.MaterialList().Material(2); }), error3ds::kInvalidChunk);
  // A material without a name chunk is called "".
  EXPECT_EQ(f.file.MaterialList().Material(3).Name, "");
  EXPECT_EQ(ErrorOf([&] { f.file.MaterialList().Material(4); }), "Invalid index 4.");
}

TEST(File3DS, MaterialLibraryRootHoldsMaterialsButNoMeshes) {
  Bytes lib = C(0x3DAA, {}, {MaterialChunk("Steel", {0.5f, 0.5f, 0.5f})}).Serialize();
  Loaded f(lib);
  EXPECT_EQ(f.file.MaterialList().Count(), 1);
  EXPECT_EQ(f.file.MaterialList().Material(0).Name, "Steel");
  EXPECT_EQ(f.file.ObjectList().MeshCount(), 0);
  EXPECT_EQ(ErrorOf([&] { f.file.ObjectList().Mesh(0); }), error3ds::kWrongDatabase);
}

TEST(File3DS, BadChunkLengthsStopWithoutReadingOutside) {
  MeshLayout m = Cube("Good");
  // A zero-length chunk after the mesh: the rest of 0x3D3D is skipped, nothing loops.
  Chunk zero = C(0x1234);
  zero.length = 0;
  Chunk after = MeshChunk(Cube("Lost"));
  Loaded f(File3DS({MeshChunk(m), zero, after}));
  ASSERT_EQ(f.file.ObjectList().MeshCount(), 1);
  EXPECT_EQ(f.file.ObjectList().Mesh(0).Name, "Good");

  // A vertex list whose count runs past its chunk is an error when the mesh is read.
  Chunk forged = MeshChunk(Cube("Forged"));
  Out verts;
  verts.u16(60000).f32(1).f32(2).f32(3);
  forged.children[0].children[0].data = verts;
  Loaded g(File3DS({forged}));
  ASSERT_EQ(g.file.ObjectList().MeshCount(), 1);
  EXPECT_EQ(ErrorOf([&] { g.file.ObjectList().Mesh(0); }), error3ds::kInvalidChunk);

  // A chunk claiming more than its parent holds is cut at the parent's end, and the mesh
  // in it is an error rather than a mesh cut short.
  Chunk big = MeshChunk(Cube("Big"));
  big.length = 1u << 30;
  Bytes bytes = File3DS({big});
  Loaded h(bytes);
  ASSERT_EQ(h.file.ObjectList().MeshCount(), 1);
  EXPECT_EQ(ErrorOf([&] { h.file.ObjectList().Mesh(0); }), error3ds::kInvalidChunk);
  const TChunkTree3DS& tree = h.file.Chunks();
  for (int i = 0; i < tree.Count(); ++i) {
    EXPECT_LE(tree.Node(i).End, static_cast<int64_t>(bytes.size()));
  }
}

TEST(File3DS, TruncatedFileIsAnError) {
  Bytes full = File3DS({MeshChunk(Cube("First")), MeshChunk(Cube("Second"))});
  // Cut inside the second mesh's face list, between the meshes, inside the first mesh,
  // before any mesh, and by one byte: the file is shorter than its root chunk says, so
  // it is no whole model, even where the meshes that are left look whole.
  const size_t second = full.size() - MeshChunk(Cube("Second")).Serialize().size();
  for (size_t length : {full.size() - 20, second, second - 30, size_t{20}, full.size() - 1}) {
    SCOPED_TRACE(length);
    Loaded f(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length)));
    EXPECT_EQ(ErrorOf([&] { f.file.ObjectList().MeshCount(); }), error3ds::kInvalidChunk);
    EXPECT_EQ(ErrorOf([&] { f.file.ObjectList().Mesh(0); }), error3ds::kInvalidChunk);
    EXPECT_EQ(ErrorOf([&] { f.file.MaterialList().FindByName("x"); }), error3ds::kInvalidChunk);
  }
  Loaded whole(full);
  EXPECT_EQ(whole.file.ObjectList().Mesh(1).FaceCount(), 12);
  // Cut in the keyframer section after the meshes: still a truncated file.
  Bytes with_kf =
      C(0x4D4D, {},
        {C(0x3D3D, {}, {MeshChunk(Cube("Only"))}), C(0xB000, {}, {C(0xB00A, Bytes(40, 1))})})
          .Serialize();
  Loaded kf_cut(Bytes(with_kf.begin(), with_kf.end() - 10));
  EXPECT_EQ(ErrorOf([&] { kf_cut.file.ObjectList().MeshCount(); }), error3ds::kInvalidChunk);
  // Bytes after the root chunk's end are not part of the model.
  Bytes trailing = full;
  trailing.resize(full.size() + 7, 0xEE);
  Loaded padded(trailing);
  EXPECT_EQ(padded.file.ObjectList().Mesh(1).FaceCount(), 12);
}

// Unknown chunks (0xA086 is what 3D Studio writes for its supersampling settings) are
// skipped wherever they are, and the rest of the model reads as without them.
TEST(File3DS, UnknownChunksAreSkippedAtEveryLevel) {
  const Chunk unknown = C(0x7A7A, Out().u32(0xDEADBEEF).u16(0));
  MeshLayout layout = Cube("Crate");
  layout.groups = {{"Wood", {0, 1}}};
  layout.smoothing = std::vector<uint32_t>(12, 1);
  Chunk obj = MeshChunk(layout);
  obj.children.insert(obj.children.begin(), unknown);  // in the named object
  Chunk& trimesh = obj.children.back();
  trimesh.children.insert(trimesh.children.begin(), unknown);  // in the triangle mesh
  trimesh.children[2].children.insert(trimesh.children[2].children.begin(),
                                      unknown);  // in the face list, before the groups
  Chunk wood = MaterialChunk("Wood", {1.0f, 0.5f, 0.0f}, "WOOD.JPG");
  wood.children.insert(wood.children.begin() + 1, C(0xA086, Out().u16(1)));
  wood.children.push_back(C(0xA086, Out().u16(3)));
  wood.children.push_back(C(0xA0FF, {}));        // an unknown id without data
  wood.children[2].children.push_back(unknown);  // in the diffuse colour
  wood.children[3].children.insert(wood.children[3].children.begin(), unknown);  // in the map
  Bytes bytes =
      C(0x4D4D, {},
        {unknown, C(0x0002, Out().u32(3)),
         C(0x3D3D, {}, {unknown, MaterialChunk("Stone", {0, 0, 1}), wood, obj, unknown}), unknown})
          .Serialize();
  Loaded f(bytes);
  ASSERT_EQ(f.file.ObjectList().MeshCount(), 1);
  const TMesh3DS& mesh = f.file.ObjectList().Mesh(0);
  EXPECT_EQ(mesh.Name, "Crate");
  EXPECT_EQ(mesh.VertexCount(), 8);
  EXPECT_EQ(mesh.FaceCount(), 12);
  EXPECT_EQ(mesh.SmoothingGroups.size(), 12u);
  ASSERT_EQ(mesh.MaterialGroupCount(), 1);
  const TMaterial3DS* m = f.file.MaterialList().FindByName(mesh.MaterialGroups[0].Name);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->Name, "Wood");
  EXPECT_FLOAT_EQ(m->Diffuse.R, 1);
  EXPECT_FLOAT_EQ(m->Diffuse.G, 0.5f);
  EXPECT_EQ(m->Texture.Map.Name, "WOOD.JPG");
  EXPECT_FLOAT_EQ(m->Texture.Map.Percent, 1);
  EXPECT_EQ(f.file.MaterialList().Count(), 2);
}

// Structural damage inside a material or a mesh is still an error, even in a chunk the
// reader does not know; a sound neighbour still reads.
TEST(File3DS, ChunkOverrunningItsParentIsAnError) {
  Chunk over = C(0xA086, Out().u16(1));
  over.length = 40;  // the material ends after 6 + 2 bytes of it
  Chunk bad = MaterialChunk("Bad", {0, 1, 0});
  bad.children.push_back(over);
  MeshLayout sound = Cube("Sound");
  sound.groups = {{"Good", {0}}};
  Chunk broken = MeshChunk(Cube("Broken"));
  Chunk& faces = broken.children[0].children[1];  // the last chunk of the triangle mesh
  faces.length = static_cast<uint32_t>(faces.data.size() + 6 + 1);  // one byte past it
  Loaded f(File3DS({MaterialChunk("Good", {1, 0, 0}), bad, MeshChunk(sound), broken}));
  ASSERT_EQ(f.file.MaterialList().Count(), 2);
  EXPECT_EQ(ErrorOf([&] { f.file.MaterialList().Material(1); }), error3ds::kInvalidChunk);
  ASSERT_NE(f.file.MaterialList().FindByName("good"), nullptr);
  EXPECT_EQ(ErrorOf([&] { f.file.MaterialList().FindByName("bad"); }), error3ds::kInvalidChunk);
  ASSERT_EQ(f.file.ObjectList().MeshCount(), 2);
  EXPECT_EQ(f.file.ObjectList().Mesh(0).FaceCount(), 12);
  EXPECT_EQ(ErrorOf([&] { f.file.ObjectList().Mesh(1); }), error3ds::kInvalidChunk);
}

TEST(File3DS, MessagesBreakLinesWithALineFeed) {
  for (const std::string text :
       {error3ds::kNoMemory, error3ds::kNotLoaded, error3ds::kWrongDatabase, error3ds::kWrongObject,
        error3ds::kInvalidChunk}) {
    EXPECT_EQ(text.find('\r'), std::string::npos) << text;
  }
  EXPECT_EQ(std::string(error3ds::kInvalidChunk),
            "An invalid Chunk structure was encountered while reading\nthe database. Usually "
            "caused by a corrupt database or file.");
  // As thrown.
  Loaded foreign(Bytes{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0});
  EXPECT_EQ(ErrorOf([&] { foreign.file.ObjectList().Mesh(0); }),
            "The database passed as an argument is the wrong kind of\ndatabase for this function.");
}

TEST(File3DS, DeepNestingAndManyChunksLoad) {
  // 200 000 nested containers: no recursion depth to exhaust.
  const int depth = 200000;
  Out deep;
  deep.u16(0x4D4D).u32(6 * depth);
  for (int i = 1; i < depth; ++i) deep.u16(0x3D3D).u32(static_cast<uint32_t>(6 * (depth - i)));
  Loaded f(deep);
  EXPECT_EQ(f.file.Chunks().Count(), depth);
  EXPECT_EQ(f.file.ObjectList().MeshCount(), 0);

  // 100 000 sibling named objects without meshes.
  std::vector<Chunk> many(100000, C(0x4000, Out().str("x")));
  Loaded g(File3DS(many));
  EXPECT_EQ(g.file.ObjectList().MeshCount(), 0);
}

TEST(File3DS, ApplicationDataAcceptsOnlyItsOwnChunks) {
  Chunk app = C(0x8001, {}, {C(0x8002, Out().u32(5)), C(0x4000, Out().str("hidden inside"))});
  Bytes bytes = C(0x4D4D, {}, {app, C(0x3D3D, {}, {MeshChunk(Cube("After"))})}).Serialize();
  Loaded f(bytes);
  const TChunkTree3DS& tree = f.file.Chunks();
  int app_node = tree.FindBelow(0, 0x8001);
  ASSERT_GE(app_node, 0);
  EXPECT_GE(tree.FindChild(app_node, 0x8002), 0);
  EXPECT_LT(tree.FindChild(app_node, 0x4000), 0);
  ASSERT_EQ(f.file.ObjectList().MeshCount(), 1);
  EXPECT_EQ(f.file.ObjectList().Mesh(0).Name, "After");
}

TEST(File3DS, KeyFramerNamesTheParentOfEachNode) {
  auto node = [](int16_t number, const std::string& name, int16_t parent,
                 const std::string& instance) {
    Chunk n =
        C(0xB002, {},
          {C(0xB030, Out().s16(number)), C(0xB010, Out().str(name).u16(0).u16(0).s16(parent))});
    if (!instance.empty()) n.children.push_back(C(0xB011, Out().str(instance)));
    return n;
  };
  Chunk kf = C(0xB000, {}, {node(0, "Body", -1, "main"), node(1, "Arm", 0, "")});
  Loaded f(C(0x4D4D, {}, {C(0x3D3D), kf}).Serialize());
  const TChunkTree3DS& tree = f.file.Chunks();
  int body = tree.FindBelow(0, 0xB002);
  int arm = tree.NextSibling(body, 0xB002);
  EXPECT_EQ(f.file.KeyFramerParentName(body), "");
  EXPECT_EQ(f.file.KeyFramerParentName(arm), "Body.main");
}

TEST(File3DS, ReloadForgetsTheEarlierFile) {
  TMemoryStream first(File3DS({MeshChunk(Cube("One")), MeshChunk(Cube("Two"))}));
  TMemoryStream second(File3DS({MeshChunk(Cube("Three"))}));
  TFile3DS file;
  file.LoadFromStream(first);
  EXPECT_EQ(file.ObjectList().Mesh(1).Name, "Two");
  file.LoadFromStream(second);
  ASSERT_EQ(file.ObjectList().MeshCount(), 1);
  EXPECT_EQ(file.ObjectList().Mesh(0).Name, "Three");
}

}  // namespace
