// Builds small 3DS and MD3 files in memory for the import tests.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace modelwriter {

using Bytes = std::vector<uint8_t>;

// Little-endian byte sequence builder.
class Out {
 public:
  Out& u8(uint8_t v) {
    b_.push_back(v);
    return *this;
  }
  Out& u16(uint16_t v) { return u8(static_cast<uint8_t>(v)).u8(static_cast<uint8_t>(v >> 8)); }
  Out& u32(uint32_t v) { return u16(static_cast<uint16_t>(v)).u16(static_cast<uint16_t>(v >> 16)); }
  Out& s16(int16_t v) { return u16(static_cast<uint16_t>(v)); }
  Out& s32(int32_t v) { return u32(static_cast<uint32_t>(v)); }
  Out& f32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    return u32(bits);
  }
  Out& str(const std::string& s) {  // zero-terminated
    b_.insert(b_.end(), s.begin(), s.end());
    return u8(0);
  }
  Out& fixed(const std::string& s, size_t size) {  // zero-padded field
    for (size_t i = 0; i < size; ++i) u8(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
    return *this;
  }
  Out& raw(const Bytes& bytes) {
    b_.insert(b_.end(), bytes.begin(), bytes.end());
    return *this;
  }
  const Bytes& bytes() const { return b_; }
  operator Bytes() const { return b_; }  // NOLINT(google-explicit-constructor)

 private:
  Bytes b_;
};

// One chunk: own data, then sub-chunks; the length is computed unless forced.
struct Chunk {
  uint16_t id = 0;
  Bytes data;
  std::vector<Chunk> children;
  std::optional<uint32_t> length;

  Bytes Serialize() const {
    Bytes body = data;
    for (const Chunk& c : children) {
      Bytes cb = c.Serialize();
      body.insert(body.end(), cb.begin(), cb.end());
    }
    Out o;
    o.u16(id).u32(length ? *length : static_cast<uint32_t>(body.size() + 6)).raw(body);
    return o;
  }
};

inline Chunk C(uint16_t id, Bytes data = {}, std::vector<Chunk> children = {}) {
  return Chunk{id, std::move(data), std::move(children), std::nullopt};
}

struct V3 {
  float x, y, z;
};
struct Face {
  uint16_t a, b, c;
};
struct Group {
  std::string material;
  std::vector<uint16_t> faces;
};

// A named object holding a triangle mesh.
struct MeshLayout {
  std::string name = "Mesh";
  std::vector<V3> vertices;
  std::vector<Face> faces;
  std::optional<std::vector<uint32_t>> smoothing;
  std::vector<std::pair<float, float>> texcoords;
  std::vector<Group> groups;
  bool hidden = false;
};

inline Chunk MeshChunk(const MeshLayout& m) {
  Out verts;
  verts.u16(static_cast<uint16_t>(m.vertices.size()));
  for (const V3& v : m.vertices) verts.f32(v.x).f32(v.y).f32(v.z);
  Out faces;
  faces.u16(static_cast<uint16_t>(m.faces.size()));
  for (const Face& f : m.faces) faces.u16(f.a).u16(f.b).u16(f.c).u16(7);
  Chunk face_chunk = C(0x4120, faces);
  for (const Group& g : m.groups) {
    Out gd;
    gd.str(g.material).u16(static_cast<uint16_t>(g.faces.size()));
    for (uint16_t f : g.faces) gd.u16(f);
    face_chunk.children.push_back(C(0x4130, gd));
  }
  if (m.smoothing) {
    Out sd;
    for (uint32_t s : *m.smoothing) sd.u32(s);
    face_chunk.children.push_back(C(0x4150, sd));
  }
  Chunk trimesh = C(0x4100, {}, {C(0x4110, verts), face_chunk});
  if (!m.texcoords.empty()) {
    Out td;
    td.u16(static_cast<uint16_t>(m.texcoords.size()));
    for (auto [u, v] : m.texcoords) td.f32(u).f32(v);
    trimesh.children.push_back(C(0x4140, td));
  }
  Chunk obj = C(0x4000, Out().str(m.name), {});
  if (m.hidden) obj.children.push_back(C(0x4010));
  obj.children.push_back(trimesh);
  return obj;
}

// A material with a float diffuse colour and optionally a texture map.
inline Chunk MaterialChunk(const std::string& name, V3 diffuse, const std::string& texture = "") {
  Chunk mat = C(0xAFFF, {},
                {C(0xA000, Out().str(name)),
                 C(0xA020, {}, {C(0x0010, Out().f32(diffuse.x).f32(diffuse.y).f32(diffuse.z))})});
  if (!texture.empty()) {
    mat.children.push_back(
        C(0xA200, {}, {C(0x0030, Out().s16(100)), C(0xA300, Out().str(texture))}));
  }
  return mat;
}

// A mesh file: root 0x4D4D with one 0x3D3D holding the given chunks.
inline Bytes File3DS(std::vector<Chunk> mesh_data) {
  return C(0x4D4D, {}, {C(0x0002, Out().u32(3)), C(0x3D3D, {}, std::move(mesh_data))}).Serialize();
}

// The unit cube: 8 corners, 12 outward-facing triangles, faces 2k and 2k+1 on side k.
// A UV sphere of radius 1 as rows x columns quads of two triangles each, smoothed as one
// group; with texture coordinates running 0..1 around and up when textured.
inline MeshLayout Sphere(int rows, int columns, bool textured = false) {
  MeshLayout m;
  m.name = "Sphere";
  for (int r = 0; r <= rows; ++r) {
    for (int c = 0; c <= columns; ++c) {
      const double lat = M_PI * r / rows - M_PI / 2, lng = 2 * M_PI * c / columns;
      m.vertices.push_back({static_cast<float>(std::cos(lat) * std::cos(lng)),
                            static_cast<float>(std::cos(lat) * std::sin(lng)),
                            static_cast<float>(std::sin(lat))});
      if (textured)
        m.texcoords.emplace_back(static_cast<float>(c) / columns, static_cast<float>(r) / rows);
    }
  }
  auto at = [&](int r, int c) { return static_cast<uint16_t>(r * (columns + 1) + c); };
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      m.faces.push_back({at(r, c), at(r, c + 1), at(r + 1, c + 1)});
      m.faces.push_back({at(r, c), at(r + 1, c + 1), at(r + 1, c)});
    }
  }
  m.smoothing = std::vector<uint32_t>(m.faces.size(), 1u);
  return m;
}

inline MeshLayout Cube(const std::string& name = "Cube") {
  MeshLayout m;
  m.name = name;
  m.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
  m.faces = {{0, 2, 1}, {0, 3, 2}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
             {1, 2, 6}, {1, 6, 5}, {2, 3, 7}, {2, 7, 6}, {3, 0, 4}, {3, 4, 7}};
  return m;
}

// --- MD3 ---

struct MD3Vert {
  int16_t x, y, z;
  uint8_t lng = 0, lat = 0;
};

struct MD3Surface {
  std::string ident = "IDP3";
  std::string name = "surface";
  int32_t frames = 1;
  std::vector<std::string> shaders;
  std::vector<std::vector<MD3Vert>> vertices;  // per frame
  std::vector<std::array<int32_t, 3>> triangles;
  std::vector<std::pair<float, float>> texcoords;
};

struct MD3Layout {
  std::string ident = "IDP3";
  int32_t version = 15;
  int32_t frames = 1;
  int32_t tags = 0;
  std::vector<MD3Surface> surfaces;
};

inline Bytes SurfaceBytes(const MD3Surface& s) {
  const int32_t nverts = s.vertices.empty() ? 0 : static_cast<int32_t>(s.vertices[0].size());
  const int32_t ofs_tri = 108 + 68 * static_cast<int32_t>(s.shaders.size());
  const int32_t ofs_st = ofs_tri + 12 * static_cast<int32_t>(s.triangles.size());
  const int32_t ofs_xyz = ofs_st + 8 * nverts;
  const int32_t ofs_end = ofs_xyz + 8 * nverts * static_cast<int32_t>(s.vertices.size());
  Out o;
  o.fixed(s.ident, 4)
      .fixed(s.name, 64)
      .s32(0)
      .s32(s.frames)
      .s32(static_cast<int32_t>(s.shaders.size()));
  o.s32(nverts).s32(static_cast<int32_t>(s.triangles.size()));
  o.s32(ofs_tri).s32(108).s32(ofs_st).s32(ofs_xyz).s32(ofs_end);
  for (size_t i = 0; i < s.shaders.size(); ++i)
    o.fixed(s.shaders[i], 64).s32(static_cast<int32_t>(i));
  for (const auto& t : s.triangles) o.s32(t[0]).s32(t[1]).s32(t[2]);
  for (int32_t i = 0; i < nverts; ++i) {
    auto st = i < static_cast<int32_t>(s.texcoords.size()) ? s.texcoords[static_cast<size_t>(i)]
                                                           : std::pair<float, float>{0, 0};
    o.f32(st.first).f32(st.second);
  }
  for (const auto& frame : s.vertices) {
    for (const MD3Vert& v : frame) o.s16(v.x).s16(v.y).s16(v.z).u8(v.lng).u8(v.lat);
  }
  return o;
}

inline Bytes FileMD3(const MD3Layout& m) {
  Out o;
  // Header offsets are written as garbage on purpose: the reader must not use them.
  o.fixed(m.ident, 4).s32(m.version).fixed("model", 64).s32(0);
  o.s32(m.frames).s32(m.tags).s32(static_cast<int32_t>(m.surfaces.size())).s32(0);
  o.s32(-1).s32(-1).s32(-1).s32(-1);
  for (int32_t f = 0; f < m.frames; ++f) {
    o.f32(-1).f32(-1).f32(-1).f32(1).f32(1).f32(1).f32(0).f32(0).f32(0).f32(2);
    o.fixed("frame" + std::to_string(f), 16);
  }
  for (int32_t i = 0; i < m.frames * m.tags; ++i) {
    o.fixed("tag_" + std::to_string(i), 64);
    for (int k = 0; k < 12; ++k) o.f32(static_cast<float>(k));
  }
  for (const MD3Surface& s : m.surfaces) o.raw(SurfaceBytes(s));
  return o;
}

}  // namespace modelwriter
