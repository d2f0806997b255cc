// Chunk ids of the 3D Studio file format that the reader looks at by name.
#pragma once

#include <cstdint>

namespace chunk3ds {

inline constexpr uint16_t kColorF = 0x0010;
inline constexpr uint16_t kColor24 = 0x0011;
inline constexpr uint16_t kLinColor24 = 0x0012;
inline constexpr uint16_t kIntPercentage = 0x0030;
inline constexpr uint16_t kFloatPercentage = 0x0031;

inline constexpr uint16_t kMeshData = 0x3D3D;
inline constexpr uint16_t kMaterialLibrary = 0x3DAA;
inline constexpr uint16_t kProjectFile = 0xC23D;
inline constexpr uint16_t kMeshFile = 0x4D4D;

inline constexpr uint16_t kNamedObject = 0x4000;
inline constexpr uint16_t kObjHidden = 0x4010;
inline constexpr uint16_t kObjVisLofter = 0x4011;
inline constexpr uint16_t kObjDoesntCast = 0x4012;
inline constexpr uint16_t kObjMatte = 0x4013;
inline constexpr uint16_t kObjFast = 0x4014;
inline constexpr uint16_t kObjProcedural = 0x4015;
inline constexpr uint16_t kObjFrozen = 0x4016;
inline constexpr uint16_t kObjDontRcvShadow = 0x4017;
inline constexpr uint16_t kTriMesh = 0x4100;
inline constexpr uint16_t kPointArray = 0x4110;
inline constexpr uint16_t kPointFlagArray = 0x4111;
inline constexpr uint16_t kFaceArray = 0x4120;
inline constexpr uint16_t kMshMatGroup = 0x4130;
inline constexpr uint16_t kTexVerts = 0x4140;
inline constexpr uint16_t kSmoothGroup = 0x4150;
inline constexpr uint16_t kMeshMatrix = 0x4160;
inline constexpr uint16_t kMeshColor = 0x4165;
inline constexpr uint16_t kMeshTextureInfo = 0x4170;
inline constexpr uint16_t kProcName = 0x4181;
inline constexpr uint16_t kProcData = 0x4182;
inline constexpr uint16_t kMshBoxMap = 0x4190;

inline constexpr uint16_t kAppData = 0x8001;

inline constexpr uint16_t kMatEntry = 0xAFFF;
inline constexpr uint16_t kMatName = 0xA000;
inline constexpr uint16_t kMatAmbient = 0xA010;
inline constexpr uint16_t kMatDiffuse = 0xA020;
inline constexpr uint16_t kMatSpecular = 0xA030;
inline constexpr uint16_t kMatShininess = 0xA040;
inline constexpr uint16_t kMatShin2Pct = 0xA041;
inline constexpr uint16_t kMatShin3Pct = 0xA042;
inline constexpr uint16_t kMatTransparency = 0xA050;
inline constexpr uint16_t kMatXpFall = 0xA052;
inline constexpr uint16_t kMatRefBlur = 0xA053;
inline constexpr uint16_t kMatTwoSide = 0xA081;
inline constexpr uint16_t kMatSelfIllum = 0xA080;
inline constexpr uint16_t kMatDecal = 0xA082;
inline constexpr uint16_t kMatAdditive = 0xA083;
inline constexpr uint16_t kMatSelfIlPct = 0xA084;
inline constexpr uint16_t kMatWire = 0xA085;
inline constexpr uint16_t kMatWireSize = 0xA087;
inline constexpr uint16_t kMatFaceMap = 0xA088;
inline constexpr uint16_t kMatXpFallIn = 0xA08A;
inline constexpr uint16_t kMatPhongSoft = 0xA08C;
inline constexpr uint16_t kMatWireAbs = 0xA08E;
inline constexpr uint16_t kMatShading = 0xA100;
inline constexpr uint16_t kMatTexMap = 0xA200;
inline constexpr uint16_t kMatSpecMap = 0xA204;
inline constexpr uint16_t kMatOpacMap = 0xA210;
inline constexpr uint16_t kMatReflMap = 0xA220;
inline constexpr uint16_t kMatBumpMap = 0xA230;
inline constexpr uint16_t kMatUseXpFall = 0xA240;
inline constexpr uint16_t kMatUseRefBlur = 0xA250;
inline constexpr uint16_t kMatBumpPercent = 0xA252;
inline constexpr uint16_t kMatMapName = 0xA300;
inline constexpr uint16_t kMatAcubic = 0xA310;
inline constexpr uint16_t kMatTex2Map = 0xA33A;
inline constexpr uint16_t kMatShinMap = 0xA33C;
inline constexpr uint16_t kMatSelfIMap = 0xA33D;
inline constexpr uint16_t kMatTexMask = 0xA33E;
inline constexpr uint16_t kMatTex2Mask = 0xA340;
inline constexpr uint16_t kMatOpacMask = 0xA342;
inline constexpr uint16_t kMatBumpMask = 0xA344;
inline constexpr uint16_t kMatShinMask = 0xA346;
inline constexpr uint16_t kMatSpecMask = 0xA348;
inline constexpr uint16_t kMatSelfIMask = 0xA34A;
inline constexpr uint16_t kMatReflMask = 0xA34C;
inline constexpr uint16_t kMatMapTiling = 0xA351;
inline constexpr uint16_t kMatMapTexBlur = 0xA353;
inline constexpr uint16_t kMatMapUScale = 0xA354;
inline constexpr uint16_t kMatMapVScale = 0xA356;
inline constexpr uint16_t kMatMapUOffset = 0xA358;
inline constexpr uint16_t kMatMapVOffset = 0xA35A;
inline constexpr uint16_t kMatMapAng = 0xA35C;
inline constexpr uint16_t kMatMapCol1 = 0xA360;
inline constexpr uint16_t kMatMapCol2 = 0xA362;
inline constexpr uint16_t kMatMapRCol = 0xA364;
inline constexpr uint16_t kMatMapGCol = 0xA366;
inline constexpr uint16_t kMatMapBCol = 0xA368;

inline constexpr uint16_t kKfData = 0xB000;
inline constexpr uint16_t kNodeHdr = 0xB010;
inline constexpr uint16_t kInstanceName = 0xB011;
inline constexpr uint16_t kNodeId = 0xB030;
inline constexpr uint16_t kParentName = 0x80F0;

}  // namespace chunk3ds
