#include "scene/image_shape.h"

#include "core/property_registry.h"
#include "scene/canvas.h"
#include "scene/shape_tables.h"

namespace {

const TgkShapeTable& QuadTable() {
  static const TgkShapeTable table = {{MakeMeshVertex(-0.5f, 0, -0.5f, 0, -1, 0, 0, 1),
                                       MakeMeshVertex(0.5f, 0, -0.5f, 0, -1, 0, 1, 1),
                                       MakeMeshVertex(0.5f, 0, 0.5f, 0, -1, 0, 1, 0),
                                       MakeMeshVertex(-0.5f, 0, 0.5f, 0, -1, 0, 0, 0)},
                                      {0, 3, 1, 3, 2, 1}};
  return table;
}

}  // namespace

TgkImage::TgkImage(TComponent* owner) : TgkCustomMesh(owner) {
  CopyTable(QuadTable());
  SetWidth(4);
  SetHeight(0.1f);
  SetDepth(3);
  bitmap_.OnChange = [this](TgkBitmap&) { Repaint(); };
}

void TgkImage::SetDepth(float value) {
  TgkCustomMesh::SetDepth(IsScreenProjection() ? 0.1f : value);
}

void TgkImage::Paint() {
  TgkCanvas* canvas = GetCanvas();
  if (!canvas || bitmap_.IsEmpty()) return;
  const float opacity = GetAbsoluteOpacity();
  TgkMaterial drawn;
  drawn.Assign(Material());
  drawn.SetLighting(false);
  drawn.SetBitmapMode(gkTexReplace);
  drawn.SetDiffuse(ColorWithOpacity(0xFFFFFFFF, opacity));
  TgkMaterial& target = canvas->Material();
  target.SetDirectBitmap(&bitmap_);  // for this draw only
  target.Assign(drawn);
  canvas->SetRenderState(rsTexLinear);
  canvas->FillMesh(MakeVector(0, 0, 0, 1), MakeVector(Width(), 0, Depth(), 0), opacity, MeshData());
  target.SetDirectBitmap(nullptr);
}

bool TgkImage::RayCastIntersect(const TgkVector& ray_pos, const TgkVector& ray_dir,
                                TgkVector& hit) {
  return RayCastShapeBox(*this, ray_pos, ray_dir, hit);
}

TgkScreenImage::TgkScreenImage(TComponent* owner) : TgkImage(owner) {}

FM_REGISTER_CLASS(TgkImage) {
  c.Object<TgkBitmap>("Bitmap", [](const TgkImage& i) -> const TgkBitmap& { return i.Bitmap(); });
}
FM_REGISTER_CLASS(TgkScreenImage) {}
