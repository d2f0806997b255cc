#include "import/file_md3.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/import/model_writer.h"

using namespace modelwriter;
using ::testing::MatchesRegex;

namespace {

std::string AssertionOf(const Bytes& bytes) {
  TMemoryStream stream(bytes);
  TFileMD3 file;
  try {
    file.LoadFromStream(stream);
  } catch (const EAssertionFailed& e) {
    return e.what();
  }
  return "";
}

MD3Surface Triangle(const std::string& name) {
  MD3Surface s;
  s.name = name;
  s.shaders = {"models/can.tga"};
  s.vertices = {{{64, -128, 32, 0, 0}, {0, 0, 0, 64, 0}, {64, 64, 64, 10, 20}}};
  s.triangles = {{0, 1, 2}};
  s.texcoords = {{0.25f, 0.75f}, {1, 0}, {0.5f, 0.5f}};
  return s;
}

TEST(FileMD3, WrongIdentifierOrVersionIsAnAssertion) {
  MD3Layout layout;
  layout.ident = "IDP2";
  EXPECT_THAT(AssertionOf(FileMD3(layout)),
              MatchesRegex("错误的 MD3 文件 ID \\(file_md3\\.cpp, line [0-9]+\\)"));
  layout.ident = "IDP3";
  layout.version = 16;
  EXPECT_THAT(AssertionOf(FileMD3(layout)),
              MatchesRegex("错误的 MD3 版本号 \\(file_md3\\.cpp, line [0-9]+\\)"));
  // Too short for a header: the identifier reads as zeros.
  EXPECT_THAT(AssertionOf(Bytes{'I', 'D'}), MatchesRegex("错误的 MD3 文件 ID .*"));
}

TEST(FileMD3, ReadsFramesTagsAndSurfacesInFileOrder) {
  MD3Layout layout;
  layout.frames = 2;
  layout.tags = 1;
  MD3Surface a = Triangle("h_head");
  a.ident = "XXXX";  // not checked
  a.frames = 2;
  a.vertices.push_back({{1, 2, 3, 4, 5}, {6, 7, 8, 9, 10}, {11, 12, 13, 14, 15}});
  layout.surfaces = {a, Triangle("second")};
  TMemoryStream stream(FileMD3(layout));
  TFileMD3 file;
  file.LoadFromStream(stream);
  EXPECT_EQ(file.Header.NumFrames, 2);
  ASSERT_EQ(file.Frames.size(), 2u);
  EXPECT_EQ(MD3Name(file.Frames[1].Name, 16), "frame1");
  EXPECT_FLOAT_EQ(file.Frames[0].Radius, 2);
  ASSERT_EQ(file.Tags.size(), 2u);
  EXPECT_EQ(MD3Name(file.Tags[1].Name, 64), "tag_1");
  EXPECT_FLOAT_EQ(file.Tags[0].Axis[2].Z, 11);
  ASSERT_EQ(file.Surfaces.size(), 2u);
  const TMD3MeshData& s = file.Surfaces[0];
  EXPECT_EQ(MD3Name(s.Name, 64), "h_head");
  EXPECT_EQ(MD3Name(s.Shaders[0].Name, 64), "models/can.tga");
  ASSERT_EQ(s.Vertices.size(), 6u);
  EXPECT_EQ(s.Vertices[0].X, 64);
  EXPECT_EQ(s.Vertices[0].Y, -128);
  EXPECT_EQ(s.Vertices[1].Normal[0], 64);
  EXPECT_EQ(s.Vertices[5].Z, 13);
  EXPECT_FLOAT_EQ(s.TexCoords[0].T, 0.75f);
  EXPECT_EQ(s.Triangles[0].Indexes[2], 2);
  EXPECT_EQ(MD3Name(file.Surfaces[1].Name, 64), "second");
  EXPECT_EQ(file.Surfaces[1].Vertices.size(), 3u);
}

TEST(FileMD3, ReadsFromTheStreamPosition) {
  MD3Layout layout;
  layout.surfaces = {Triangle("later")};
  Bytes bytes(100, 0xEE);
  Bytes md3 = FileMD3(layout);
  bytes.insert(bytes.end(), md3.begin(), md3.end());
  TMemoryStream stream(bytes);
  stream.Seek(100);
  TFileMD3 file;
  file.LoadFromStream(stream);
  ASSERT_EQ(file.Surfaces.size(), 1u);
  EXPECT_EQ(file.Surfaces[0].Vertices[2].Z, 64);
}

TEST(FileMD3, TruncatedFileReadsMissingDataAsZeros) {
  MD3Layout layout;
  layout.surfaces = {Triangle("cut")};
  Bytes full = FileMD3(layout);
  Bytes cut(full.begin(), full.end() - 12);  // loses the last vertex and a half
  TMemoryStream stream(cut);
  TFileMD3 file;
  file.LoadFromStream(stream);
  ASSERT_EQ(file.Surfaces.size(), 1u);
  const TMD3MeshData& s = file.Surfaces[0];
  ASSERT_EQ(s.Vertices.size(), 3u);
  EXPECT_EQ(s.Vertices[0].X, 64);
  EXPECT_EQ(s.Vertices[1].X, 0);
  EXPECT_EQ(s.Vertices[2].X, 0);
  EXPECT_EQ(s.Vertices[2].Normal[1], 0);

  // Only a header promising three surfaces: three surfaces of zeros.
  Out header;
  header.fixed("IDP3", 4).s32(15).fixed("", 64).s32(0).s32(0).s32(0).s32(3).s32(0);
  header.s32(0).s32(0).s32(0).s32(0);
  TMemoryStream short_stream(header);
  file.LoadFromStream(short_stream);
  EXPECT_EQ(file.Surfaces.size(), 3u);
  EXPECT_EQ(file.Surfaces[2].NumVerts, 0);
}

Bytes HeaderWith(int32_t frames, int32_t tags, int32_t surfaces) {
  Out o;
  o.fixed("IDP3", 4).s32(15).fixed("", 64).s32(0).s32(frames).s32(tags).s32(surfaces).s32(0);
  o.s32(0).s32(0).s32(0).s32(0);
  return o;
}

Bytes SurfaceWith(int32_t frames, int32_t shaders, int32_t verts, int32_t triangles,
                  int32_t ofs_end) {
  Out o;
  o.fixed("IDP3", 4).fixed("s", 64).s32(0).s32(frames).s32(shaders).s32(verts).s32(triangles);
  o.s32(108).s32(108).s32(108).s32(108).s32(ofs_end);
  return o;
}

TEST(FileMD3, NegativeAndAbsurdCountsFailCleanly) {
  auto with_surface = [](Bytes surface) {
    Bytes b = HeaderWith(0, 0, 1);
    b.insert(b.end(), surface.begin(), surface.end());
    return b;
  };
  const std::string negative = "Negative count in the MD3 file \\(file_md3\\.cpp, line [0-9]+\\)";
  const std::string too_large = "The MD3 file's counts need more memory than the file can hold.*";
  EXPECT_THAT(AssertionOf(HeaderWith(-1, 0, 0)), MatchesRegex(negative));
  EXPECT_THAT(AssertionOf(HeaderWith(0, -5, 0)), MatchesRegex(negative));
  EXPECT_THAT(AssertionOf(HeaderWith(0, 0, -1)), MatchesRegex(negative));
  EXPECT_THAT(AssertionOf(with_surface(SurfaceWith(1, 0, -3, 0, 108))), MatchesRegex(negative));
  EXPECT_THAT(AssertionOf(with_surface(SurfaceWith(-1, 0, 3, 0, 108))), MatchesRegex(negative));
  EXPECT_THAT(AssertionOf(with_surface(SurfaceWith(1, -1, 3, 0, 108))), MatchesRegex(negative));
  EXPECT_THAT(AssertionOf(with_surface(SurfaceWith(1, 0, 3, -2, 108))), MatchesRegex(negative));

  EXPECT_THAT(AssertionOf(HeaderWith(0x7FFFFFFF, 0, 0)), MatchesRegex(too_large));
  EXPECT_THAT(AssertionOf(HeaderWith(50000, 50000, 0)), MatchesRegex(too_large));
  EXPECT_THAT(AssertionOf(with_surface(SurfaceWith(0x10000, 0, 0x10000, 0, 108))),
              MatchesRegex(too_large));
  // Surfaces that all start at the same place: the count is bounded by the same cap.
  Bytes repeated = HeaderWith(0, 0, 0x7FFFFFFF);
  Bytes same = SurfaceWith(1, 0, 0, 0, 0);
  repeated.insert(repeated.end(), same.begin(), same.end());
  EXPECT_THAT(AssertionOf(repeated), MatchesRegex(too_large));
}

TEST(FileMD3, TheCapCountsEveryArrayTogether) {
  // Each array alone fits beside the surface's own cost (4096) in the slack, all together
  // they do not.
  Bytes b = HeaderWith(0, 0, 1);
  Bytes s = SurfaceWith(1, 5, 50, 30, 108);  // 340 + 400 + 360 + 400 bytes of records
  b.insert(b.end(), s.begin(), s.end());
  TMemoryStream stream(b);
  TFileMD3 file;
  file.AllocationSlack = 4500;
  EXPECT_THROW(file.LoadFromStream(stream), EAssertionFailed);
  file.AllocationSlack = 6500;
  stream.Seek(0);
  EXPECT_NO_THROW(file.LoadFromStream(stream));
}

TEST(FileMD3, CountsWithinTheCapReadAsZeros) {
  // 1 000 000 vertices (16 MB of records) that the file does not hold.
  Bytes b = HeaderWith(0, 0, 1);
  Bytes s = SurfaceWith(1, 0, 1000000, 0, 108);
  b.insert(b.end(), s.begin(), s.end());
  TMemoryStream stream(b);
  TFileMD3 file;
  file.LoadFromStream(stream);
  ASSERT_EQ(file.Surfaces.size(), 1u);
  EXPECT_EQ(file.Surfaces[0].Vertices.size(), 1000000u);
  EXPECT_EQ(file.Surfaces[0].Vertices.back().X, 0);
}

TEST(FileMD3, NegativeSurfaceOffsetsReadZerosInsteadOfFailing) {
  Bytes b = HeaderWith(0, 0, 2);
  Bytes s = SurfaceWith(1, 0, 0, 0, -100000);
  b.insert(b.end(), s.begin(), s.end());
  TMemoryStream stream(b);
  TFileMD3 file;
  file.LoadFromStream(stream);
  ASSERT_EQ(file.Surfaces.size(), 2u);
  EXPECT_EQ(file.Surfaces[1].NumVerts, 0);
}

}  // namespace
