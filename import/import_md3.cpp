#include "import/import_md3.h"

#include "import/file_md3.h"
#include "import/mesh_builder_md3.h"
#include "import/scene_update.h"
#include "scene/visual_object.h"

void ImportMD3(const std::string& file_name, TgkBitmapList* bitmaps, TStream& stream,
               TgkVisualObject& parent, void* reserved) {
  TModelReplacement replacement(parent, bitmaps);
  TFileMD3 file;
  file.LoadFromStream(stream);
  TBuiltMD3Model model = BuildMD3Model(file);
  // The parent takes the model's proportions before any mesh exists.
  parent.SetWidth(model.Width);
  parent.SetHeight(model.Height);
  parent.SetDepth(model.Depth);
  for (const TBuiltMesh& mesh : model.Meshes) replacement.AddMesh(mesh);
}
