// The model a reader process hands back to Facetmint: meshes as the file's nodes draw them
// (node transform applied), their materials and the textures embedded in the file, in a
// compact binary form. The reading side treats the bytes as untrusted: every count is
// checked against what is left, every index against its array, every number for finiteness.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// The data is not a well-formed hand-back (what is wrong in the message).
class EHandbackError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct THandbackMesh {
  std::string NodeName;  // UTF-8, as the file has them
  std::string MeshName;
  uint32_t NodeMeshCount = 1;     // how many meshes the node draws
  uint32_t Material = 0;          // index into THandbackModel::Materials
  std::vector<float> Positions;   // x, y, z per vertex, in the file's axes
  std::vector<float> Normals;     // empty, or x, y, z per vertex
  std::vector<float> TexCoords;   // empty, or u, v per vertex (v up, as the file has it)
  std::vector<uint32_t> Colors;   // empty, or ARGB per vertex
  std::vector<uint32_t> Indices;  // three per triangle
  size_t VertexCount() const { return Positions.size() / 3; }
};

struct THandbackMaterial {
  uint32_t Diffuse = 0xFFB3B3B3;  // ARGB, alpha 0xFF
  float Opacity = 1;              // 0 ... 1
  bool TwoSided = false;
  // The reader's stand-in for a file without materials: its colour is not the file's.
  bool IsDefault = false;
  // The base colour or diffuse texture: a file name as the model writes it, or an embedded
  // texture (EmbeddedTexture >= 0).
  std::string TextureFile;
  int32_t EmbeddedTexture = -1;
};

struct THandbackTexture {
  std::string FormatHint;  // "png", "jpg", "ktx2" ... as the file says, may be empty
  std::string Name;        // the file's name for it, may be empty
  // Compressed: the image file's bytes. Raw: Width x Height pixels, ARGB.
  bool Raw = false;
  uint32_t Width = 0, Height = 0;
  std::vector<uint8_t> Bytes;
};

struct THandbackModel {
  // The file's up axis: 0 x, 1 y, 2 z, and its sign; -1 when the file declares none (the
  // reader passes on what the file says; Facetmint decides by format, ChooseUpAxis).
  int UpAxis = -1;
  int UpSign = 1;
  std::vector<THandbackMesh> Meshes;
  std::vector<THandbackMaterial> Materials;
  std::vector<THandbackTexture> Textures;
};

// Appends the model to out.
void WriteHandback(const THandbackModel& model, std::string& out);
// Raises EHandbackError for anything that is not exactly what WriteHandback writes.
THandbackModel ReadHandback(const std::string& data);
