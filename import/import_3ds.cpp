#include "import/import_3ds.h"

#include <cmath>

#include "import/file_3ds.h"
#include "import/mesh_builder_3ds.h"
#include "import/name_text.h"
#include "import/scene_update.h"
#include "import/texture_lookup.h"
#include "platform/component_stream.h"
#include "scene/bitmap_registry.h"
#include "scene/shape.h"

namespace {

void ApplyMaterial(TFile3DS& file, const std::string& model_file, TgkBitmapList* bitmaps,
                   const std::string& group, TgkMesh& mesh) {
  std::optional<TBuiltMaterial> material = Find3DSMaterial(file, group);
  if (!material) return;  // the mesh keeps its start colour
  mesh.Material().SetDiffuse(material->Diffuse);
  if (material->TextureMap.empty() || !bitmaps) return;
  const std::string path = FindTextureFile(model_file, material->TextureMap);
  if (path.empty()) return;  // a missing texture is skipped without a message
  const std::string name = ModelNameToUtf8(material->TextureMap);
  TgkBitmapCollection& items = bitmaps->Bitmaps();
  TgkBitmapStream& item = items.AddBitmap();
  item.SetName(name);
  if (!item.Bitmap().LoadFromFile(path, 0)) {
    // Not an image the codec reads: the mesh stays untextured, like a missing file.
    items.Delete(items.Count() - 1);
    return;
  }
  mesh.Material().SetBitmap(name);
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
  Build3DSMeshes(file, [&](TBuiltMesh&& built) {
    TgkMesh& mesh = replacement.AddMesh(built);
    if (built.HasMaterialGroup) {
      ApplyMaterial(file, model_file, bitmaps, built.MaterialGroup, mesh);
    }
  });
  if (export_stream) WriteComponent(*export_stream, parent);
  NormaliseParentSize(parent);
}
