#include "app/workbench.h"

#include <algorithm>
#include <filesystem>

#include "app/icon_save.h"
#include "import/import_3ds.h"
#include "import/import_md3.h"
#include "platform/stream.h"
#include "scene/bitmap_registry.h"
#include "scene/camera_light.h"
#include "scene/dummy.h"
#include "scene/scene_bitmap.h"
#include "scene/shape.h"

namespace {

// A new node of type T under parent, which owns it from then on.
template <class T>
T* AddChild(TgkObject& parent, const std::string& name) {
  auto child = std::make_unique<T>();
  child->SetName(name);
  child->SetParent(&parent);
  return child.release();
}

std::string LowerExtension(const std::string& file_name) {
  std::string ext = std::filesystem::path(file_name).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

// The stored orientations of the lights are the Z turn applied before the X turn.
void Orient(TgkVisualObject& object, float x, float z) {
  object.RotateAngle().SetZ(z);
  object.RotateAngle().SetX(x);
}

}  // namespace

TWorkbench::TWorkbench()
    : root_(std::make_unique<TgkVisualObject>()),
      bitmaps_(std::make_unique<TgkBitmapList>()),
      work_(kRenderSize, kRenderSize),
      scene_bitmap_(std::make_unique<TgkBitmap>(kRenderSize, kRenderSize)) {
  root_->SetName("Root2");
  bitmaps_->SetName("gkBitmapList1");

  camera_z_ = AddChild<TgkDummy>(*root_, "CameraZ");
  camera_z_->RotateAngle().SetZ(-33);
  camera_x_ = AddChild<TgkDummy>(*camera_z_, "CameraX");
  camera_x_->RotateAngle().SetX(20);
  camera_ = AddChild<TgkCamera>(*camera_x_, "Camera1");
  camera_->Position().SetPoint({0, -10, 0});

  light1_ = AddChild<TgkLight>(*camera_, "Light1");
  light1_->SetLightType(gkLightDirectional);
  light1_->Position().SetPoint({5, 0, 5});
  Orient(*light1_, 9.10299f, -20.9171f);
  light2_ = AddChild<TgkLight>(*camera_, "Light2");
  light2_->SetLightType(gkLightSpot);
  light2_->Position().SetPoint({-7, 0, 5});
  Orient(*light2_, 20.6517f, 33.1214f);
  light2_->SetEnabled(false);

  mesh_owner_ = AddChild<TgkDummy>(*root_, "MeshOwner");
  TgkRoundCube* cube = AddChild<TgkRoundCube>(*mesh_owner_, "RoundCube1");
  TgkMaterial& m = cube->Material();
  m.SetDiffuseText("#FFEE6F8C");
  m.SetAmbientText("#FF303030");
  m.SetBitmapMode(gkTexModulate);
  m.SetBitmapTile(1);
  m.SetFillMode(gkSolid);
  cube->DisplayName = kRoundCubeName;
}

TWorkbench::~TWorkbench() = default;

bool TWorkbench::LoadModel(const std::string& file_name) {
  std::error_code error;
  if (!std::filesystem::exists(file_name, error)) return false;
  model_file_ = file_name;
  if (selected_) SelectMesh(nullptr);
  TMemoryStream stream;
  stream.LoadFromFile(file_name);
  stream.Seek(0);
  const std::string ext = LowerExtension(file_name);
  if (ext == ".3ds") {
    Import3DS(file_name, bitmaps_.get(), stream, *mesh_owner_, nullptr);
  } else if (ext == ".md3") {
    ImportMD3(file_name, bitmaps_.get(), stream, *mesh_owner_, nullptr);
  }
  mesh_owner_->Position().SetPoint({0, 0, 0});
  Changed();
  return true;
}

std::vector<TgkShape*> TWorkbench::Meshes() const {
  std::vector<TgkShape*> meshes;
  for (TgkObject* child : mesh_owner_->Children()) {
    if (auto* shape = dynamic_cast<TgkShape*>(child)) meshes.push_back(shape);
  }
  return meshes;
}

void TWorkbench::SetMeshVisible(TgkShape& mesh, bool visible) {
  mesh.SetVisible(visible);
  Changed();
}

void TWorkbench::SetMeshColor(TgkShape& mesh, uint32_t color) {
  mesh.Material().SetDiffuseText(ColorToString(color));
  Changed();
}

void TWorkbench::SelectMesh(TgkShape* mesh) {
  for (TgkShape* shape : Meshes()) shape->Material().SetFillMode(gkSolid);
  selected_ = mesh;
  if (selected_) selected_->Material().SetFillMode(gkWireframe);
}

void TWorkbench::SetModelRotation(int axis, float degrees) {
  TpmTrackValue& track = rotate_.at(static_cast<size_t>(axis));
  track.SetValue(degrees);
  TgkPosition& angle = mesh_owner_->RotateAngle();
  const float value = track.Value();
  if (axis == 0 && angle.X() != value) angle.SetX(value);
  if (axis == 1 && angle.Y() != value) angle.SetY(value);
  if (axis == 2 && angle.Z() != value) angle.SetZ(value);
  Changed();
}

void TWorkbench::SetViewTurn(float degrees) {
  camera_z_->RotateAngle().SetZ(degrees);
  Changed();
}

void TWorkbench::SetViewTilt(float degrees) {
  camera_x_->RotateAngle().SetX(degrees);
  Changed();
}

void TWorkbench::SetCameraDistance(float distance) {
  if (distance_.SetValue(-distance)) camera_->Position().SetY(distance_.Value());
  Changed();
}

void TWorkbench::SetModelOffset(const TgkPoint& offset) {
  mesh_owner_->Position().SetPoint(offset);
  Changed();
}

void TWorkbench::SetShadowEnabled(bool enabled) {
  shadow_enabled_ = enabled;
  Changed();
}

void TWorkbench::SetShadowDirection(float degrees) {
  shadow_dir_.SetValue(degrees);
  Changed();
}

void TWorkbench::SetShadowDistance(float pixels) {
  shadow_dist_.SetValue(pixels);
  Changed();
}

void TWorkbench::SetShadowOpacity(float percent) {
  shadow_opacity_.SetValue(percent);
  Changed();
}

void TWorkbench::SetShadowSoftness(float value) {
  shadow_softness_.SetValue(value);
  Changed();
}

void TWorkbench::SetShadowColor(uint32_t color) {
  shadow_color_ = color;
  Changed();
}

TShadowSettings TWorkbench::Shadow() const {
  TShadowSettings s;
  s.Enabled = shadow_enabled_;
  s.Direction = shadow_dir_.Value();
  s.Distance = shadow_dist_.Value();
  s.Opacity = shadow_opacity_.Value();
  s.Softness = shadow_softness_.Value();
  s.Color = shadow_color_;
  return s;
}

bool TWorkbench::RenderIcons() {
  const bool rendered =
      RenderModel(*scene_bitmap_, work_, *mesh_owner_, *camera_, *light1_, selected_);
  TpmBitmap master(kMasterSize, kMasterSize);
  MakeMaster(work_, master);
  if (shadow_enabled_) AddShadow(master, work_, Shadow());
  MakePreviews(master, previews_);
  return rendered;
}

void TWorkbench::Save(TIconFormat format, const std::string& file_name) const {
  switch (format) {
    case ifIcns:
      SaveIcns(previews_, file_name);
      break;
    case ifIco:
      SaveIco(previews_, file_name);
      break;
    case ifPng:
      SavePng(previews_, file_name);
      break;
  }
}
