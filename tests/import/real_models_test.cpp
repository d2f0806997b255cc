// The real models beside the checkout, read by our readers and, independently, by
// independent_model_reader.py; the two must agree on what a user would see.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "import/file_3ds.h"
#include "import/file_md3.h"
#include "import/name_text.h"
#include "tests/import/model_writer.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

std::string Script() {
  return std::string(FACETMINT_IMPORT_TEST_DIR) + "/independent_model_reader.py";
}

std::vector<std::vector<std::string>> Inspect(const std::string& file) {
  std::string out;
  int rc = testsupport::RunCommand("/usr/bin/python3 " + testsupport::ShellQuote(Script()) +
                                       " --tsv " + testsupport::ShellQuote(file),
                                   &out);
  EXPECT_EQ(rc, 0) << out;
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> fields;
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, '\t');) fields.push_back(cell);
    if (line.ends_with('\t')) fields.push_back("");
    rows.push_back(fields);
  }
  return rows;
}

std::vector<std::string> ModelFiles(const std::string& sub) {
  std::vector<std::string> files;
  const std::string dir = testsupport::DataDir() + "/models/" + sub;
  for (const auto& e : fs::directory_iterator(dir)) {
    std::string ext = e.path().extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == "." + sub) files.push_back(e.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST(RealModels, Every3DSFileReadsAsTheIndependentReaderSees) {
  std::vector<std::string> files = ModelFiles("3ds");
  ASSERT_FALSE(files.empty());
  ASSERT_EQ(testsupport::RunCommand("/usr/bin/python3 -c 'import json'"), 0);
  int meshes_seen = 0, textured = 0;
  for (const std::string& path : files) {
    SCOPED_TRACE(path);
    auto expected = Inspect(path);
    TMemoryStream stream;
    stream.LoadFromFile(path);
    TFile3DS file;
    file.LoadFromStream(stream);
    ASSERT_EQ(file.ObjectList().MeshCount(), static_cast<int>(expected.size()));
    for (int i = 0; i < file.ObjectList().MeshCount(); ++i) {
      const auto& row = expected[static_cast<size_t>(i)];
      ASSERT_EQ(row.size(), 6u);
      const TMesh3DS& mesh = file.ObjectList().Mesh(i);
      EXPECT_EQ(ModelNameToUtf8(mesh.Name), row[0]);
      EXPECT_EQ(mesh.VertexCount(), std::stoi(row[1]));
      EXPECT_EQ(mesh.FaceCount(), std::stoi(row[2]));
      EXPECT_EQ(mesh.Hidden, row[3] == "1");
      std::string group = mesh.MaterialGroups.empty() ? "" : mesh.MaterialGroups[0].Name;
      EXPECT_EQ(ModelNameToUtf8(group), row[4]);
      const TMaterial3DS* mat = file.MaterialList().FindByName(group);
      EXPECT_EQ(mat ? ModelNameToUtf8(mat->Texture.Map.Name) : "", row[5]);
      // The triangles name only vertices of the mesh.
      for (const TFace3DS& f : mesh.Faces) {
        EXPECT_LT(std::max({f.V1, f.V2, f.V3}), mesh.VertexCount());
      }
      ++meshes_seen;
      if (!row[5].empty()) ++textured;
    }
  }
  // The known content of the set: boxes, a rock and the textured cubes.
  EXPECT_GE(meshes_seen, 20);
  EXPECT_GE(textured, 10);
}

TEST(RealModels, WatercanMD3ReadsAsTheIndependentReaderSees) {
  std::vector<std::string> files = ModelFiles("md3");
  ASSERT_FALSE(files.empty());
  for (const std::string& path : files) {
    SCOPED_TRACE(path);
    auto expected = Inspect(path);
    TMemoryStream stream;
    stream.LoadFromFile(path);
    TFileMD3 file;
    file.LoadFromStream(stream);
    ASSERT_EQ(file.Surfaces.size(), expected.size());
    ASSERT_FALSE(expected.empty());
    for (size_t i = 0; i < expected.size(); ++i) {
      const TMD3MeshData& s = file.Surfaces[i];
      EXPECT_EQ(MD3Name(s.Name, 64), expected[i][0]);
      EXPECT_EQ(s.NumFrames, std::stoi(expected[i][1]));
      EXPECT_EQ(s.NumVerts, std::stoi(expected[i][2]));
      EXPECT_EQ(s.NumTriangles, std::stoi(expected[i][3]));
      for (const TMD3Triangle& t : s.Triangles) {
        for (int32_t v : t.Indexes) {
          EXPECT_GE(v, 0);
          EXPECT_LT(v, s.NumVerts);
        }
      }
    }
  }
}

std::string ErrorReading3DS(const std::vector<uint8_t>& bytes) {
  TMemoryStream stream(bytes);
  TFile3DS file;
  try {
    file.LoadFromStream(stream);
    for (int i = 0; i < file.ObjectList().MeshCount(); ++i) {
      for (const TObjMat3DS& g : file.ObjectList().Mesh(i).MaterialGroups) {
        file.MaterialList().FindByName(g.Name);
      }
    }
  } catch (const E3DSError& e) {
    return e.what();
  }
  return "";
}

// 3D Studio's own supersampling chunk (0xA086) added to every material of the real files:
// the materials read as before. Cut in half, every file with meshes is an error.
TEST(RealModels, Damaged3DSFiles) {
  std::vector<std::string> files = ModelFiles("3ds");
  ASSERT_FALSE(files.empty());
  int materials_seen = 0;
  for (const std::string& path : files) {
    SCOPED_TRACE(path);
    TMemoryStream stream;
    stream.LoadFromFile(path);
    const std::vector<uint8_t> bytes(stream.Memory(), stream.Memory() + stream.Size());
    TFile3DS file;
    file.LoadFromStream(stream);
    const int meshes = file.ObjectList().MeshCount();
    if (meshes > 0) {
      EXPECT_EQ(
          ErrorReading3DS(std::vector<uint8_t>(bytes.begin(), bytes.begin() + bytes.size() / 2)),
          error3ds::kInvalidChunk);
    }
    // Insert the chunk at the end of each material, last material first, growing the
    // lengths of the material and of every chunk around it.
    const TChunkTree3DS& tree = file.Chunks();
    std::vector<int> mats;
    for (int i = 0; i < tree.Count(); ++i) {
      if (tree.Node(i).Id == 0xAFFF) mats.push_back(i);
    }
    std::vector<uint8_t> edited = bytes;
    const modelwriter::Bytes extra = modelwriter::C(0xA086, modelwriter::Out().u16(2)).Serialize();
    for (auto it = mats.rbegin(); it != mats.rend(); ++it) {
      edited.insert(edited.begin() + tree.Node(*it).End, extra.begin(), extra.end());
      for (int up = *it; up >= 0; up = tree.Node(up).Parent) {
        const auto at = static_cast<size_t>(tree.Node(up).Offset) + 2;
        uint32_t length = LoadU32(&edited[at]) + static_cast<uint32_t>(extra.size());
        for (int k = 0; k < 4; ++k) edited[at + k] = static_cast<uint8_t>(length >> (8 * k));
      }
    }
    TMemoryStream edited_stream(edited);
    TFile3DS with_extra;
    with_extra.LoadFromStream(edited_stream);
    ASSERT_EQ(with_extra.MaterialList().Count(), file.MaterialList().Count());
    for (int i = 0; i < file.MaterialList().Count(); ++i) {
      const TMaterial3DS& a = file.MaterialList().Material(i);
      const TMaterial3DS& b = with_extra.MaterialList().Material(i);
      EXPECT_EQ(a.Name, b.Name);
      EXPECT_EQ(a.Diffuse.R, b.Diffuse.R);
      EXPECT_EQ(a.Diffuse.G, b.Diffuse.G);
      EXPECT_EQ(a.Texture.Map.Name, b.Texture.Map.Name);
      ++materials_seen;
    }
    ASSERT_EQ(with_extra.ObjectList().MeshCount(), meshes);
    for (int i = 0; i < meshes; ++i) {
      EXPECT_EQ(with_extra.ObjectList().Mesh(i).FaceCount(), file.ObjectList().Mesh(i).FaceCount());
    }
  }
  EXPECT_GE(materials_seen, 5);
}

// The real can cut to a third, to its header, and with its vertex offset pointing past
// the end: each an error naming the surface or the missing part.
TEST(RealModels, DamagedWatercan) {
  const std::string dir = testsupport::DataDir();
  TMemoryStream stream;
  stream.LoadFromFile(dir + "/models/md3/watercan.md3");
  const std::vector<uint8_t> bytes(stream.Memory(), stream.Memory() + stream.Size());
  auto error_of = [](std::vector<uint8_t> b) -> std::string {
    TMemoryStream s(std::move(b));
    TFileMD3 file;
    try {
      file.LoadFromStream(s);
    } catch (const EAssertionFailed& e) {
      return e.what();
    }
    return "";
  };
  EXPECT_EQ(error_of(bytes), "");
  const std::string third = error_of({bytes.begin(), bytes.begin() + bytes.size() / 3});
  EXPECT_NE(third.find("Surface 1 of 1 (\"watercan\")"), std::string::npos) << third;
  EXPECT_NE(third.find("outside the file"), std::string::npos) << third;
  const std::string header = error_of({bytes.begin(), bytes.begin() + 108});
  EXPECT_NE(header.find("outside the file"), std::string::npos) << header;
  // The surface starts after the frames and tags; its vertex offset is at 100.
  TMemoryStream whole(bytes);
  TFileMD3 file;
  file.LoadFromStream(whole);
  const size_t surface = 108 + 56 * file.Frames.size() + 112 * file.Tags.size();
  std::vector<uint8_t> far = bytes;
  far[surface + 100 + 3] = 0x10;
  EXPECT_EQ(error_of(far),
            "Surface 1 of 1 (\"watercan\") in the MD3 file: its vertices lie outside the file "
            "(the file is cut short or damaged)");
}

}  // namespace
