#include "import/import_3ds.h"

#include <cmath>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/component_stream.h"
#include "core/text_helpers.h"
#include "import/file_3ds.h"
#include "import/mesh_builder_3ds.h"
#include "import/name_text.h"
#include "import/scene_update.h"
#include "import/texture_lookup.h"
#include "scene/bitmap_codec.h"
#include "scene/bitmap_registry.h"
#include "scene/shape.h"

namespace {

// The textures of one load: each file is decoded once, into one bitmap list item that
// every material naming it shares.
class TTextureSet {
 public:
  TTextureSet(const std::string& model_file, TgkBitmapList* bitmaps)
      : finder_(model_file), bitmaps_(bitmaps) {}

  // The registry name of the texture the map names, or "" when there is none.
  std::string NameFor(const std::string& map_name) {
    std::vector<std::string> spellings = {map_name};
    if (std::string utf8 = ModelNameToUtf8(map_name); utf8 != map_name) spellings.push_back(utf8);
    const std::string path = finder_.Find(spellings);
    if (path.empty()) return {};  // a missing texture is skipped without a message
    auto known = by_path_.find(path);
    if (known != by_path_.end()) return known->second;
    std::string& name = by_path_[path];
    TgkBitmapCollection& items = bitmaps_->Bitmaps();
    TgkBitmapStream& item = items.AddBitmap();
    if (!LoadTextureFile(path, item.Bitmap())) {
      // Not an image the codec reads: the mesh stays untextured, like a missing file.
      items.Delete(items.Count() - 1);
      return name;
    }
    name = UniqueName(ModelNameToUtf8(map_name));
    item.SetName(name);
    return name;
  }

 private:
  // Materials find their texture by name, in any letter case: another file whose map
  // name differs only in case gets a name of its own.
  std::string UniqueName(const std::string& wanted) {
    std::string name = wanted;
    for (int n = 2; !taken_.insert(LowerCase(name)).second; ++n)
      name = wanted + " (" + std::to_string(n) + ")";
    return name;
  }

  TTextureFinder finder_;
  TgkBitmapList* bitmaps_;
  std::map<std::string, std::string> by_path_;
  std::set<std::string> taken_;
};

void ApplyMaterial(TFile3DS& file, TTextureSet* textures, const std::string& group, TgkMesh& mesh) {
  std::optional<TBuiltMaterial> material = Find3DSMaterial(file, group);
  if (!material) return;  // the mesh keeps its start colour
  mesh.Material().SetDiffuse(material->Diffuse);
  if (material->TextureMap.empty() || !textures) return;
  const std::string name = textures->NameFor(material->TextureMap);
  if (!name.empty()) mesh.Material().SetBitmap(name);
}

// The largest of the parent's dimensions becomes 1 (ties prefer depth, then height).
void NormaliseParentSize(TgkVisualObject& parent) {
  const float w = parent.Width(), h = parent.Height(), d = parent.Depth();
  float largest = w;
  if (h >= w && h >= d) largest = h;
  if (d >= w && d >= h) largest = d;
  if (!(largest > 0) || !std::isfinite(largest)) return;
  const float l = 1 / largest;
  parent.SetWidth(w * l);
  parent.SetHeight(h * l);
  parent.SetDepth(d * l);
}

}  // namespace

void Import3DS(const std::string& file_name, TgkBitmapList* bitmaps, TStream& stream,
               TgkVisualObject& parent, TStream* export_stream) {
  TModelReplacement replacement(parent, bitmaps);
  TFile3DS file;
  file.LoadFromStream(stream);
  // The reader's own file name is empty for a stream; the caller's names the folder.
  const std::string& model_file = file_name.empty() ? file.FileName() : file_name;
  std::optional<TTextureSet> textures;
  if (bitmaps) textures.emplace(model_file, bitmaps);
  Build3DSMeshes(file, [&](TBuiltMesh&& built) {
    TgkMesh& mesh = replacement.AddMesh(built);
    if (built.HasMaterialGroup) {
      ApplyMaterial(file, textures ? &*textures : nullptr, built.MaterialGroup, mesh);
    }
  });
  if (export_stream) WriteComponent(*export_stream, parent);
  NormaliseParentSize(parent);
}
