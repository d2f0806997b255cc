#include "scene/mesh_data.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>
#include <limits>

#include "core/property_registry.h"
#include "core/stream.h"
#include "scene/text_forms.h"

static_assert(std::endian::native == std::endian::little,
              "the stored mesh form is little-endian and copied as is");

namespace {

constexpr float TgkMeshVertex::*kPositionFields[] = {&TgkMeshVertex::X, &TgkMeshVertex::Y,
                                                     &TgkMeshVertex::Z};
constexpr float TgkMeshVertex::*kNormalFields[] = {&TgkMeshVertex::NX, &TgkMeshVertex::NY,
                                                   &TgkMeshVertex::NZ};
constexpr float TgkMeshVertex::*kTexFields[] = {&TgkMeshVertex::TU, &TgkMeshVertex::TV};

std::string FieldsText(const std::vector<TgkMeshVertex>& vertices, int count,
                       float TgkMeshVertex::*const* fields) {
  std::string text;
  for (const TgkMeshVertex& v : vertices) {
    for (int i = 0; i < count; ++i) {
      if (i > 0) text += ' ';
      text += FloatToText(v.*fields[i]);
    }
    text += "  ";
  }
  return text;
}

constexpr const char* kCountMismatch = "Invalid mesh data: a count does not match the stored data";

int32_t ReadCount(TStream& stream, size_t record_size) {
  int32_t count = 0;
  stream.ReadBuffer(&count, sizeof count);
  if (count < 0 ||
      static_cast<uint64_t>(count) * record_size > static_cast<uint64_t>(stream.Remaining())) {
    throw EStreamError(kCountMismatch);
  }
  return count;
}

}  // namespace

void TgkMeshData::NotifyChange() {
  Changed = true;
  if (OnChange) OnChange();
}

void TgkMeshData::Assign(const TgkMeshData& source) {
  if (&source != this) {
    Vertices = source.Vertices;
    Indices = source.Indices;
    Colors = source.Colors;
  }
  NotifyChange();
}

void TgkMeshData::CalcNormals() {
  const size_t n = Vertices.size();
  for (uint32_t i : Indices) {
    if (i < n) Vertices[i].NX = Vertices[i].NY = Vertices[i].NZ = 0;
  }
  const size_t triangles = Indices.size() / 3;
  for (size_t t = 0; t < triangles; ++t) {
    const uint32_t i0 = Indices[3 * t], i1 = Indices[3 * t + 1], i2 = Indices[3 * t + 2];
    if (i0 >= n || i1 >= n || i2 >= n) continue;
    auto pos = [&](uint32_t i) {
      const TgkMeshVertex& v = Vertices[i];
      return MakeVector(v.X, v.Y, v.Z, 1);
    };
    const TgkVector normal = CalcPlaneNormal(pos(i2), pos(i1), pos(i0));
    for (uint32_t i : {i0, i1, i2}) {
      Vertices[i].NX += normal.X;
      Vertices[i].NY += normal.Y;
      Vertices[i].NZ += normal.Z;
    }
  }
}

std::string TgkMeshData::Points() const {
  return FieldsText(Vertices, 3, kPositionFields);
}
std::string TgkMeshData::Normals() const {
  return FieldsText(Vertices, 3, kNormalFields);
}
std::string TgkMeshData::TexCoordinates() const {
  return FieldsText(Vertices, 2, kTexFields);
}

std::string TgkMeshData::TriangleIndices() const {
  std::string text;
  for (size_t i = 0; i < Indices.size(); ++i) {
    text += std::to_string(Indices[i]);
    text += ' ';
    if (i % 3 == 2) text += ' ';
  }
  return text;
}

void TgkMeshData::SetVertexFields(std::string_view text, int field_count,
                                  float TgkMeshVertex::*const* fields) {
  size_t pos = 0;
  size_t visited = 0;
  while (pos < text.size()) {
    ++visited;
    if (visited > Vertices.size()) Vertices.resize(visited);
    TgkMeshVertex& v = Vertices[visited - 1];
    for (int f = 0; f < field_count; ++f) {
      const std::string token = ReadToken(pos, text, " ,");
      try {
        v.*fields[f] = TextToFloat(token);
      } catch (const EConvertError&) {
        // Editing text may hold typing mistakes; the field keeps its value.
      }
    }
  }
  Vertices.resize(visited);
  NotifyChange();
}

void TgkMeshData::SetPoints(std::string_view text) {
  SetVertexFields(text, 3, kPositionFields);
}
void TgkMeshData::SetNormals(std::string_view text) {
  SetVertexFields(text, 3, kNormalFields);
}
void TgkMeshData::SetTexCoordinates(std::string_view text) {
  SetVertexFields(text, 2, kTexFields);
}

void TgkMeshData::SetTriangleIndices(std::string_view text) {
  size_t pos = 0;
  size_t visited = 0;
  while (pos < text.size()) {
    ++visited;
    if (visited > Indices.size()) Indices.resize(visited);
    const std::string token = ReadToken(pos, text, " ");
    int64_t value = -1;
    auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
    const bool whole = ec == std::errc() && end == token.data() + token.size();
    // An index beyond 32 bits would silently wrap to another vertex; skip it instead.
    if (whole && value >= 0 && value <= std::numeric_limits<uint32_t>::max()) {
      Indices[visited - 1] = static_cast<uint32_t>(value);
    }
  }
  Indices.resize(visited);
  NotifyChange();
}

void TgkMeshData::WriteMesh(TStream& stream) const {
  const int32_t n = static_cast<int32_t>(Vertices.size());
  stream.WriteBuffer(&n, sizeof n);
  if (n > 0) stream.WriteBuffer(Vertices.data(), Vertices.size() * sizeof(TgkMeshVertex));
  const int32_t m = static_cast<int32_t>(Indices.size());
  const bool wide = std::any_of(Indices.begin(), Indices.end(), [](uint32_t i) {
    return i > std::numeric_limits<uint16_t>::max();
  });
  if (wide) {
    // Negated count, 32-bit indices: data that older readers refuse rather than misread.
    const int32_t marked = -m;
    stream.WriteBuffer(&marked, sizeof marked);
    stream.WriteBuffer(Indices.data(), Indices.size() * sizeof(uint32_t));
    return;
  }
  // Indices that fit 16 bits keep the form every reader knows.
  stream.WriteBuffer(&m, sizeof m);
  if (m > 0) {
    const std::vector<uint16_t> narrow(Indices.begin(), Indices.end());
    stream.WriteBuffer(narrow.data(), narrow.size() * sizeof(uint16_t));
  }
}

void TgkMeshData::ReadMesh(TStream& stream) {
  const int32_t n = ReadCount(stream, sizeof(TgkMeshVertex));
  std::vector<TgkMeshVertex> vertices(static_cast<size_t>(n));
  if (n > 0) stream.ReadBuffer(vertices.data(), vertices.size() * sizeof(TgkMeshVertex));
  int32_t stored = 0;
  stream.ReadBuffer(&stored, sizeof stored);
  // A negative count marks 32-bit indices (see WriteMesh).
  const bool wide = stored < 0;
  const size_t index_size = wide ? sizeof(uint32_t) : sizeof(uint16_t);
  const uint64_t m =
      wide ? uint64_t{0} - static_cast<uint64_t>(int64_t{stored}) : static_cast<uint64_t>(stored);
  if (m * index_size > static_cast<uint64_t>(stream.Remaining())) {
    throw EStreamError(kCountMismatch);
  }
  std::vector<uint32_t> indices(static_cast<size_t>(m));
  if (wide) {
    if (m > 0) stream.ReadBuffer(indices.data(), indices.size() * sizeof(uint32_t));
  } else if (m > 0) {
    std::vector<uint16_t> narrow(static_cast<size_t>(m));
    stream.ReadBuffer(narrow.data(), narrow.size() * sizeof(uint16_t));
    std::copy(narrow.begin(), narrow.end(), indices.begin());
  }
  Vertices = std::move(vertices);
  Indices = std::move(indices);
  Colors.clear();
  NotifyChange();
}

void TgkMeshData::Assign(const TPersistent& source) {
  if (auto* mesh = dynamic_cast<const TgkMeshData*>(&source)) {
    Assign(*mesh);
  } else {
    inherited::Assign(source);
  }
}

void TgkMeshData::DefineProperties(TFiler& filer) {
  filer.DefineBinaryProperty(
      "Mesh", [this](TStream& s) { ReadMesh(s); }, [this](TStream& s) { WriteMesh(s); },
      HasStoredMesh());
}

// The text forms serve editing only; the binary "Mesh" property is what is stored.
FM_REGISTER_CLASS(TgkMeshData) {
  c.String("Points", &TgkMeshData::Points, &TgkMeshData::SetPoints).NotStored();
  c.String("Normals", &TgkMeshData::Normals, &TgkMeshData::SetNormals).NotStored();
  c.String("TexCoordinates", &TgkMeshData::TexCoordinates, &TgkMeshData::SetTexCoordinates)
      .NotStored();
  c.String("TriangleIndices", &TgkMeshData::TriangleIndices, &TgkMeshData::SetTriangleIndices)
      .NotStored();
}
