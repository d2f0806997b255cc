// Loading models through the workbench: a load that fails for any reason leaves the model
// the user was working on exactly as it was; a model with nothing to draw is refused.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "app/workbench.h"
#include "scene/bitmap_registry.h"
#include "scene/dummy.h"
#include "scene/shape.h"
#include "tests/import/model_writer.h"
#include "tests/support/test_support.h"

using namespace modelwriter;

namespace {

// Everything a user set on the current model, as it can be compared after a load.
struct TModelState {
  std::vector<TgkShape*> meshes;
  std::vector<std::string> names, colours;
  std::vector<bool> visible;
  TgkShape* selected = nullptr;
  TgkPoint position;
  float width = 0, height = 0, depth = 0;
  int textures = 0;
  std::string file;
  bool operator==(const TModelState&) const = default;
};

TModelState StateOf(TWorkbench& bench) {
  TModelState s;
  s.meshes = bench.Meshes();
  for (TgkShape* m : s.meshes) {
    s.names.push_back(m->DisplayName);
    s.colours.push_back(m->Material().DiffuseText());
    s.visible.push_back(m->Visible());
  }
  s.selected = bench.SelectedMesh();
  s.position = bench.MeshOwner().Position().Point();
  s.width = bench.MeshOwner().Width();
  s.height = bench.MeshOwner().Height();
  s.depth = bench.MeshOwner().Depth();
  s.textures = bench.BitmapList().Bitmaps().Count();
  s.file = bench.ModelFileName();
  return s;
}

class ModelLoadTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const Bytes& bytes) {
    const std::string path = dir.File(name);
    testsupport::WriteFile(path, bytes);
    return path;
  }
  // A two-mesh model worked on: one mesh recoloured, the other hidden and selected, the
  // model moved.
  void LoadAndWorkOn() {
    MeshLayout second = Cube("Lid");
    for (V3& v : second.vertices) v.z += 2;
    ASSERT_TRUE(
        bench.LoadModel(Write("good.3ds", File3DS({MeshChunk(Cube("Box")), MeshChunk(second)}))));
    ASSERT_EQ(bench.Meshes().size(), 2u);
    bench.SetMeshColor(*bench.Meshes()[0], 0xFF102030);
    bench.SetMeshVisible(*bench.Meshes()[1], false);
    bench.SelectMesh(bench.Meshes()[1]);
    bench.SetModelOffset({0.5f, -1, 2});
  }

  testsupport::TempDir dir;
  TWorkbench bench;
};

TEST_F(ModelLoadTest, AFailedLoadKeepsTheModelTheUserWorkedOn) {
  LoadAndWorkOn();
  const TModelState before = StateOf(bench);
  ASSERT_EQ(before.selected, before.meshes[1]);

  MeshLayout flat = Cube("Point");
  for (V3& v : flat.vertices) v = {3, 3, 3};
  const Bytes good = File3DS({MeshChunk(Cube("A")), MeshChunk(Cube("B"))});
  const Bytes truncated(good.begin(), good.begin() + static_cast<long>(good.size()) - 40);
  const struct {
    const char* name;
    Bytes bytes;
  } broken[] = {
      {"empty.3ds", {}},
      {"text.3ds", {'h', 'e', 'l', 'l', 'o'}},
      {"cut.3ds", truncated},
      {"point.3ds", File3DS({MeshChunk(flat)})},
      {"junk.md3", {'I', 'D', 'P', '3', 1, 2}},
      {"empty.md3", {}},
      // Through the guarded Assimp reader: nothing it reads, and a model of points only.
      {"empty.obj", {}},
      {"junk.glb", {'g', 'l', 'T', 'F', 2, 0, 0, 0, 99, 0, 0, 0}},
      {"points.obj", {'v', ' ', '0', ' ', '0', ' ', '0', '\n', 'p', ' ', '1', '\n'}},
  };
  for (const auto& file : broken) {
    SCOPED_TRACE(file.name);
    EXPECT_ANY_THROW(bench.LoadModel(Write(file.name, file.bytes)));
    EXPECT_EQ(StateOf(bench), before);
    EXPECT_EQ(bench.Meshes()[1]->Material().FillMode(), gkWireframe);
  }
  // The kept meshes are still whole, in the scene tree.
  for (TgkShape* mesh : bench.Meshes()) EXPECT_EQ(mesh->Parent(), &bench.MeshOwner());

  // Another extension keeps the meshes too, but the model goes back to the origin.
  ASSERT_TRUE(bench.LoadModel(Write("model.txt", {'x'})));
  EXPECT_EQ(bench.Meshes(), before.meshes);
  EXPECT_EQ(bench.MeshOwner().Position().Point(), (TgkPoint{0, 0, 0}));
}

TEST_F(ModelLoadTest, NothingDrawableIsAnErrorWithAClearMessage) {
  MeshLayout line = Cube("Line");
  for (V3& v : line.vertices) v.y = v.z = 0;  // every triangle without area
  for (const Bytes& bytes : {Bytes{}, File3DS({}), File3DS({MeshChunk(line)})}) {
    try {
      bench.LoadModel(Write("nothing.3ds", bytes));
      ADD_FAILURE() << "loaded a model with nothing to draw";
    } catch (const std::exception& e) {
      EXPECT_STREQ(e.what(), kNothingDrawable);
    }
  }
  EXPECT_EQ(bench.Meshes().size(), 1u);  // still the round cube
  EXPECT_EQ(bench.Meshes()[0]->DisplayName, kRoundCubeName);
  // A flat model does draw: the check is about area, not depth.
  MeshLayout flat = Cube("Flat");
  for (V3& v : flat.vertices) v.z = 0;
  EXPECT_TRUE(bench.LoadModel(Write("flat.3ds", File3DS({MeshChunk(flat)}))));
  EXPECT_EQ(bench.Meshes()[0]->DisplayName, "Flat");
}

TEST_F(ModelLoadTest, ASuccessfulLoadReplacesMeshesSelectionAndPlace) {
  LoadAndWorkOn();
  const std::vector<TgkShape*> old = bench.Meshes();
  ASSERT_TRUE(bench.LoadModel(Write("next.3ds", File3DS({MeshChunk(Cube("Only"))}))));
  ASSERT_EQ(bench.Meshes().size(), 1u);
  EXPECT_EQ(bench.Meshes()[0]->DisplayName, "Only");
  EXPECT_EQ(bench.SelectedMesh(), nullptr);
  EXPECT_EQ(bench.MeshOwner().Position().Point(), (TgkPoint{0, 0, 0}));
  EXPECT_EQ(bench.ModelFileName(), dir.File("next.3ds"));
  // The new mesh is laid out as the builder left it: the whole model spans the unit box.
  TgkShape& only = *bench.Meshes()[0];
  EXPECT_FLOAT_EQ(only.Width(), 1);
  EXPECT_FLOAT_EQ(only.Height(), 1);
  EXPECT_FLOAT_EQ(only.Depth(), 1);
  EXPECT_EQ(only.Parent(), &bench.MeshOwner());
  EXPECT_EQ(only.Scene(), bench.MeshOwner().Scene());
}

TEST_F(ModelLoadTest, OnlyRegularFilesAreRead) {
  const std::string fifo = dir.File("pipe.3ds");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // Reading a FIFO with no writer would block for ever.
  EXPECT_ANY_THROW(bench.LoadModel(fifo));
  const std::string folder = dir.File("folder.md3");
  std::filesystem::create_directory(folder);
  EXPECT_ANY_THROW(bench.LoadModel(folder));
  // A device would be read without end; a link to it is followed and refused all the same.
  const std::string device = dir.File("zero.3ds");
  std::filesystem::create_symlink("/dev/zero", device);
  EXPECT_ANY_THROW(bench.LoadModel(device));
  EXPECT_EQ(bench.Meshes().size(), 1u);
}

}  // namespace
