#include "import/file_3ds.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <unordered_map>

#include "import/chunk_ids_3ds.h"

using namespace chunk3ds;

namespace {

// The key under which names equal without regard to ASCII letter case meet.
std::string UpperAscii(const std::string& text) {
  std::string key = text;
  for (char& c : key) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return key;
}

// A byte b as the float nearest to b / 255.
float ByteColor(uint8_t b) {
  return static_cast<float>(b / 255.0);
}

TColor3DS ReadColor24(TChunkReader3DS& r) {
  TColor3DS c;
  c.R = ByteColor(r.U8());
  c.G = ByteColor(r.U8());
  c.B = ByteColor(r.U8());
  return c;
}

template <typename T>
std::vector<T> ReadRecords(TChunkReader3DS& r, size_t count, size_t record_size,
                           void (*decode)(const uint8_t*, T&)) {
  std::vector<uint8_t> bytes = r.Bytes(static_cast<int64_t>(count * record_size));
  std::vector<T> records(count);
  for (size_t i = 0; i < count; ++i) decode(bytes.data() + i * record_size, records[i]);
  return records;
}

void DecodePoint(const uint8_t* p, TPoint3DS& v) {
  v.X = LoadF32(p);
  v.Y = LoadF32(p + 4);
  v.Z = LoadF32(p + 8);
}

void DecodeTexVert(const uint8_t* p, TTexVert3DS& t) {
  t.U = LoadF32(p);
  t.V = LoadF32(p + 4);
}

void DecodeFace(const uint8_t* p, TFace3DS& f) {
  f.V1 = LoadU16(p);
  f.V2 = LoadU16(p + 2);
  f.V3 = LoadU16(p + 4);
  f.Flags = LoadU16(p + 6);
}

void DecodeU16(const uint8_t* p, uint16_t& v) {
  v = LoadU16(p);
}

void DecodeU32(const uint8_t* p, uint32_t& v) {
  v = LoadU32(p);
}

// Runs a step of the reader; an allocation failure becomes the reader's own error, so
// that no library exception text reaches the user.
template <typename Step>
decltype(auto) WithMemoryError(Step&& step) {
  try {
    return step();
  } catch (const std::bad_alloc&) {
    throw E3DSError(error3ds::kNoMemory);
  } catch (const std::length_error&) {
    throw E3DSError(error3ds::kNoMemory);
  }
}

}  // namespace

TFile3DS::TFile3DS() : objects_(*this), materials_(*this) {}

void TFile3DS::LoadFromStream(TStream& stream) {
  objects_.Clear();
  materials_.Clear();
  object_index_.clear();
  material_index_.clear();
  parent_names_.clear();
  objects_indexed_ = materials_indexed_ = false;
  tree_.Clear();
  file_name_.clear();
  stream_ = &stream;
  WithMemoryError([&] {
    tree_.Parse(stream);
    if (tree_.Count() > 1) PrepareKeyFramer();
  });
}

void TFile3DS::RequireLoaded() const {
  if (!stream_ || tree_.Empty()) throw E3DSError(error3ds::kNotLoaded);
}

void TFile3DS::BuildObjectIndex() {
  if (objects_indexed_ || tree_.Empty()) return;
  const int data = tree_.FindBelow(0, kMeshData);
  // A file cut short (or a mesh section running past the root) would lose meshes unseen.
  if (!tree_.PathIntact(std::max(data, 0))) throw E3DSError(error3ds::kInvalidChunk);
  object_index_.clear();
  for (int obj = tree_.FindBelow(data, kNamedObject); obj >= 0;
       obj = tree_.NextSibling(obj, kNamedObject)) {
    if (tree_.FindBelow(obj, kTriMesh) < 0) continue;
    TChunkReader3DS r(*stream_, tree_.Node(obj));
    object_index_.emplace_back(r.String(), obj);
  }
  objects_indexed_ = true;
}

void TFile3DS::BuildMaterialIndex() {
  if (materials_indexed_ || tree_.Empty()) return;
  int data = tree_.FindBelow(0, kMeshData);
  if (data < 0)
    data = tree_.RootId() == kMaterialLibrary ? 0 : tree_.FindBelow(0, kMaterialLibrary);
  if (!tree_.PathIntact(std::max(data, 0))) throw E3DSError(error3ds::kInvalidChunk);
  material_index_.clear();
  for (int mat = tree_.FindBelow(data, kMatEntry); mat >= 0;
       mat = tree_.NextSibling(mat, kMatEntry)) {
    // A material without a name chunk is called "".
    int name = tree_.FindBelow(mat, kMatName);
    std::string text;
    if (name >= 0) {
      TChunkReader3DS r(*stream_, tree_.Node(name));
      text = r.String();
    }
    material_index_.emplace_back(std::move(text), mat);
  }
  materials_indexed_ = true;
}

int TObjectList::MeshCount() {
  if (owner_.tree_.Empty()) return 0;
  WithMemoryError([&] { owner_.BuildObjectIndex(); });
  return static_cast<int>(owner_.object_index_.size());
}

const TMesh3DS& TObjectList::Mesh(int index) {
  owner_.RequireLoaded();
  uint16_t root = owner_.tree_.RootId();
  if (root != kMeshFile && root != kProjectFile) throw E3DSError(error3ds::kWrongDatabase);
  WithMemoryError([&] { owner_.BuildObjectIndex(); });
  if (index < 0 || index >= static_cast<int>(owner_.object_index_.size())) {
    throw E3DSError(error3ds::InvalidIndex(index));
  }
  return *WithMemoryError([&]() -> std::unique_ptr<TMesh3DS>& {
    if (meshes_.size() < owner_.object_index_.size()) meshes_.resize(owner_.object_index_.size());
    auto& slot = meshes_[static_cast<size_t>(index)];
    if (!slot) slot = owner_.ReadMesh(owner_.object_index_[static_cast<size_t>(index)].second);
    return slot;
  });
}

std::unique_ptr<TMesh3DS> TFile3DS::ReadMesh(int obj) {
  auto mesh = std::make_unique<TMesh3DS>();
  TStream& s = *stream_;
  {
    TChunkReader3DS r(s, tree_.Node(obj));
    mesh->Name = r.String();
  }
  const int trimesh = tree_.FindChild(obj, kTriMesh);
  if (trimesh < 0) throw E3DSError(error3ds::kWrongObject);
  // A chunk of the mesh or around it that runs past its parent: the mesh would be cut.
  if (!tree_.Intact(obj)) throw E3DSError(error3ds::kInvalidChunk);

  for (int c = tree_.Node(trimesh).FirstChild; c >= 0; c = tree_.Node(c).Next) {
    const TChunkNode3DS& node = tree_.Node(c);
    TChunkReader3DS r(s, node);
    switch (node.Id) {
      case kPointArray: {
        uint16_t n = r.U16();
        mesh->Vertices = ReadRecords<TPoint3DS>(r, n, 12, DecodePoint);
        break;
      }
      case kPointFlagArray: {
        uint16_t n = r.U16();
        mesh->VertexFlags = ReadRecords<uint16_t>(r, n, 2, DecodeU16);
        break;
      }
      case kFaceArray: {
        uint16_t n = r.U16();
        mesh->Faces = ReadRecords<TFace3DS>(r, n, 8, DecodeFace);
        if (node.FirstChild < 0) break;
        mesh->MaterialGroups.clear();
        for (int g = tree_.FindBelow(c, kMshMatGroup); g >= 0;
             g = tree_.NextSibling(g, kMshMatGroup)) {
          TChunkReader3DS gr(s, tree_.Node(g));
          TObjMat3DS group;
          group.Name = gr.String();
          uint16_t count = gr.U16();
          group.FaceIndices = ReadRecords<uint16_t>(gr, count, 2, DecodeU16);
          mesh->MaterialGroups.push_back(std::move(group));
        }
        if (int sm = tree_.FindChild(c, kSmoothGroup); sm >= 0) {
          TChunkReader3DS sr(s, tree_.Node(sm));
          mesh->SmoothingGroups =
              ReadRecords<uint32_t>(sr, static_cast<size_t>(sr.Remaining() / 4), 4, DecodeU32);
        }
        if (int bm = tree_.FindChild(c, kMshBoxMap); bm >= 0) {
          TChunkReader3DS br(s, tree_.Node(bm));
          mesh->HasBoxMap = true;
          for (auto& name : mesh->BoxMap) name = br.String();
        }
        break;
      }
      case kTexVerts: {
        uint16_t n = r.U16();
        mesh->TexCoords = ReadRecords<TTexVert3DS>(r, n, 8, DecodeTexVert);
        break;
      }
      case kMeshMatrix:
        for (float& f : mesh->LocalMatrix) f = r.F32();
        break;
      case kMeshColor:
        mesh->MeshColor = r.U8();
        break;
      case kMeshTextureInfo: {
        TMapping3DS& m = mesh->Map;
        m.MapType = r.U16();
        m.TileX = r.F32();
        m.TileY = r.F32();
        m.IconPos.X = r.F32();
        m.IconPos.Y = r.F32();
        m.IconPos.Z = r.F32();
        m.IconScaling = r.F32();
        for (float& f : m.XMatrix) f = r.F32();
        m.PlanarWidth = r.F32();
        m.PlanarHeight = r.F32();
        m.CylinderHeight = r.F32();
        mesh->HasMapping = true;
        break;
      }
      case kProcName:
        mesh->ProcName = r.String();
        break;
      case kProcData:
        mesh->ProcData = r.Bytes(r.Remaining());
        mesh->ProcSize = static_cast<uint32_t>(mesh->ProcData.size());
        break;
      default:
        break;
    }
  }
  mesh->Hidden = tree_.FindChild(obj, kObjHidden) >= 0;
  mesh->IsVisLofter = tree_.FindChild(obj, kObjVisLofter) >= 0;
  mesh->IsMatte = tree_.FindChild(obj, kObjMatte) >= 0;
  mesh->IsNoCast = tree_.FindChild(obj, kObjDoesntCast) >= 0;
  mesh->IsFast = tree_.FindChild(obj, kObjFast) >= 0;
  mesh->IsNoRcvShad = tree_.FindChild(obj, kObjDontRcvShadow) >= 0;
  mesh->IsFrozen = tree_.FindChild(obj, kObjFrozen) >= 0;
  mesh->UseProc = tree_.FindChild(obj, kObjProcedural) >= 0;
  return mesh;
}

int TMaterialList::Count() {
  if (owner_.tree_.Empty()) return 0;
  WithMemoryError([&] { owner_.BuildMaterialIndex(); });
  return static_cast<int>(owner_.material_index_.size());
}

const TMaterial3DS& TMaterialList::Material(int index) {
  owner_.RequireLoaded();
  uint16_t root = owner_.tree_.RootId();
  if (root != kMeshFile && root != kProjectFile && root != kMaterialLibrary) {
    throw E3DSError(error3ds::kWrongDatabase);
  }
  WithMemoryError([&] { owner_.BuildMaterialIndex(); });
  if (index < 0 || index >= static_cast<int>(owner_.material_index_.size())) {
    throw E3DSError(error3ds::InvalidIndex(index));
  }
  return *WithMemoryError([&]() -> std::unique_ptr<TMaterial3DS>& {
    if (materials_.size() < owner_.material_index_.size()) {
      materials_.resize(owner_.material_index_.size());
    }
    auto& slot = materials_[static_cast<size_t>(index)];
    if (!slot) {
      slot = owner_.ReadMaterial(owner_.material_index_[static_cast<size_t>(index)].second);
    }
    return slot;
  });
}

const TMaterial3DS* TMaterialList::FindByName(const std::string& name) {
  return WithMemoryError([&]() -> const TMaterial3DS* {
    const std::string key = UpperAscii(name);
    if (auto it = first_by_name_.find(key); it != first_by_name_.end()) {
      return &Material(it->second);
    }
    // Materials are looked through once, in file order, up to the first match; a file
    // of many meshes and materials then costs one pass, not one per mesh.
    const int count = Count();
    while (looked_through_ < count) {
      const TMaterial3DS& m = Material(looked_through_);
      std::string found = UpperAscii(m.Name);
      const bool match = found == key;
      first_by_name_.try_emplace(std::move(found), looked_through_);
      ++looked_through_;
      if (match) return &m;
    }
    return nullptr;
  });
}

namespace {

// The colour below a colour chunk: 0x0011, then 0x0010, then 0x0012, the last found wins.
TColor3DS ReadColorRule(TStream& s, const TChunkTree3DS& tree, int chunk) {
  TColor3DS color;
  if (int c = tree.FindBelow(chunk, kColor24); c >= 0) {
    TChunkReader3DS r(s, tree.Node(c));
    color = ReadColor24(r);
  }
  if (int c = tree.FindBelow(chunk, kColorF); c >= 0) {
    TChunkReader3DS r(s, tree.Node(c));
    color.R = r.F32();
    color.G = r.F32();
    color.B = r.F32();
  }
  if (int c = tree.FindBelow(chunk, kLinColor24); c >= 0) {
    TChunkReader3DS r(s, tree.Node(c));
    color = ReadColor24(r);
  }
  return color;
}

float ReadPercentRule(TStream& s, const TChunkTree3DS& tree, int chunk) {
  if (int c = tree.FindBelow(chunk, kIntPercentage); c >= 0) {
    TChunkReader3DS r(s, tree.Node(c));
    return static_cast<float>(r.S16() / 100.0);
  }
  if (int c = tree.FindBelow(chunk, kFloatPercentage); c >= 0) {
    TChunkReader3DS r(s, tree.Node(c));
    return r.F32();
  }
  return 0;
}

void ReadMapRule(TStream& s, const TChunkTree3DS& tree, int chunk, TBitmap3DS& map) {
  for (int c = tree.Node(chunk).FirstChild; c >= 0; c = tree.Node(c).Next) {
    const TChunkNode3DS& node = tree.Node(c);
    TChunkReader3DS r(s, node);
    switch (node.Id) {
      case kIntPercentage:
        map.Percent = static_cast<float>(r.S16() / 100.0);
        break;
      case kFloatPercentage:
        map.Percent = r.F32();
        break;
      case kMatMapName:
        map.Name = r.String();
        break;
      case kMatMapTiling:
        map.Tiling = r.U16();
        break;
      case kMatMapTexBlur:
        map.Blur = r.F32();
        break;
      case kMatMapUScale:
        map.UScale = r.F32();
        break;
      case kMatMapVScale:
        map.VScale = r.F32();
        break;
      case kMatMapUOffset:
        map.UOffset = r.F32();
        break;
      case kMatMapVOffset:
        map.VOffset = r.F32();
        break;
      case kMatMapAng:
        map.Rotation = r.F32();
        break;
      case kMatMapCol1:
        map.Tint1 = ReadColor24(r);
        break;
      case kMatMapCol2:
        map.Tint2 = ReadColor24(r);
        break;
      case kMatMapRCol:
        map.RedTint = ReadColor24(r);
        break;
      case kMatMapGCol:
        map.GreenTint = ReadColor24(r);
        break;
      case kMatMapBCol:
        map.BlueTint = ReadColor24(r);
        break;
      default:
        break;
    }
  }
}

bool IsProcedureChunk(uint16_t id) {
  switch (id) {
    case 0xA320:
    case 0xA321:
    case 0xA322:
    case 0xA324:
    case 0xA325:
    case 0xA326:
    case 0xA328:
    case 0xA32A:
    case 0xA32C:
    case 0xA32E:
    case 0xA330:
    case 0xA332:
    case 0xA334:
    case 0xA336:
    case 0xA338:
      return true;
    default:
      return false;
  }
}

}  // namespace

std::unique_ptr<TMaterial3DS> TFile3DS::ReadMaterial(int mat) {
  if (tree_.Node(mat).Id != kMatEntry || !tree_.Intact(mat)) {
    throw E3DSError(error3ds::kInvalidChunk);
  }
  auto m = std::make_unique<TMaterial3DS>();
  TStream& s = *stream_;
  for (int c = tree_.Node(mat).FirstChild; c >= 0; c = tree_.Node(c).Next) {
    const TChunkNode3DS& node = tree_.Node(c);
    const uint16_t id = node.Id;
    TChunkReader3DS r(s, node);
    if ((id >= 0x8000 && id <= 0x80FF) || id == kMatShin3Pct || id == kMatDecal) continue;
    if (IsProcedureChunk(id)) {
      m->Procedures.push_back({id, r.Bytes(r.Remaining())});
      continue;
    }
    switch (id) {
      case kMatName:
        m->Name = r.String();
        break;
      case kMatAmbient:
        m->Ambient = ReadColorRule(s, tree_, c);
        break;
      case kMatDiffuse:
        m->Diffuse = ReadColorRule(s, tree_, c);
        break;
      case kMatSpecular:
        m->Specular = ReadColorRule(s, tree_, c);
        break;
      case kMatShininess:
        m->Shininess = ReadPercentRule(s, tree_, c);
        break;
      case kMatShin2Pct:
        m->ShinStrength = ReadPercentRule(s, tree_, c);
        break;
      case kMatTransparency:
        m->Transparency = ReadPercentRule(s, tree_, c);
        break;
      case kMatXpFall:
        m->TransFalloff = ReadPercentRule(s, tree_, c);
        break;
      case kMatRefBlur:
        m->RefBlur = ReadPercentRule(s, tree_, c);
        break;
      case kMatSelfIlPct:
        m->SelfIllumPct = ReadPercentRule(s, tree_, c);
        break;
      case kMatSelfIllum:
        m->SelfIllum = true;
        break;
      case kMatTwoSide:
        m->TwoSided = true;
        break;
      case kMatAdditive:
        m->Additive = true;
        break;
      case kMatWire:
        m->UseWire = true;
        break;
      case kMatFaceMap:
        m->FaceMap = true;
        break;
      case kMatXpFallIn:
        m->TransFalloffIn = true;
        break;
      case kMatPhongSoft:
        m->Soften = true;
        break;
      case kMatWireAbs:
        m->UseWireAbs = true;
        break;
      case kMatUseXpFall:
        m->UseTransFalloff = true;
        break;
      case kMatUseRefBlur:
        m->UseRefBlur = true;
        break;
      case kMatWireSize:
        m->WireSize = r.F32();
        break;
      case kMatShading:
        m->Shading = r.S16();
        break;
      case kMatAcubic:
        m->Reflect.AutoMap.Shade = r.U8();
        m->Reflect.AutoMap.AntiAlias = r.U8();
        m->Reflect.AutoMap.Flags = r.U16();
        m->Reflect.AutoMap.Size = r.S32();
        m->Reflect.AutoMap.FrameStep = r.S32();
        break;
      case kMatTexMap:
        ReadMapRule(s, tree_, c, m->Texture.Map);
        break;
      case kMatTex2Map:
        ReadMapRule(s, tree_, c, m->Texture2.Map);
        break;
      case kMatOpacMap:
        ReadMapRule(s, tree_, c, m->Opacity.Map);
        break;
      case kMatBumpMap:
        ReadMapRule(s, tree_, c, m->Bump.Map);
        if (int p = tree_.FindBelow(c, kMatBumpPercent); p >= 0) {
          TChunkReader3DS pr(s, tree_.Node(p));
          m->Bump.Map.Percent = static_cast<float>(pr.S16() / 100.0);
        }
        break;
      case kMatSpecMap:
        ReadMapRule(s, tree_, c, m->SpecMap.Map);
        break;
      case kMatShinMap:
        ReadMapRule(s, tree_, c, m->ShinMap.Map);
        break;
      case kMatSelfIMap:
        ReadMapRule(s, tree_, c, m->IllumMap.Map);
        break;
      case kMatReflMap:
        ReadMapRule(s, tree_, c, m->Reflect.Map);
        break;
      case kMatTexMask:
        ReadMapRule(s, tree_, c, m->Texture.Mask);
        break;
      case kMatTex2Mask:
        ReadMapRule(s, tree_, c, m->Texture2.Mask);
        break;
      case kMatOpacMask:
        ReadMapRule(s, tree_, c, m->Opacity.Mask);
        break;
      case kMatBumpMask:
        ReadMapRule(s, tree_, c, m->Bump.Mask);
        break;
      case kMatSpecMask:
        ReadMapRule(s, tree_, c, m->SpecMap.Mask);
        break;
      case kMatShinMask:
        ReadMapRule(s, tree_, c, m->ShinMap.Mask);
        break;
      case kMatSelfIMask:
        ReadMapRule(s, tree_, c, m->IllumMap.Mask);
        break;
      case kMatReflMask:
        ReadMapRule(s, tree_, c, m->Reflect.Mask);
        break;
      default:
        // Chunks this reader does not know (0xA086, the supersampling settings of
        // 3D Studio, and whatever later versions add) carry nothing it uses.
        break;
    }
  }
  return m;
}

void TFile3DS::PrepareKeyFramer() {
  const int kf = tree_.FindBelow(0, kKfData);
  if (kf < 0) return;
  // Node chunks and the header data each names; malformed headers are left out, since
  // nothing in the program reads the keyframer section.
  struct NodeInfo {
    int chunk;
    int number;
    std::string name, instance;
    int parent = -1;
  };
  std::vector<NodeInfo> nodes;
  bool all_numbered = true;
  for (int c = tree_.Node(kf).FirstChild; c >= 0; c = tree_.Node(c).Next) {
    const uint16_t id = tree_.Node(c).Id;
    if (id < 0xB002 || id > 0xB007) continue;
    NodeInfo info{c, static_cast<int>(nodes.size()), {}, {}, -1};
    if (int n = tree_.FindChild(c, kNodeId);
        n >= 0 && tree_.Node(n).End - tree_.Node(n).Offset >= 8) {
      TChunkReader3DS r(*stream_, tree_.Node(n));
      info.number = r.S16();
    } else {
      all_numbered = false;
    }
    if (int h = tree_.FindChild(c, kNodeHdr); h >= 0) {
      TChunkReader3DS r(*stream_, tree_.Node(h));
      info.name = r.String();
      if (r.Remaining() >= 6) {
        r.U16();
        r.U16();
        info.parent = r.S16();
      }
    }
    if (int in = tree_.FindChild(c, kInstanceName); in >= 0) {
      TChunkReader3DS r(*stream_, tree_.Node(in));
      info.instance = r.String();
    }
    nodes.push_back(std::move(info));
  }
  if (!all_numbered) {
    for (size_t i = 0; i < nodes.size(); ++i) nodes[i].number = static_cast<int>(i);
  }
  std::unordered_map<int, size_t> by_number;
  for (size_t i = 0; i < nodes.size(); ++i) by_number.emplace(nodes[i].number, i);
  for (const NodeInfo& node : nodes) {
    if (node.parent == -1) continue;
    auto it = by_number.find(node.parent);
    if (it == by_number.end()) continue;
    const NodeInfo& parent = nodes[it->second];
    std::string path = parent.name;
    if (!parent.instance.empty()) path += "." + parent.instance;
    parent_names_.emplace_back(node.chunk, std::move(path));
  }
}

std::string TFile3DS::KeyFramerParentName(int node) const {
  for (const auto& [chunk, name] : parent_names_) {
    if (chunk == node) return name;
  }
  return {};
}
