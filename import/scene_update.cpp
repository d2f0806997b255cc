#include "import/scene_update.h"

#include <memory>

#include "scene/bitmap_registry.h"
#include "scene/scene.h"
#include "scene/shape.h"

TModelReplacement::TModelReplacement(TgkVisualObject& parent, TgkBitmapList* bitmaps)
    : parent_(parent), scene_(dynamic_cast<TgkScene*>(parent.Scene())) {
  if (scene_) scene_->BeginUpdate();
  try {
    parent_.DeleteChildren();
    parent_.SetVisible(false);
    if (bitmaps) bitmaps->Bitmaps().Clear();
  } catch (...) {
    if (scene_) scene_->EndUpdate();
    throw;
  }
}

TModelReplacement::~TModelReplacement() {
  // Runs while an error may be leaving the builder: nothing here may replace it.
  try {
    parent_.SetVisible(true);
  } catch (...) {
  }
  if (scene_) {
    try {
      scene_->EndUpdate();
    } catch (...) {
    }
  }
}

TgkMesh& TModelReplacement::AddMesh(const TBuiltMesh& built) {
  auto owned = std::make_unique<TgkMesh>(parent_.Owner());
  owned->SetParent(&parent_);
  // From here the parent's tree frees the mesh.
  TgkMesh& mesh = *owned.release();
  TgkMeshData& data = mesh.Data();
  data.Vertices.resize(built.Vertices.size());
  for (size_t i = 0; i < built.Vertices.size(); ++i) {
    const TBuiltVertex& v = built.Vertices[i];
    data.Vertices[i] = TgkMeshVertex{v.X, v.Y, v.Z, v.NX, v.NY, v.NZ, v.TU, v.TV};
  }
  data.Indices = built.Indices;
  data.Colors = built.Colors;
  data.NotifyChange();
  mesh.SetWidth(built.Width);
  mesh.SetHeight(built.Height);
  mesh.SetDepth(built.Depth);
  mesh.Position().SetPoint({built.X, built.Y, built.Z});
  mesh.SetAlign(gkScale);
  mesh.DisplayName = built.DisplayName;
  mesh.SetLocked(true);
  mesh.SetHitTest(false);
  return mesh;
}
