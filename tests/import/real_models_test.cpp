// The real models beside the checkout, read by our readers and, independently, by
// independent_model_reader.py; the two must agree on what a user would see.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "import/file_3ds.h"
#include "import/file_md3.h"
#include "import/name_text.h"
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
  std::string dir = testsupport::SharedDataDir();
  if (dir.empty() || !fs::is_directory(dir + "/models/" + sub)) return files;
  for (const auto& e : fs::directory_iterator(dir + "/models/" + sub)) {
    std::string ext = e.path().extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == "." + sub) files.push_back(e.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST(RealModels, Every3DSFileReadsAsTheIndependentReaderSees) {
  std::vector<std::string> files = ModelFiles("3ds");
  if (files.empty()) GTEST_SKIP() << "no shared test models";
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
  if (files.empty()) GTEST_SKIP() << "no shared test models";
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

}  // namespace
