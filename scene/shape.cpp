#include "scene/shape.h"

#include <cmath>

#include "core/property_registry.h"
#include "scene/canvas.h"
#include "scene/grid.h"
#include "scene/image_shape.h"
#include "scene/shape_tables.h"
#include "scene/start_color.h"
#include "scene/text_shape.h"

namespace {

TgkVector SizeOf(const TgkVisualObject& o) {
  return MakeVector(o.Width(), o.Height(), o.Depth(), 0);
}

TgkVector Scaled(const TgkMeshVertex& v, const TgkVector& size) {
  return MakeVector(v.X * size.X, v.Y * size.Y, v.Z * size.Z, 1);
}

TgkVector Absolute(TgkVisualObject& object, const TgkVector& local) {
  return PointToVector(object.LocalToAbsolute(VectorToPoint(local)), 1);
}

}  // namespace

bool RayCastShapeBox(TgkVisualObject& object, const TgkVector& ray_pos, const TgkVector& ray_dir,
                     TgkVector& hit) {
  TgkVector p;
  if (!RayCastBox(ray_pos, ray_dir, SizeOf(object), 0.501f, &p)) return false;
  hit = Absolute(object, p);
  return true;
}

// ---- TgkShape ----

TgkShape::TgkShape(TComponent* owner) : TgkVisualObject(owner) {
  material_.SetDiffuse(NextStartColor());
  material_.OnChange = [this] { Repaint(); };
}

void TgkShape::BeforePaint() {
  TgkCanvas* canvas = GetCanvas();
  if (!canvas) return;
  // One assignment, so the canvas applies the material once.
  TgkMaterial drawn;
  drawn.Assign(material_);
  drawn.SetDiffuse(ColorWithOpacity(material_.Diffuse(), GetAbsoluteOpacity()));
  canvas->Material().Assign(drawn);
}

void TgkShape::AfterPaint() {
  TgkCanvas* canvas = GetCanvas();
  if (!canvas) return;
  canvas->SetRenderState(rsFrameSolid);
  canvas->SetRenderState(rsShadeGouraud);
}

// ---- TgkCustomMesh ----

TgkCustomMesh::TgkCustomMesh(TComponent* owner) : TgkShape(owner) {
  mesh_.OnChange = [this] { Repaint(); };
}

void TgkCustomMesh::CopyTable(const TgkShapeTable& table) {
  mesh_.Vertices = table.vertices;
  mesh_.Indices = table.indices;
}

void TgkCustomMesh::Paint() {
  TgkCanvas* canvas = GetCanvas();
  if (!canvas || mesh_.IsEmpty()) return;
  canvas->FillMesh(MakeVector(0, 0, 0, 1), SizeOf(*this), GetAbsoluteOpacity(), mesh_);
}

bool TgkCustomMesh::RayCastIntersect(const TgkVector& ray_pos, const TgkVector& ray_dir,
                                     TgkVector& hit) {
  TgkVector box_hit;
  if (!RayCastBox(ray_pos, ray_dir, SizeOf(*this), 0.501f, &box_hit)) return false;
  if (mesh_.IsEmpty()) {
    if (!InDesignMode()) return false;
    hit = Absolute(*this, box_hit);
    return true;
  }
  const TgkVector size = SizeOf(*this);
  const auto& v = mesh_.Vertices;
  const auto& idx = mesh_.Indices;
  const size_t count = v.size();
  for (size_t i = 0; i + 2 < idx.size(); i += 3) {
    const uint32_t a = idx[i], b = idx[i + 1], c = idx[i + 2];
    if (a >= count || b >= count || c >= count) continue;
    TgkVector p;
    if (RayCastTriangle(ray_pos, ray_dir, Scaled(v[a], size), Scaled(v[b], size),
                        Scaled(v[c], size), &p)) {
      hit = Absolute(*this, p);
      return true;
    }
  }
  return false;
}

// ---- The concrete mesh shapes ----

TgkMesh::TgkMesh(TComponent* owner) : TgkCustomMesh(owner) {}

TgkRoundCube::TgkRoundCube(TComponent* owner) : TgkCustomMesh(owner) {
  CopyTable(RoundCubeTable());
}

TgkCylinder::TgkCylinder(TComponent* owner) : TgkCustomMesh(owner) {
  CopyTable(CylinderTable());
}

TgkCone::TgkCone(TComponent* owner) : TgkCustomMesh(owner) {
  CopyTable(ConeTable());
}

TgkCube::TgkCube(TComponent* owner) : TgkCustomMesh(owner) {
  CopyTable(CubeTable());
}

bool TgkCube::RayCastIntersect(const TgkVector& ray_pos, const TgkVector& ray_dir, TgkVector& hit) {
  return RayCastShapeBox(*this, ray_pos, ray_dir, hit);
}

TgkPlane::TgkPlane(TComponent* owner) : TgkCustomMesh(owner) {
  CopyTable(PlaneTable());
  SetDepth(0.01f);
}

void TgkPlane::SetDepth(float) {
  TgkCustomMesh::SetDepth(0.01f);
}

bool TgkPlane::RayCastIntersect(const TgkVector& ray_pos, const TgkVector& ray_dir,
                                TgkVector& hit) {
  return RayCastShapeBox(*this, ray_pos, ray_dir, hit);
}

TgkSphere::TgkSphere(TComponent* owner) : TgkCustomMesh(owner) {
  CopyTable(SphereTable());
}

bool TgkSphere::RayCastIntersect(const TgkVector& ray_pos, const TgkVector& ray_dir,
                                 TgkVector& hit) {
  const TgkVector size = SizeOf(*this);
  // A flat ellipsoid has no inside to map to a sphere; its box is all there is.
  if (size.X == 0 || size.Y == 0 || size.Z == 0) {
    return RayCastShapeBox(*this, ray_pos, ray_dir, hit);
  }
  // Squeeze space so that the ellipsoid becomes the sphere of radius 0.5.
  const TgkVector pos = MakeVector(ray_pos.X / size.X, ray_pos.Y / size.Y, ray_pos.Z / size.Z, 1);
  const TgkVector dir =
      VectorNormalize(MakeVector(ray_dir.X / size.X, ray_dir.Y / size.Y, ray_dir.Z / size.Z, 0));
  TgkVector i1, i2;
  if (RayCastSphere(pos, dir, MakeVector(0, 0, 0, 1), 0.5f, &i1, &i2) == 0) return false;
  hit = Absolute(*this, MakeVector(i1.X * size.X, i1.Y * size.Y, i1.Z * size.Z, 1));
  return true;
}

// ---- Registration ----

FM_REGISTER_CLASS(TgkShape) {
  c.Object<TgkMaterial>("Material",
                        [](const TgkShape& s) -> const TgkMaterial& { return s.Material(); });
}
FM_REGISTER_CLASS(TgkCustomMesh) {}
FM_REGISTER_CLASS(TgkMesh) {
  c.Object<TgkMeshData>("Data", [](const TgkMesh& m) -> const TgkMeshData& { return m.Data(); });
}
FM_REGISTER_CLASS(TgkRoundCube) {}
FM_REGISTER_CLASS(TgkCylinder) {}
FM_REGISTER_CLASS(TgkCone) {}
FM_REGISTER_CLASS(TgkCube) {}
FM_REGISTER_CLASS(TgkPlane) {}
FM_REGISTER_CLASS(TgkSphere) {}

void RegisterShapeClasses() {
  for (const TClassInfo* info :
       {&TgkShape::StaticClass(), &TgkCustomMesh::StaticClass(), &TgkMesh::StaticClass(),
        &TgkRoundCube::StaticClass(), &TgkCylinder::StaticClass(), &TgkCone::StaticClass(),
        &TgkCube::StaticClass(), &TgkPlane::StaticClass(), &TgkSphere::StaticClass(),
        &TgkImage::StaticClass(), &TgkScreenImage::StaticClass(), &TgkText::StaticClass(),
        &TgkText3D::StaticClass(), &TgkGrid::StaticClass()}) {
    (void)info;
  }
}

const char* ShapeClassGroup(const std::string& class_name) {
  static const char* const camera[] = {"TgkPlane",    "TgkCube",      "TgkMesh", "TgkSphere",
                                       "TgkCylinder", "TgkRoundCube", "TgkCone", "TgkText",
                                       "TgkText3D",   "TgkImage",     "TgkGrid"};
  for (const char* name : camera) {
    if (SameText(class_name, name)) return "Camera Projection";
  }
  if (SameText(class_name, "TgkScreenImage")) return "Screen Projection";
  return "";
}
