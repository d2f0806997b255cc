// TgkMeshData: the triangle mesh a shape hands to the render canvas. Vertices lie in the
// shape's unit box (the canvas stretches them by the shape's size); indices are 32-bit,
// three per triangle, so a mesh of any size a model file can hold stays one mesh.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/persistent.h"
#include "scene/math.h"

class TStream;

class TgkMeshData : public TPersistent {
  FM_CLASS(TgkMeshData, TPersistent)

 public:
  TgkMeshData() = default;

  // Filled directly by the model builders and the fixed shapes; call NotifyChange after.
  std::vector<TgkMeshVertex> Vertices;
  std::vector<uint32_t> Indices;
  // Per-vertex colours (straight ARGB) that multiply the material's colour, one per vertex,
  // or empty for none (models whose files colour their vertices). Not part of the stored
  // form.
  std::vector<uint32_t> Colors;
  // Set after every change made through the operations below.
  bool Changed = false;
  // Fired after Assign, after each text setter and after reading the binary form.
  std::function<void()> OnChange;

  int VertexCount() const { return static_cast<int>(Vertices.size()); }
  int IndexCount() const { return static_cast<int>(Indices.size()); }
  // Complete triangles of the index list.
  int TriangleCount() const { return IndexCount() / 3; }
  bool IsEmpty() const { return Vertices.empty() || Indices.empty(); }

  // Copies both arrays and fires OnChange.
  void Assign(const TgkMeshData& source);
  void Assign(const TPersistent& source) override;
  // The binary property "Mesh".
  void DefineProperties(TFiler& filer) override;
  void NotifyChange();

  // Every vertex an index names gets the sum of the unit normals of the triangles that name
  // it (not normalised again). Triangles naming a missing vertex are left out.
  void CalcNormals();

  // Editing forms: numbers in the streaming text form, "x y z  " per vertex.
  std::string Points() const;
  std::string Normals() const;
  std::string TexCoordinates() const;   // "u v  " per vertex
  std::string TriangleIndices() const;  // "i " per index, one more blank after each third
  // Reading fills vertex k from the k-th group of numbers (separated by blanks or commas),
  // growing the array as needed and cutting it to the number of groups read; a token that
  // is not a number is skipped and leaves its field as it was.
  void SetPoints(std::string_view text);
  void SetNormals(std::string_view text);
  void SetTexCoordinates(std::string_view text);
  // Blank-separated integers; tokens that are not an index in 0 .. 4294967295 are skipped.
  void SetTriangleIndices(std::string_view text);

  // The binary stored form "Mesh": int32 vertex count, the 32-byte vertices, int32 index
  // count, the 16-bit indices, all little-endian. Stored only when there is a vertex. When
  // an index does not fit 16 bits the index count is stored negated and the indices as
  // 32-bit values: older readers reject a negative count instead of misreading the data.
  bool HasStoredMesh() const { return !Vertices.empty(); }
  void WriteMesh(TStream& stream) const;
  // Replaces both arrays; raises EStreamError on truncated or inconsistent data and then
  // leaves the mesh as it was.
  void ReadMesh(TStream& stream);

 private:
  void SetVertexFields(std::string_view text, int field_count, float TgkMeshVertex::*const* fields);
};
