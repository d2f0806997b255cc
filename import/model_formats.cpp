#include "import/model_formats.h"

#include "core/text_helpers.h"

const std::vector<TModelFormat>& ModelFormats() {
  using R = TModelReader;
  static const std::vector<TModelFormat> formats = {
      {"3DS", {".3ds"}, R::Reader3DS},        {"MD3", {".md3"}, R::ReaderMD3},
      {"glTF", {".gltf", ".glb"}, R::Assimp}, {"OBJ", {".obj"}, R::Assimp},
      {"FBX", {".fbx"}, R::Assimp},           {"COLLADA", {".dae"}, R::Assimp},
      {"STL", {".stl"}, R::Assimp},           {"PLY", {".ply"}, R::Assimp},
      {"3MF", {".3mf"}, R::Assimp},           {"OFF", {".off"}, R::Assimp},
      {"LightWave", {".lwo"}, R::Assimp},     {"ASE", {".ase"}, R::Assimp},
      {"X3D", {".x3d"}, R::Assimp},           {"MilkShape 3D", {".ms3d"}, R::Assimp},
      {"MD2", {".md2"}, R::Assimp},           {"MD5", {".md5mesh"}, R::Assimp},
  };
  return formats;
}

const TModelFormat* ModelFormatOf(const std::string& file_name) {
  const std::string ext = LowerExtension(file_name);
  for (const TModelFormat& f : ModelFormats()) {
    for (const std::string& e : f.Extensions) {
      if (e == ext) return &f;
    }
  }
  return nullptr;
}

std::string ModelOpenFilter() {
  std::string all, each;
  for (const TModelFormat& f : ModelFormats()) {
    std::string patterns;
    for (const std::string& e : f.Extensions) patterns += (patterns.empty() ? "*" : ";*") + e;
    all += (all.empty() ? "" : ";") + patterns;
    each += "|" + f.Name + " 文件 (" + patterns + ")|" + patterns;
  }
  return "所有文件 (" + all + ")|" + all + each;
}
