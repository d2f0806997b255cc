#include "import/model_handback.h"

#include <cmath>
#include <cstring>

namespace {

constexpr char kMagic[8] = {'F', 'M', 'H', 'B', '0', '0', '0', '1'};

class TWriter {
 public:
  explicit TWriter(std::string& out) : out_(out) {}
  void U32(uint32_t v) { Bytes(&v, 4); }
  void I32(int32_t v) { Bytes(&v, 4); }
  void Text(const std::string& s) {
    U32(static_cast<uint32_t>(s.size()));
    Bytes(s.data(), s.size());
  }
  template <class T>
  void Array(const std::vector<T>& v) {
    U32(static_cast<uint32_t>(v.size()));
    Bytes(v.data(), v.size() * sizeof(T));
  }
  void Bytes(const void* p, size_t n) { out_.append(static_cast<const char*>(p), n); }

 private:
  std::string& out_;
};

class TReader {
 public:
  explicit TReader(const std::string& data) : data_(data) {}
  void Bytes(void* p, size_t n) {
    if (n > data_.size() - at_) throw EHandbackError("the model data ends early");
    if (n) std::memcpy(p, data_.data() + at_, n);
    at_ += n;
  }
  uint32_t U32() {
    uint32_t v;
    Bytes(&v, 4);
    return v;
  }
  int32_t I32() {
    int32_t v;
    Bytes(&v, 4);
    return v;
  }
  std::string Text() {
    const uint32_t n = U32();
    if (n > data_.size() - at_) throw EHandbackError("the model data ends early");
    std::string s(data_, at_, n);
    at_ += n;
    return s;
  }
  // An array of n elements, n checked against what is left before anything is allocated.
  template <class T>
  std::vector<T> Array() {
    const uint32_t n = U32();
    if (n > (data_.size() - at_) / sizeof(T)) throw EHandbackError("the model data ends early");
    std::vector<T> v(n);
    Bytes(v.data(), n * sizeof(T));
    return v;
  }
  bool AtEnd() const { return at_ == data_.size(); }

 private:
  const std::string& data_;
  size_t at_ = 0;
};

void RequireFinite(const std::vector<float>& values) {
  for (float v : values) {
    if (!std::isfinite(v)) throw EHandbackError("the model has a coordinate that is not a number");
  }
}

void CheckMesh(const THandbackMesh& m, size_t materials) {
  if (m.Positions.size() % 3) throw EHandbackError("a mesh has a partial vertex");
  const size_t n = m.VertexCount();
  if (!m.Normals.empty() && m.Normals.size() != 3 * n)
    throw EHandbackError("a mesh's normals do not match its vertices");
  if (!m.TexCoords.empty() && m.TexCoords.size() != 2 * n)
    throw EHandbackError("a mesh's texture coordinates do not match its vertices");
  if (!m.Colors.empty() && m.Colors.size() != n)
    throw EHandbackError("a mesh's colours do not match its vertices");
  if (m.Indices.size() % 3) throw EHandbackError("a mesh has a partial triangle");
  for (uint32_t i : m.Indices) {
    if (i >= n) throw EHandbackError("a triangle names a vertex its mesh does not have");
  }
  if (m.Material >= materials) throw EHandbackError("a mesh names a material the model lacks");
  if (m.NodeMeshCount == 0) throw EHandbackError("a mesh's node draws no mesh");
  RequireFinite(m.Positions);
  RequireFinite(m.Normals);
  RequireFinite(m.TexCoords);
}

}  // namespace

void WriteHandback(const THandbackModel& model, std::string& out) {
  TWriter w(out);
  w.Bytes(kMagic, sizeof kMagic);
  w.I32(model.UpAxis);
  w.I32(model.UpSign);
  w.U32(static_cast<uint32_t>(model.Textures.size()));
  for (const THandbackTexture& t : model.Textures) {
    w.Text(t.FormatHint);
    w.Text(t.Name);
    w.U32(t.Raw ? 1 : 0);
    w.U32(t.Width);
    w.U32(t.Height);
    w.Array(t.Bytes);
  }
  w.U32(static_cast<uint32_t>(model.Materials.size()));
  for (const THandbackMaterial& m : model.Materials) {
    w.U32(m.Diffuse);
    w.Bytes(&m.Opacity, 4);
    w.U32((m.TwoSided ? 1u : 0u) | (m.IsDefault ? 2u : 0u));
    w.Text(m.TextureFile);
    w.I32(m.EmbeddedTexture);
  }
  w.U32(static_cast<uint32_t>(model.Meshes.size()));
  for (const THandbackMesh& m : model.Meshes) {
    w.Text(m.NodeName);
    w.Text(m.MeshName);
    w.U32(m.NodeMeshCount);
    w.U32(m.Material);
    w.Array(m.Positions);
    w.Array(m.Normals);
    w.Array(m.TexCoords);
    w.Array(m.Colors);
    w.Array(m.Indices);
  }
}

THandbackModel ReadHandback(const std::string& data) {
  TReader r(data);
  char magic[sizeof kMagic];
  r.Bytes(magic, sizeof magic);
  if (std::memcmp(magic, kMagic, sizeof magic) != 0) throw EHandbackError("not model data");
  THandbackModel model;
  model.UpAxis = r.I32();
  model.UpSign = r.I32();
  if (model.UpAxis < -1 || model.UpAxis > 2 || (model.UpSign != 1 && model.UpSign != -1))
    throw EHandbackError("the model's up axis is not an axis");
  // Each element takes at least four bytes, so no count can outgrow the data.
  const uint32_t textures = r.U32();
  if (textures > data.size() / 4) throw EHandbackError("the model data ends early");
  for (uint32_t i = 0; i < textures; ++i) {
    THandbackTexture t;
    t.FormatHint = r.Text();
    t.Name = r.Text();
    const uint32_t raw = r.U32();
    if (raw > 1) throw EHandbackError("an embedded texture has an unknown form");
    t.Raw = raw == 1;
    t.Width = r.U32();
    t.Height = r.U32();
    t.Bytes = r.Array<uint8_t>();
    if (t.Raw && uint64_t{t.Width} * t.Height * 4 != t.Bytes.size())
      throw EHandbackError("an embedded texture's pixels do not match its size");
    model.Textures.push_back(std::move(t));
  }
  const uint32_t materials = r.U32();
  if (materials > data.size() / 4) throw EHandbackError("the model data ends early");
  for (uint32_t i = 0; i < materials; ++i) {
    THandbackMaterial m;
    m.Diffuse = r.U32();
    r.Bytes(&m.Opacity, 4);
    if (!(m.Opacity >= 0 && m.Opacity <= 1))
      throw EHandbackError("a material's opacity is out of range");
    const uint32_t flags = r.U32();
    if (flags > 3) throw EHandbackError("a material has unknown flags");
    m.TwoSided = flags & 1;
    m.IsDefault = flags & 2;
    m.TextureFile = r.Text();
    m.EmbeddedTexture = r.I32();
    if (m.EmbeddedTexture < -1 || m.EmbeddedTexture >= static_cast<int64_t>(textures))
      throw EHandbackError("a material names an embedded texture the model lacks");
    model.Materials.push_back(std::move(m));
  }
  const uint32_t meshes = r.U32();
  if (meshes > data.size() / 4) throw EHandbackError("the model data ends early");
  for (uint32_t i = 0; i < meshes; ++i) {
    THandbackMesh m;
    m.NodeName = r.Text();
    m.MeshName = r.Text();
    m.NodeMeshCount = r.U32();
    m.Material = r.U32();
    m.Positions = r.Array<float>();
    m.Normals = r.Array<float>();
    m.TexCoords = r.Array<float>();
    m.Colors = r.Array<uint32_t>();
    m.Indices = r.Array<uint32_t>();
    CheckMesh(m, model.Materials.size());
    model.Meshes.push_back(std::move(m));
  }
  if (!r.AtEnd()) throw EHandbackError("the model data goes on after its end");
  return model;
}
