// Reader of Quake 3 model files (.md3): loads the whole model into records. Every block
// the header and the surface headers name (frames, tags, surface headers, shaders,
// triangles, texture coordinates, vertices) must lie wholly inside the file: a file cut
// short or pointing outside itself is an error, never a model of zeros. A file without
// frames or surfaces is an error too. What the counts make the reader allocate may exceed
// the file's own size by at most kMD3AllocationSlack bytes in all (surfaces may share
// their blocks).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/stream.h"

// The reader's error; its message is meant for the user and names the damaged part.
class EAssertionFailed : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr int64_t kMD3AllocationSlack = int64_t{64} << 20;

struct TMD3Vector {
  float X = 0, Y = 0, Z = 0;
};

struct TMD3Header {
  char Ident[4] = {};
  int32_t Version = 0;
  char Name[64] = {};
  int32_t Flags = 0;
  int32_t NumFrames = 0;
  int32_t NumTags = 0;
  int32_t NumSurfaces = 0;
  int32_t NumSkins = 0;
  int32_t OfsFrames = 0;
  int32_t OfsTags = 0;
  int32_t OfsSurfaces = 0;
  int32_t OfsEnd = 0;
};

struct TMD3Frame {
  TMD3Vector MinBounds, MaxBounds, LocalOrigin;
  float Radius = 0;
  char Name[16] = {};
};

struct TMD3Tag {
  char Name[64] = {};
  TMD3Vector Origin;
  TMD3Vector Axis[3];
};

struct TMD3Shader {
  char Name[64] = {};
  int32_t ShaderIndex = 0;
};

struct TMD3Triangle {
  int32_t Indexes[3] = {};
};

struct TMD3TexCoord {
  float S = 0, T = 0;
};

struct TMD3Vertex {
  int16_t X = 0, Y = 0, Z = 0;
  uint8_t Normal[2] = {};  // longitude byte, then latitude byte
};

struct TMD3MeshData {
  char Ident[4] = {};
  char Name[64] = {};
  int32_t Flags = 0;
  int32_t NumFrames = 0;
  int32_t NumShaders = 0;
  int32_t NumVerts = 0;
  int32_t NumTriangles = 0;
  int32_t OfsTriangles = 0;
  int32_t OfsShaders = 0;
  int32_t OfsSt = 0;
  int32_t OfsXyzNormal = 0;
  int32_t OfsEnd = 0;
  std::vector<TMD3Shader> Shaders;
  std::vector<TMD3Triangle> Triangles;
  std::vector<TMD3TexCoord> TexCoords;
  std::vector<TMD3Vertex> Vertices;  // NumFrames x NumVerts, frame after frame
};

class TFileMD3 {
 public:
  TFileMD3() = default;
  TFileMD3(const TFileMD3&) = delete;
  TFileMD3& operator=(const TFileMD3&) = delete;

  // Reads the model from the stream's current position.
  void LoadFromStream(TStream& stream);

  // How much the counts may make the reader allocate beyond the file's own size.
  int64_t AllocationSlack = kMD3AllocationSlack;

  TMD3Header Header;
  std::vector<TMD3Frame> Frames;
  std::vector<TMD3Tag> Tags;
  std::vector<TMD3MeshData> Surfaces;
};

// A fixed-size name field up to its first zero byte.
std::string MD3Name(const char* field, size_t size);
