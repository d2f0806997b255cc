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
#include "import/texture_set.h"
#include "scene/bitmap_registry.h"
#include "scene/shape.h"

namespace {

void ApplyMaterial(TFile3DS& file, TTextureSet* textures, const std::string& group, TgkMesh& mesh) {
  std::optional<TBuiltMaterial> material = Find3DSMaterial(file, group);
  if (!material) return;  // the mesh keeps its start colour
  mesh.Material().SetDiffuse(material->Diffuse);
  if (material->TwoSided) mesh.SetTwoSide(true);
  if (material->TextureMap.empty() || !textures) return;
  // The map name's bytes, then their reading as the file's code page.
  std::vector<std::string> spellings = {material->TextureMap};
  const std::string utf8 = ModelNameToUtf8(material->TextureMap);
  if (utf8 != material->TextureMap) spellings.push_back(utf8);
  // A missing or unreadable texture is skipped without a message.
  const TTextureResult texture = textures->FromFile(spellings, utf8);
  if (texture.Status == TTextureResult::Loaded) mesh.Material().SetBitmap(texture.Name);
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
  if (bitmaps) textures.emplace(model_file, *bitmaps);
  Build3DSMeshes(file, [&](TBuiltMesh&& built) {
    TgkMesh& mesh = replacement.AddMesh(built);
    if (built.HasMaterialGroup) {
      ApplyMaterial(file, textures ? &*textures : nullptr, built.MaterialGroup, mesh);
    }
  });
  if (export_stream) WriteComponent(*export_stream, parent);
  NormaliseParentSize(parent);
}
