#include "import/file_md3.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/import/model_writer.h"

using namespace modelwriter;
using ::testing::HasSubstr;
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
  // The texts alone: no source file and line of the reader.
  EXPECT_EQ(AssertionOf(FileMD3(layout)), "错误的 MD3 文件 ID");
  layout.ident = "IDP3";
  layout.version = 16;
  EXPECT_EQ(AssertionOf(FileMD3(layout)), "错误的 MD3 版本号");
  // Too short for a header: the identifier reads as zeros.
  EXPECT_EQ(AssertionOf(Bytes{'I', 'D'}), "错误的 MD3 文件 ID");
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

// Every cut of a two-surface model fails, and names the surface whose block it cuts.
TEST(FileMD3, TruncatedFileIsAnErrorNamingTheSurface) {
  MD3Layout layout;
  layout.tags = 1;
  layout.surfaces = {Triangle("head"), Triangle("body")};
  const Bytes full = FileMD3(layout);
  const size_t first = 108 + 56 + 112;  // where surface 1 starts
  const size_t second = full.size() - SurfaceBytes(Triangle("body")).size();
  for (size_t length : {size_t{0}, size_t{50}, size_t{108}, size_t{120}, full.size() / 3, first,
                        first + 100, first + 200, second - 1, second + 107, full.size() - 1}) {
    SCOPED_TRACE(length);
    const std::string why = AssertionOf(Bytes(full.begin(), full.begin() + length));
    ASSERT_FALSE(why.empty());
    EXPECT_EQ(why.find('\r'), std::string::npos);
    EXPECT_EQ(why.find(".cpp"), std::string::npos);
    if (length < 4) {
      EXPECT_EQ(why, "错误的 MD3 文件 ID");
    } else if (length < 108) {
      EXPECT_THAT(why, HasSubstr("ends inside its header"));
    } else if (length < 108 + 56) {
      EXPECT_THAT(why, HasSubstr("frames lie outside the file"));
    } else if (length < first) {
      EXPECT_THAT(why, HasSubstr("tags lie outside the file"));
    } else if (length < first + 108) {
      EXPECT_THAT(why, HasSubstr("Surface 1 of 2 in the MD3 file lies outside the file"));
    } else if (length < second) {
      EXPECT_THAT(why, HasSubstr("Surface 1 of 2 (\"head\")"));
    } else if (length < second + 108) {
      EXPECT_THAT(why, HasSubstr("Surface 2 of 2 in the MD3 file lies outside the file"));
    } else {
      EXPECT_THAT(why, HasSubstr("Surface 2 of 2 (\"body\") in the MD3 file: its vertices lie "
                                 "outside the file (the file is cut short or damaged)"));
    }
  }
  EXPECT_EQ(AssertionOf(full), "");

  // Only a header promising three surfaces.
  Out header;
  header.fixed("IDP3", 4).s32(15).fixed("", 64).s32(0).s32(1).s32(0).s32(3).s32(0);
  header.s32(0).s32(0).s32(0).s32(0);
  EXPECT_THAT(AssertionOf(header), HasSubstr("frames lie outside the file"));
}

TEST(FileMD3, AFileWithoutFramesOrSurfacesIsAnError) {
  MD3Layout none;
  EXPECT_EQ(AssertionOf(FileMD3(none)), "The MD3 file has no surfaces");
  MD3Layout no_frames;
  no_frames.frames = 0;
  no_frames.surfaces = {Triangle("a")};
  EXPECT_EQ(AssertionOf(FileMD3(no_frames)), "The MD3 file has no frames");
  // A surface with vertices but no frame has no positions to show.
  MD3Layout frameless;
  frameless.surfaces = {Triangle("a"), Triangle("b")};
  frameless.surfaces[1].frames = 0;
  frameless.surfaces[1].vertices.clear();
  frameless.surfaces[1].texcoords.clear();
  Bytes bytes = FileMD3(frameless);
  // The writer derives the vertex count from the frames; give the surface three vertices.
  const size_t count_at = bytes.size() - SurfaceBytes(frameless.surfaces[1]).size() + 80;
  bytes[count_at] = 3;
  EXPECT_EQ(AssertionOf(bytes), "Surface 2 of 2 (\"b\") in the MD3 file has no frames");
}

// Each block of a surface pointed outside the file, past its end or before its start.
TEST(FileMD3, SurfaceBlocksOutsideTheFileAreErrors) {
  MD3Layout layout;
  layout.surfaces = {Triangle("first"), Triangle("can\rbody")};
  const Bytes good = FileMD3(layout);
  const size_t surface = good.size() - SurfaceBytes(layout.surfaces[1]).size();
  struct Field {
    size_t offset;
    const char* block;
  };
  for (Field f :
       {Field{88, "triangles"}, Field{96, "texture coordinates"}, Field{100, "vertices"}}) {
    for (int32_t value : {int32_t{1} << 20, static_cast<int32_t>(good.size() - surface - 4),
                          -static_cast<int32_t>(surface) - 1, INT32_MAX, INT32_MIN}) {
      SCOPED_TRACE(std::string(f.block) + " at " + std::to_string(value));
      Bytes bad = good;
      for (int k = 0; k < 4; ++k) {
        bad[surface + f.offset + static_cast<size_t>(k)] =
            static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * k));
      }
      // The name's carriage return is shown as '?', so the message keeps one line.
      EXPECT_EQ(AssertionOf(bad),
                std::string("Surface 2 of 2 (\"can?body\") in the MD3 file: its ") + f.block +
                    " lie outside the file (the file is cut short or damaged)");
    }
  }
  // Shaders that the file does not hold.
  Bytes shaders = good;
  shaders[surface + 76] = 200;
  EXPECT_THAT(AssertionOf(shaders), HasSubstr("its shaders lie outside the file"));
  // A vertex count the blocks cannot hold: the texture coordinates already run out.
  Bytes count = good;
  count[surface + 82] = 1;  // 65 539 vertices
  EXPECT_THAT(AssertionOf(count), HasSubstr("its texture coordinates lie outside the file"));
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
  // One frame, then the surface header and room for its blocks at offset 108.
  auto with_surface = [](Bytes surface) {
    Bytes b = HeaderWith(1, 0, 1);
    b.resize(b.size() + 56, 0);
    b.insert(b.end(), surface.begin(), surface.end());
    b.resize(b.size() + 64, 0);
    return b;
  };
  const std::string negative = "Negative count in the MD3 file";
  const std::string too_large = "The MD3 file's counts need more memory than the file can hold.*";
  EXPECT_EQ(AssertionOf(HeaderWith(-1, 0, 0)), negative);
  EXPECT_EQ(AssertionOf(HeaderWith(0, -5, 0)), negative);
  EXPECT_EQ(AssertionOf(HeaderWith(0, 0, -1)), negative);
  EXPECT_EQ(AssertionOf(with_surface(SurfaceWith(1, 0, -3, 0, 108))), negative);
  EXPECT_EQ(AssertionOf(with_surface(SurfaceWith(-1, 0, 3, 0, 108))), negative);
  EXPECT_EQ(AssertionOf(with_surface(SurfaceWith(1, -1, 3, 0, 108))), negative);
  EXPECT_EQ(AssertionOf(with_surface(SurfaceWith(1, 0, 3, -2, 108))), negative);
  EXPECT_EQ(AssertionOf(with_surface(SurfaceWith(1, 0, 3, 1, 108))), "");

  // Huge counts are bounded by the file's size before anything is allocated.
  EXPECT_THAT(AssertionOf(HeaderWith(0x7FFFFFFF, 0, 1)), HasSubstr("frames lie outside"));
  EXPECT_THAT(AssertionOf(HeaderWith(50000, 50000, 1)), HasSubstr("frames lie outside"));
  Bytes tags = HeaderWith(1, 0x7FFFFFFF, 1);
  tags.resize(tags.size() + 56, 0);
  EXPECT_THAT(AssertionOf(tags), HasSubstr("tags lie outside"));
  EXPECT_THAT(AssertionOf(with_surface(SurfaceWith(0x10000, 0, 0x10000, 0, 108))),
              HasSubstr("lie outside the file"));
  // Surfaces that all start at the same place: the count is bounded by the allocation cap.
  Bytes repeated = HeaderWith(1, 0, 0x7FFFFFFF);
  repeated.resize(repeated.size() + 56, 0);
  Bytes same = SurfaceWith(1, 0, 0, 0, 0);
  repeated.insert(repeated.end(), same.begin(), same.end());
  EXPECT_THAT(AssertionOf(repeated), MatchesRegex(too_large));
}

TEST(FileMD3, TheCapCountsEveryArrayTogether) {
  // Each array alone fits beside the surface's own cost (4096) in the slack, all together
  // they do not. The blocks all start at offset 108 and lie inside the file.
  Bytes b = HeaderWith(1, 0, 1);
  b.resize(b.size() + 56, 0);
  Bytes s = SurfaceWith(1, 5, 50, 30, 108);  // 340 + 400 + 360 + 400 bytes of records
  b.insert(b.end(), s.begin(), s.end());
  b.resize(b.size() + 400, 0);
  TMemoryStream stream(b);
  TFileMD3 file;
  file.AllocationSlack = 4500;
  EXPECT_THROW(file.LoadFromStream(stream), EAssertionFailed);
  file.AllocationSlack = 6500;
  stream.Seek(0);
  EXPECT_NO_THROW(file.LoadFromStream(stream));
}

TEST(FileMD3, CountsTheFileDoesNotHoldAreErrors) {
  // 1 000 000 vertices (16 MB of records) after a 108-byte surface header.
  Bytes b = HeaderWith(1, 0, 1);
  b.resize(b.size() + 56, 0);
  Bytes s = SurfaceWith(1, 0, 1000000, 0, 108);
  b.insert(b.end(), s.begin(), s.end());
  EXPECT_EQ(AssertionOf(b),
            "Surface 1 of 1 (\"s\") in the MD3 file: its texture coordinates lie outside the file "
            "(the file is cut short or damaged)");
}

TEST(FileMD3, SurfacesStartingOutsideTheFileAreErrors) {
  for (int32_t ofs_end : {-100000, -108 - 56 - 1, 100000}) {
    SCOPED_TRACE(ofs_end);
    Bytes b = HeaderWith(1, 0, 2);
    b.resize(b.size() + 56, 0);
    Bytes s = SurfaceWith(1, 0, 0, 0, ofs_end);
    b.insert(b.end(), s.begin(), s.end());
    EXPECT_EQ(AssertionOf(b),
              "Surface 2 of 2 in the MD3 file lies outside the file (the file is cut short or "
              "damaged)");
  }
}

}  // namespace
