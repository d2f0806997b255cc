// The built-in shapes that carry geometry of their own. TgkShape owns a material; the mesh
// shapes own mesh data in the unit box and draw it stretched to (Width, Height, Depth).
#pragma once

#include "scene/material.h"
#include "scene/mesh_data.h"
#include "scene/visual_object.h"

struct TgkShapeTable;

class TgkShape : public TgkVisualObject {
  FM_CLASS(TgkShape, TgkVisualObject)
 public:
  // The material starts with the next start colour of the process (opaque).
  explicit TgkShape(TComponent* owner = nullptr);

  TgkMaterial& Material() { return material_; }
  const TgkMaterial& Material() const { return material_; }
  // Copies material into the owned one.
  void SetMaterial(const TgkMaterial& material) { material_.Assign(material); }

  // The canvas material becomes a copy of ours with the diffuse alpha times the absolute
  // opacity; ours stays as it is.
  void BeforePaint() override;
  // Back to solid fill and Gouraud shading, so that our modes do not leak.
  void AfterPaint() override;

 private:
  TgkMaterial material_;
};

class TgkCustomMesh : public TgkShape {
  FM_CLASS(TgkCustomMesh, TgkShape)
 public:
  explicit TgkCustomMesh(TComponent* owner = nullptr);

  TgkMeshData& MeshData() { return mesh_; }
  const TgkMeshData& MeshData() const { return mesh_; }

  // FillMesh with the size (Width, Height, Depth); an empty mesh draws nothing.
  void Paint() override;
  // The box first, then the triangles in index order (stretched by the size); the first
  // triangle hit wins. An empty mesh is only hit in design mode.
  bool RayCastIntersect(const TgkVector& ray_pos, const TgkVector& ray_dir,
                        TgkVector& hit) override;

 protected:
  void CopyTable(const TgkShapeTable& table);

 private:
  TgkMeshData mesh_;
};

// The shape the model importers create for every mesh of a file.
class TgkMesh : public TgkCustomMesh {
  FM_CLASS(TgkMesh, TgkCustomMesh)
 public:
  explicit TgkMesh(TComponent* owner = nullptr);
  TgkMeshData& Data() { return MeshData(); }
  const TgkMeshData& Data() const { return MeshData(); }
  // Copies data into the owned mesh data.
  void SetData(const TgkMeshData& data) { MeshData().Assign(data); }
};

// The default model: the unit cube with rounded edges and corners.
class TgkRoundCube : public TgkCustomMesh {
  FM_CLASS(TgkRoundCube, TgkCustomMesh)
 public:
  explicit TgkRoundCube(TComponent* owner = nullptr);
};

class TgkCylinder : public TgkCustomMesh {
  FM_CLASS(TgkCylinder, TgkCustomMesh)
 public:
  explicit TgkCylinder(TComponent* owner = nullptr);
};

class TgkCone : public TgkCustomMesh {
  FM_CLASS(TgkCone, TgkCustomMesh)
 public:
  explicit TgkCone(TComponent* owner = nullptr);
};

// Hit along its box only.
class TgkCube : public TgkCustomMesh {
  FM_CLASS(TgkCube, TgkCustomMesh)
 public:
  explicit TgkCube(TComponent* owner = nullptr);
  bool RayCastIntersect(const TgkVector& ray_pos, const TgkVector& ray_dir,
                        TgkVector& hit) override;
};

// A flat grid facing +z; its Depth is always 0.01.
class TgkPlane : public TgkCustomMesh {
  FM_CLASS(TgkPlane, TgkCustomMesh)
 public:
  explicit TgkPlane(TComponent* owner = nullptr);
  void SetDepth(float value) override;
  bool RayCastIntersect(const TgkVector& ray_pos, const TgkVector& ray_dir,
                        TgkVector& hit) override;
};

// Hit against the ellipsoid inscribed in its box.
class TgkSphere : public TgkCustomMesh {
  FM_CLASS(TgkSphere, TgkCustomMesh)
 public:
  explicit TgkSphere(TComponent* owner = nullptr);
  bool RayCastIntersect(const TgkVector& ray_pos, const TgkVector& ray_dir,
                        TgkVector& hit) override;
};

// The box hit of a shape of size (Width, Height, Depth): RayCastBox with tolerance 0.501,
// hit returned in absolute space.
bool RayCastShapeBox(TgkVisualObject& object, const TgkVector& ray_pos, const TgkVector& ray_dir,
                     TgkVector& hit);

// Touches every shape class so that stored scenes can create them by name.
void RegisterShapeClasses();
// The design-tool group of a shape class name ("Camera Projection" or "Screen Projection"),
// or "" for other classes.
const char* ShapeClassGroup(const std::string& class_name);
