#include "import/assimp_flatten.h"

#include <assimp/GltfMaterial.h>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <assimp/Importer.hpp>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace {

uint8_t Channel(float c) {
  const float v = c * 255;
  if (!(v > 0)) return 0;
  if (v >= 255) return 255;
  return static_cast<uint8_t>(v);  // Trunc, as for 3DS material colours
}

uint32_t Argb(const aiColor4D& c, bool with_alpha) {
  const uint32_t a = with_alpha ? Channel(c.a) : 0xFF;
  return (a << 24) | (uint32_t{Channel(c.r)} << 16) | (uint32_t{Channel(c.g)} << 8) |
         uint32_t{Channel(c.b)};
}

// The up axis an FBX file declares (Assimp passes it on as metadata); the formats whose
// axes are fixed are left to Facetmint, which knows them by extension.
void DeclaredUpAxis(const aiScene& scene, THandbackModel& model) {
  int32_t axis = -1, sign = 1;
  if (!scene.mMetaData || !scene.mMetaData->Get("UpAxis", axis)) return;
  scene.mMetaData->Get("UpAxisSign", sign);
  if (axis < 0 || axis > 2) return;
  model.UpAxis = axis;
  model.UpSign = sign < 0 ? -1 : 1;
}

THandbackMaterial MaterialOf(const aiScene& scene, const aiMaterial& m) {
  THandbackMaterial out;
  aiString name;
  out.IsDefault =
      m.Get(AI_MATKEY_NAME, name) == AI_SUCCESS && name == aiString(AI_DEFAULT_MATERIAL_NAME);
  aiColor4D color;
  if (m.Get(AI_MATKEY_BASE_COLOR, color) == AI_SUCCESS ||
      m.Get(AI_MATKEY_COLOR_DIFFUSE, color) == AI_SUCCESS) {
    out.Diffuse = Argb(color, false);
  }
  float opacity = 1;
  if (m.Get(AI_MATKEY_OPACITY, opacity) == AI_SUCCESS && opacity >= 0 && opacity <= 1)
    out.Opacity = opacity;
  int two_sided = 0;
  if (m.Get(AI_MATKEY_TWOSIDED, two_sided) == AI_SUCCESS) out.TwoSided = two_sided != 0;
  for (aiTextureType type : {aiTextureType_BASE_COLOR, aiTextureType_DIFFUSE}) {
    aiString path;
    if (m.GetTextureCount(type) == 0 || m.GetTexture(type, 0, &path) != AI_SUCCESS) continue;
    if (path.length == 0) continue;
    const auto [texture, index] = scene.GetEmbeddedTextureAndIndex(path.C_Str());
    if (texture && index >= 0) {
      out.EmbeddedTexture = index;
    } else {
      out.TextureFile = path.C_Str();
    }
    break;
  }
  return out;
}

THandbackTexture TextureOf(const aiTexture& t) {
  THandbackTexture out;
  out.FormatHint = std::string(t.achFormatHint, strnlen(t.achFormatHint, sizeof t.achFormatHint));
  out.Name = t.mFilename.C_Str();
  if (t.mHeight == 0) {
    const auto* p = reinterpret_cast<const uint8_t*>(t.pcData);
    out.Bytes.assign(p, p + t.mWidth);
  } else {
    out.Raw = true;
    out.Width = t.mWidth;
    out.Height = t.mHeight;
    const size_t n = size_t{t.mWidth} * t.mHeight;
    out.Bytes.resize(n * 4);
    for (size_t i = 0; i < n; ++i) {
      const aiTexel& x = t.pcData[i];
      const uint32_t argb =
          (uint32_t{x.a} << 24) | (uint32_t{x.r} << 16) | (uint32_t{x.g} << 8) | x.b;
      std::memcpy(out.Bytes.data() + 4 * i, &argb, 4);
    }
  }
  return out;
}

// A name the file gives, or "" for the stand-ins Assimp makes for unnamed glTF nodes and
// meshes ("nodes[3]", "meshes[0]"), which mean nothing to a user.
std::string GivenName(const aiString& name) {
  const std::string text = name.C_Str();
  for (const char* prefix : {"nodes[", "meshes["}) {
    const size_t n = std::strlen(prefix);
    if (text.size() > n + 1 && text.compare(0, n, prefix) == 0 && text.back() == ']' &&
        text.find_first_not_of("0123456789", n) == text.size() - 1)
      return {};
  }
  return text;
}

// One mesh as a node draws it: positions through the node's transform, normals through
// its inverse transpose; a mirroring transform turns the triangles round so that they
// keep facing out.
THandbackMesh PlacedMesh(const aiMesh& mesh, const aiNode& node, const aiMatrix4x4& transform) {
  THandbackMesh out;
  out.NodeName = GivenName(node.mName);
  out.MeshName = GivenName(mesh.mName);
  out.NodeMeshCount = node.mNumMeshes;
  out.Material = mesh.mMaterialIndex;
  const unsigned n = mesh.mNumVertices;
  out.Positions.reserve(size_t{n} * 3);
  for (unsigned i = 0; i < n; ++i) {
    const aiVector3D p = transform * mesh.mVertices[i];
    out.Positions.insert(out.Positions.end(), {p.x, p.y, p.z});
  }
  if (mesh.mNormals) {
    aiMatrix3x3 normal_matrix(transform);
    normal_matrix.Inverse().Transpose();
    out.Normals.reserve(size_t{n} * 3);
    for (unsigned i = 0; i < n; ++i) {
      aiVector3D v = normal_matrix * mesh.mNormals[i];
      out.Normals.insert(out.Normals.end(), {v.x, v.y, v.z});
    }
  }
  if (mesh.mTextureCoords[0]) {
    out.TexCoords.reserve(size_t{n} * 2);
    for (unsigned i = 0; i < n; ++i) {
      out.TexCoords.insert(out.TexCoords.end(),
                           {mesh.mTextureCoords[0][i].x, mesh.mTextureCoords[0][i].y});
    }
  }
  if (mesh.mColors[0]) {
    out.Colors.reserve(n);
    for (unsigned i = 0; i < n; ++i) out.Colors.push_back(Argb(mesh.mColors[0][i], true));
  }
  const bool mirrored = transform.Determinant() < 0;
  out.Indices.reserve(size_t{mesh.mNumFaces} * 3);
  for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
    const aiFace& face = mesh.mFaces[f];
    if (face.mNumIndices != 3) continue;  // points and lines are not drawn
    const unsigned* v = face.mIndices;
    if (mirrored) {
      out.Indices.insert(out.Indices.end(), {v[0], v[2], v[1]});
    } else {
      out.Indices.insert(out.Indices.end(), {v[0], v[1], v[2]});
    }
  }
  return out;
}

void Walk(const aiScene& scene, const aiNode& node, const aiMatrix4x4& parent,
          THandbackModel& model, int depth) {
  if (depth > 1000) throw std::runtime_error("the node tree is too deep");
  const aiMatrix4x4 transform = parent * node.mTransformation;
  for (unsigned i = 0; i < node.mNumMeshes; ++i) {
    const unsigned index = node.mMeshes[i];
    if (index >= scene.mNumMeshes) continue;
    const aiMesh& mesh = *scene.mMeshes[index];
    if (!(mesh.mPrimitiveTypes & aiPrimitiveType_TRIANGLE) || mesh.mNumFaces == 0) continue;
    model.Meshes.push_back(PlacedMesh(mesh, node, transform));
  }
  for (unsigned i = 0; i < node.mNumChildren; ++i)
    Walk(scene, *node.mChildren[i], transform, model, depth + 1);
}

}  // namespace

unsigned AssimpReadFlags() {
  return aiProcess_Triangulate | aiProcess_JoinIdenticalVertices | aiProcess_GenSmoothNormals |
         aiProcess_SortByPType | aiProcess_ValidateDataStructure;
}

THandbackModel FlattenAssimpFile(const std::string& file_name) {
  Assimp::Importer importer;
  importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE,
                              aiPrimitiveType_POINT | aiPrimitiveType_LINE);
  importer.SetPropertyFloat(AI_CONFIG_PP_GSN_MAX_SMOOTHING_ANGLE, kAssimpCreaseAngle);
  const aiScene* scene = importer.ReadFile(file_name, AssimpReadFlags());
  if (!scene) {
    const std::string why = importer.GetErrorString();
    throw std::runtime_error(why.empty() ? "not a model Assimp reads" : why);
  }
  if (!scene->mRootNode) throw std::runtime_error("the file has no scene");
  THandbackModel model;
  DeclaredUpAxis(*scene, model);
  for (unsigned i = 0; i < scene->mNumTextures; ++i)
    model.Textures.push_back(TextureOf(*scene->mTextures[i]));
  for (unsigned i = 0; i < scene->mNumMaterials; ++i)
    model.Materials.push_back(MaterialOf(*scene, *scene->mMaterials[i]));
  if (model.Materials.empty()) {
    model.Materials.emplace_back();
    model.Materials.back().IsDefault = true;
  }
  Walk(*scene, *scene->mRootNode, aiMatrix4x4(), model, 0);
  for (THandbackMesh& m : model.Meshes) {
    if (m.Material >= model.Materials.size()) m.Material = 0;
  }
  return model;
}
