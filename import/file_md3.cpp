#include "import/file_md3.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "import/chunk_tree_3ds.h"
#include "import/name_text.h"

namespace {

constexpr size_t kHeaderSize = 108;
constexpr size_t kFrameSize = 56;
constexpr size_t kTagSize = 112;
constexpr size_t kSurfaceHeaderSize = 108;
constexpr size_t kShaderSize = 68;
constexpr size_t kTriangleSize = 12;
constexpr size_t kTexCoordSize = 8;
constexpr size_t kVertexSize = 8;
// What one surface costs beyond its arrays: its record here and the scene mesh the
// builder makes of it. Surfaces that overlap cost the same, so a tiny file cannot ask for
// hundreds of thousands of them.
constexpr size_t kSurfaceCost = 4096;

constexpr const char* kWrongIdent = "错误的 MD3 文件 ID";
constexpr const char* kWrongVersion = "错误的 MD3 版本号";
constexpr const char* kNegativeCount = "Negative count in the MD3 file";
constexpr const char* kTooLarge =
    "The MD3 file's counts need more memory than the file can hold (at most 64 MiB more "
    "than its own size)";
constexpr const char* kNoMemory = "Out of memory while reading the model";
constexpr const char* kDamaged = " (the file is cut short or damaged)";

[[noreturn]] void Fail(const std::string& text) {
  throw EAssertionFailed(text);
}

// Reads byte ranges of the model; ranges are checked to lie inside it before they are read.
class BlockReader {
 public:
  explicit BlockReader(TStream& stream)
      : stream_(stream), start_(stream.Position()), end_(std::max(stream.Size(), start_)) {}

  int64_t Start() const { return start_; }

  // Whether count records of record_size bytes at pos lie wholly inside the model.
  bool Inside(int64_t pos, int64_t count, size_t record_size) const {
    if (pos < start_ || pos > end_ || count < 0) return false;
    return count <= (end_ - pos) / static_cast<int64_t>(record_size);
  }

  std::vector<uint8_t> ReadAt(int64_t pos, size_t count) {
    std::vector<uint8_t> bytes(count);
    if (count > 0) {
      stream_.Seek(pos);
      stream_.ReadBuffer(bytes.data(), count);
    }
    return bytes;
  }

 private:
  TStream& stream_;
  int64_t start_;
  int64_t end_;
};

// What the counts of one file may make the reader allocate, in file bytes.
class AllocationBudget {
 public:
  explicit AllocationBudget(int64_t limit) : left_(limit) {}

  size_t Take(int64_t count, size_t record_size) {
    if (count < 0) Fail(kNegativeCount);
    if (count > left_ / static_cast<int64_t>(record_size)) Fail(kTooLarge);
    left_ -= count * static_cast<int64_t>(record_size);
    return static_cast<size_t>(count);
  }

 private:
  int64_t left_;
};

int32_t S32(const uint8_t* p) {
  return static_cast<int32_t>(LoadU32(p));
}

int16_t S16(const uint8_t* p) {
  return static_cast<int16_t>(LoadU16(p));
}

TMD3Vector Vec(const uint8_t* p) {
  return {LoadF32(p), LoadF32(p + 4), LoadF32(p + 8)};
}

template <typename T, typename Decode>
std::vector<T> ReadArray(BlockReader& in, int64_t pos, size_t count, size_t record_size,
                         Decode decode) {
  std::vector<uint8_t> bytes = in.ReadAt(pos, count * record_size);
  std::vector<T> records(count);
  for (size_t i = 0; i < count; ++i) decode(bytes.data() + i * record_size, records[i]);
  return records;
}

}  // namespace

std::string MD3Name(const char* field, size_t size) {
  const void* zero = std::memchr(field, 0, size);
  return std::string(field,
                     zero ? static_cast<size_t>(static_cast<const char*>(zero) - field) : size);
}

namespace {

// "Surface 2 of 3 ("h_head") in the MD3 file", for messages about one surface.
std::string SurfaceLabel(int32_t index, int32_t count, const char* name) {
  std::string label =
      "Surface " + std::to_string(int64_t{index} + 1) + " of " + std::to_string(count);
  if (name) label += " (\"" + ModelNameForMessage(MD3Name(name, 64)) + "\")";
  return label + " in the MD3 file";
}

}  // namespace

void TFileMD3::LoadFromStream(TStream& stream) {
  Header = {};
  Frames.clear();
  Tags.clear();
  Surfaces.clear();

  BlockReader in(stream);
  const int64_t start = in.Start();
  try {
    // A file too short for the identifier and version fails on them, as zeros.
    std::vector<uint8_t> h(kHeaderSize, 0);
    {
      const int64_t have = std::max<int64_t>(stream.Size() - start, 0);
      std::vector<uint8_t> part =
          in.ReadAt(start, static_cast<size_t>(std::min<int64_t>(have, kHeaderSize)));
      std::copy(part.begin(), part.end(), h.begin());
    }
    std::memcpy(Header.Ident, h.data(), 4);
    Header.Version = S32(&h[4]);
    std::memcpy(Header.Name, &h[8], 64);
    Header.Flags = S32(&h[72]);
    Header.NumFrames = S32(&h[76]);
    Header.NumTags = S32(&h[80]);
    Header.NumSurfaces = S32(&h[84]);
    Header.NumSkins = S32(&h[88]);
    Header.OfsFrames = S32(&h[92]);
    Header.OfsTags = S32(&h[96]);
    Header.OfsSurfaces = S32(&h[100]);
    Header.OfsEnd = S32(&h[104]);
    if (MD3Name(Header.Ident, 4) != "IDP3") Fail(kWrongIdent);
    if (Header.Version != 15) Fail(kWrongVersion);
    if (!in.Inside(start, 1, kHeaderSize)) {
      Fail(std::string("The MD3 file ends inside its header") + kDamaged);
    }
    if (Header.NumFrames < 0 || Header.NumTags < 0 || Header.NumSurfaces < 0) {
      Fail(kNegativeCount);
    }
    if (Header.NumFrames == 0) Fail("The MD3 file has no frames");
    if (Header.NumSurfaces == 0) Fail("The MD3 file has no surfaces");

    AllocationBudget budget(std::max<int64_t>(stream.Size() - start, 0) + AllocationSlack);
    int64_t pos = start + static_cast<int64_t>(kHeaderSize);
    if (!in.Inside(pos, Header.NumFrames, kFrameSize)) {
      Fail(std::string("The MD3 file's frames lie outside the file") + kDamaged);
    }
    size_t frames = budget.Take(Header.NumFrames, kFrameSize);
    Frames = ReadArray<TMD3Frame>(in, pos, frames, kFrameSize, [](const uint8_t* p, TMD3Frame& f) {
      f.MinBounds = Vec(p);
      f.MaxBounds = Vec(p + 12);
      f.LocalOrigin = Vec(p + 24);
      f.Radius = LoadF32(p + 36);
      std::memcpy(f.Name, p + 40, 16);
    });
    pos += static_cast<int64_t>(frames * kFrameSize);

    const int64_t tag_count = int64_t{Header.NumFrames} * Header.NumTags;
    if (!in.Inside(pos, tag_count, kTagSize)) {
      Fail(std::string("The MD3 file's tags lie outside the file") + kDamaged);
    }
    size_t tags = budget.Take(tag_count, kTagSize);
    Tags = ReadArray<TMD3Tag>(in, pos, tags, kTagSize, [](const uint8_t* p, TMD3Tag& t) {
      std::memcpy(t.Name, p, 64);
      t.Origin = Vec(p + 64);
      for (int k = 0; k < 3; ++k) t.Axis[k] = Vec(p + 76 + 12 * k);
    });
    pos += static_cast<int64_t>(tags * kTagSize);

    for (int32_t i = 0; i < Header.NumSurfaces; ++i) {
      budget.Take(1, kSurfaceCost);
      if (!in.Inside(pos, 1, kSurfaceHeaderSize)) {
        Fail(SurfaceLabel(i, Header.NumSurfaces, nullptr) + " lies outside the file" + kDamaged);
      }
      TMD3MeshData s;
      std::vector<uint8_t> sh = in.ReadAt(pos, kSurfaceHeaderSize);
      std::memcpy(s.Ident, sh.data(), 4);
      std::memcpy(s.Name, &sh[4], 64);
      s.Flags = S32(&sh[68]);
      s.NumFrames = S32(&sh[72]);
      s.NumShaders = S32(&sh[76]);
      s.NumVerts = S32(&sh[80]);
      s.NumTriangles = S32(&sh[84]);
      s.OfsTriangles = S32(&sh[88]);
      s.OfsShaders = S32(&sh[92]);
      s.OfsSt = S32(&sh[96]);
      s.OfsXyzNormal = S32(&sh[100]);
      s.OfsEnd = S32(&sh[104]);
      const std::string label = SurfaceLabel(i, Header.NumSurfaces, s.Name);
      if (s.NumFrames < 0 || s.NumShaders < 0 || s.NumVerts < 0 || s.NumTriangles < 0) {
        Fail(kNegativeCount);
      }
      // The builder shows frame 0: vertices without any frame have no positions.
      if (s.NumFrames == 0 && s.NumVerts > 0) Fail(label + " has no frames");
      auto require_inside = [&](int64_t at, int64_t count, size_t size, const char* what) {
        if (!in.Inside(at, count, size)) {
          Fail(label + ": its " + what + " lie outside the file" + kDamaged);
        }
      };
      const int64_t all_verts = int64_t{s.NumFrames} * s.NumVerts;
      require_inside(pos + static_cast<int64_t>(kSurfaceHeaderSize), s.NumShaders, kShaderSize,
                     "shaders");
      require_inside(pos + s.OfsTriangles, s.NumTriangles, kTriangleSize, "triangles");
      require_inside(pos + s.OfsSt, s.NumVerts, kTexCoordSize, "texture coordinates");
      require_inside(pos + s.OfsXyzNormal, all_verts, kVertexSize, "vertices");

      size_t shaders = budget.Take(s.NumShaders, kShaderSize);
      s.Shaders = ReadArray<TMD3Shader>(in, pos + static_cast<int64_t>(kSurfaceHeaderSize), shaders,
                                        kShaderSize, [](const uint8_t* p, TMD3Shader& sd) {
                                          std::memcpy(sd.Name, p, 64);
                                          sd.ShaderIndex = S32(p + 64);
                                        });
      size_t triangles = budget.Take(s.NumTriangles, kTriangleSize);
      s.Triangles = ReadArray<TMD3Triangle>(in, pos + s.OfsTriangles, triangles, kTriangleSize,
                                            [](const uint8_t* p, TMD3Triangle& t) {
                                              for (int k = 0; k < 3; ++k) {
                                                t.Indexes[k] = S32(p + 4 * k);
                                              }
                                            });
      size_t verts = budget.Take(s.NumVerts, kTexCoordSize);
      s.TexCoords = ReadArray<TMD3TexCoord>(in, pos + s.OfsSt, verts, kTexCoordSize,
                                            [](const uint8_t* p, TMD3TexCoord& t) {
                                              t.S = LoadF32(p);
                                              t.T = LoadF32(p + 4);
                                            });
      size_t vertex_records = budget.Take(all_verts, kVertexSize);
      s.Vertices = ReadArray<TMD3Vertex>(in, pos + s.OfsXyzNormal, vertex_records, kVertexSize,
                                         [](const uint8_t* p, TMD3Vertex& v) {
                                           v.X = S16(p);
                                           v.Y = S16(p + 2);
                                           v.Z = S16(p + 4);
                                           v.Normal[0] = p[6];
                                           v.Normal[1] = p[7];
                                         });
      Surfaces.push_back(std::move(s));
      pos += Surfaces.back().OfsEnd;
    }
  } catch (const std::bad_alloc&) {
    Fail(kNoMemory);
  } catch (const std::length_error&) {
    Fail(kNoMemory);
  }
}
