// Records the 3DS reader hands out: one mesh or one material of the file, as stored.
// Names are the file's bytes (its own code page); see name_text.h for display.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TPoint3DS {
  float X = 0, Y = 0, Z = 0;
};

struct TTexVert3DS {
  float U = 0, V = 0;
};

struct TFace3DS {
  uint16_t V1 = 0, V2 = 0, V3 = 0, Flags = 0;
};

struct TColor3DS {
  float R = 0, G = 0, B = 0;
};

// One material group of a mesh: the faces that use the named material.
struct TObjMat3DS {
  std::string Name;
  std::vector<uint16_t> FaceIndices;
  uint16_t FaceCount() const { return static_cast<uint16_t>(FaceIndices.size()); }
};

struct TMapping3DS {
  uint16_t MapType = 0;
  float TileX = 1, TileY = 1;
  TPoint3DS IconPos;
  float IconScaling = 1;
  float XMatrix[12] = {};
  float PlanarWidth = 1, PlanarHeight = 1, CylinderHeight = 1;
};

struct TMesh3DS {
  std::string Name;
  bool Hidden = false;
  bool IsVisLofter = false, IsMatte = false, IsNoCast = false, IsFast = false, IsNoRcvShad = false,
       IsFrozen = false;
  std::vector<TPoint3DS> Vertices;
  std::vector<uint16_t> VertexFlags;
  std::vector<TTexVert3DS> TexCoords;
  bool HasMapping = false;
  TMapping3DS Map;
  float LocalMatrix[12] = {};
  std::vector<TFace3DS> Faces;
  std::vector<uint32_t> SmoothingGroups;  // one bit set per face, may be shorter than Faces
  bool HasBoxMap = false;
  std::string BoxMap[6];
  uint8_t MeshColor = 0;
  std::vector<TObjMat3DS> MaterialGroups;
  bool UseProc = false;
  uint32_t ProcSize = 0;
  std::string ProcName;
  std::vector<uint8_t> ProcData;

  uint16_t VertexCount() const { return static_cast<uint16_t>(Vertices.size()); }
  uint16_t VertexFlagCount() const { return static_cast<uint16_t>(VertexFlags.size()); }
  uint16_t TexCoordCount() const { return static_cast<uint16_t>(TexCoords.size()); }
  uint16_t FaceCount() const { return static_cast<uint16_t>(Faces.size()); }
  uint16_t MaterialGroupCount() const { return static_cast<uint16_t>(MaterialGroups.size()); }
};

// A texture or mask bitmap of a material with its recorded map parameters.
struct TBitmap3DS {
  std::string Name;
  float Percent = 0;
  uint16_t Tiling = 0;
  float Blur = 0;
  float UScale = 1, VScale = 1, UOffset = 0, VOffset = 0, Rotation = 0;
  TColor3DS Tint1;
  TColor3DS Tint2{1, 1, 1};
  TColor3DS RedTint{1, 0, 0};
  TColor3DS GreenTint{0, 1, 0};
  TColor3DS BlueTint{0, 0, 1};
};

struct TMapSet3DS {
  TBitmap3DS Map;
  TBitmap3DS Mask;
};

// Automatic reflection parameters (0xA310).
struct TAutoReflMap3DS {
  uint8_t Shade = 0, AntiAlias = 0;
  uint16_t Flags = 0;
  int32_t Size = 100;
  int32_t FrameStep = 1;
};

struct TRMapSet3DS {
  TBitmap3DS Map;
  TAutoReflMap3DS AutoMap;
  TBitmap3DS Mask;
};

// Procedure data chunk of a map or mask, kept by id.
struct TMapProcedure3DS {
  uint16_t ChunkId = 0;
  std::vector<uint8_t> Data;
};

struct TMaterial3DS {
  std::string Name;
  TColor3DS Ambient, Diffuse, Specular;
  float Shininess = 0, ShinStrength = 0, Transparency = 0, TransFalloff = 0, RefBlur = 0,
        SelfIllumPct = 0;
  bool SelfIllum = false, TwoSided = false, Additive = false, UseWire = false, UseWireAbs = false,
       FaceMap = false, TransFalloffIn = false, Soften = false, UseTransFalloff = false,
       UseRefBlur = false;
  float WireSize = 1;
  int16_t Shading = 3;
  TMapSet3DS Texture, Texture2, Opacity, Bump, SpecMap, ShinMap, IllumMap;
  TRMapSet3DS Reflect;
  std::vector<TMapProcedure3DS> Procedures;
};
