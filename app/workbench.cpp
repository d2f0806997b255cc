#include "app/workbench.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <new>
#include <stdexcept>

#include "app/icon_save.h"
#include "app/icon_sets.h"
#include "app/large_master.h"
#include "core/stream.h"
#include "core/text_helpers.h"
#include "imaging/canvas.h"
#include "import/import_3ds.h"
#include "import/import_assimp.h"
#include "import/import_md3.h"
#include "import/model_formats.h"
#include "scene/bitmap_registry.h"
#include "scene/camera_light.h"
#include "scene/canvas.h"
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

std::string OutOfMemoryMessage(const std::string& file_name) {
  return "out of memory while reading " + std::filesystem::path(file_name).filename().string();
}

// True when some mesh under Parent has a triangle of non-zero area: anything less draws
// no pixel, and blank icons must not pass for a model.
bool HasDrawableTriangle(const TgkVisualObject& parent) {
  for (const TgkObject* child : parent.Children()) {
    const auto* mesh = dynamic_cast<const TgkCustomMesh*>(child);
    if (!mesh) continue;
    const TgkMeshData& data = mesh->MeshData();
    const float size[3] = {mesh->Width(), mesh->Height(), mesh->Depth()};
    auto at = [&](size_t i, int axis) {
      const TgkMeshVertex& v = data.Vertices[i];
      return static_cast<double>(axis == 0 ? v.X : axis == 1 ? v.Y : v.Z) * size[axis];
    };
    const size_t count = data.Vertices.size();
    for (size_t t = 0; t + 2 < data.Indices.size(); t += 3) {
      const size_t a = data.Indices[t], b = data.Indices[t + 1], c = data.Indices[t + 2];
      if (a >= count || b >= count || c >= count) continue;
      double e1[3] = {}, e2[3] = {};
      for (int k = 0; k < 3; ++k) {
        e1[k] = at(b, k) - at(a, k);
        e2[k] = at(c, k) - at(a, k);
      }
      const double cross[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                               e1[0] * e2[1] - e1[1] * e2[0]};
      const double area2 = cross[0] * cross[0] + cross[1] * cross[1] + cross[2] * cross[2];
      if (area2 > 0 && std::isfinite(area2)) return true;
    }
  }
  return false;
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
      scene_bitmap_(std::make_unique<TgkBitmap>()) {
  // Its frames go straight into work_ (or the large masters' strips): zeroing 4 MB of pixels
  // it never holds took about a millisecond of every workbench's start.
  scene_bitmap_->SetTargetSize(kRenderSize, kRenderSize);
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
  FinishLoad(ReadModel(file_name));
  return true;
}

bool TWorkbench::ReadsApart(const std::string& file_name) {
  const TModelFormat* format = ModelFormatOf(file_name);
  return format && format->Reader == TModelReader::Assimp;
}

TModelRead TWorkbench::ReadModel(const std::string& file_name, const TCancelSignal* cancel) {
  TModelRead read;
  read.FileName = file_name;
  if (!ReadsApart(file_name)) return read;
  try {
    // The reader process opens the file itself, with the files it names.
    read.Assimp = std::make_shared<const TAssimpRead>(ReadAssimpModel(file_name, cancel));
  } catch (const std::bad_alloc&) {
    throw std::runtime_error(OutOfMemoryMessage(file_name));
  } catch (const std::length_error&) {
    throw std::runtime_error(OutOfMemoryMessage(file_name));
  }
  return read;
}

void TWorkbench::FinishLoad(const TModelRead& read) {
  const std::string& file_name = read.FileName;
  const TModelFormat* format = ModelFormatOf(file_name);
  if (format) {
    // The new model is built aside, in a parent of the current size outside the scene, and
    // replaces the current one only when the whole load succeeded: a file that fails leaves
    // the model, its colours, visibility, selection and position as they were.
    TgkDummy staging;  // unowned, like MeshOwner: the meshes it makes are unowned too
    staging.SetWidth(mesh_owner_->Width());
    staging.SetHeight(mesh_owner_->Height());
    staging.SetDepth(mesh_owner_->Depth());
    auto textures = std::make_unique<TgkBitmapList>();
    TImportReport report;
    try {
      TMemoryStream stream;
      switch (format->Reader) {
        case TModelReader::Reader3DS:
          stream.LoadFromFile(file_name);
          stream.Seek(0);
          Import3DS(file_name, textures.get(), stream, staging, nullptr);
          break;
        case TModelReader::ReaderMD3:
          stream.LoadFromFile(file_name);
          stream.Seek(0);
          ImportMD3(file_name, textures.get(), stream, staging, &report);
          break;
        case TModelReader::Assimp:
          if (!read.Assimp) throw std::logic_error("the model " + file_name + " was not read");
          BuildAssimpModel(*read.Assimp, textures.get(), staging, &report);
          break;
      }
    } catch (const std::bad_alloc&) {
      throw std::runtime_error(OutOfMemoryMessage(file_name));
    } catch (const std::length_error&) {
      throw std::runtime_error(OutOfMemoryMessage(file_name));
    }
    if (!HasDrawableTriangle(staging)) throw std::runtime_error(kNothingDrawable);
    if (selected_) SelectMesh(nullptr);
    mesh_owner_->ReplaceChildrenWith(staging);
    textures->SetName(bitmaps_->Name());
    bitmaps_.swap(textures);
    report_ = std::move(report);
  }
  model_file_ = file_name;
  mesh_owner_->Position().SetPoint({0, 0, 0});
  Changed();
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
  // Without a renderer every frame would fail to start and every icon would stay blank: a
  // program that forgot to install one must hear of it.
  if (!RendererInstalled()) {
    throw std::logic_error("No renderer is installed: the icons cannot be drawn");
  }
  const bool rendered =
      RenderModel(*scene_bitmap_, work_, *mesh_owner_, *camera_, *light1_, selected_);
  icons_.clear();
  MakeMaster(work_, master_);
  if (shadow_enabled_) AddShadow(master_, Shadow(), 1, !FramingFitted());
  MakePreviews(master_, previews_);
  return rendered;
}

const TpmBitmap& TWorkbench::Master(int size) {
  if (size == kMasterSize) return master_;
  if (size != 2 * kMasterSize && size != 4 * kMasterSize) {
    throw std::out_of_range("no master of size " + std::to_string(size));
  }
  std::unique_ptr<TpmBitmap>& master = icons_[size];
  if (!master) {
    auto made = std::make_unique<TpmBitmap>();
    // The 512 master is the 1024 one halved: one render serves both, with more samples.
    if (size == 2 * kMasterSize) {
      HalveMaster(Master(4 * kMasterSize), *made);
    } else {
      MakeLargeMaster(size, *scene_bitmap_, *mesh_owner_, *camera_, *light1_, selected_, Shadow(),
                      !FramingFitted(), *made);
    }
    master = std::move(made);
  }
  return *master;
}

const TpmBitmap& TWorkbench::Icon(int size) {
  const auto& sizes = TIconPreviews::kSizes;
  if (std::find(sizes.begin(), sizes.end(), size) != sizes.end()) return previews_.Of(size);
  if (size < 1 || size > 4 * kMasterSize) {
    throw std::out_of_range("no icon of size " + std::to_string(size));
  }
  if (size % kMasterSize == 0) return Master(size);
  std::unique_ptr<TpmBitmap>& icon = icons_[size];
  if (!icon) {
    const int from = size < kMasterSize       ? kMasterSize
                     : size < 2 * kMasterSize ? 2 * kMasterSize
                                              : 4 * kMasterSize;
    const TpmBitmap& master = Master(from);
    auto made = std::make_unique<TpmBitmap>(size, size);
    const float m = static_cast<float>(from), s = static_cast<float>(size);
    made->Canvas().DrawBitmap(master, {0, 0, m, m}, {0, 0, s, s}, 1, false);
    icon = std::move(made);
  }
  return *icon;
}

std::string TWorkbench::IconSetName() const {
  return icon_set_name_.empty() ? ::IconSetName(model_file_) : icon_set_name_;
}

std::vector<float> TWorkbench::FramingKey() const {
  const TgkPoint at = mesh_owner_->Position().Point();
  const TShadowSettings s = Shadow();
  return {camera_->Position().Y(),
          camera_z_->RotateAngle().Z(),
          camera_x_->RotateAngle().X(),
          at.X,
          at.Y,
          at.Z,
          mesh_owner_->RotateAngle().X(),
          mesh_owner_->RotateAngle().Y(),
          mesh_owner_->RotateAngle().Z(),
          s.Enabled ? 1.0f : 0.0f,
          s.Direction,
          s.Distance,
          s.Softness};
}

void TWorkbench::MarkFramingFitted() {
  fitted_ = FramingKey();
}

bool TWorkbench::FramingFitted() const {
  return !fitted_.empty() && fitted_ == FramingKey();
}

void TWorkbench::Save(TIconFormat format, const std::string& file_name, int png_size) {
  const TIconSource icon = [this](int size) -> const TpmBitmap& { return Icon(size); };
  switch (format) {
    case ifIcns: {
      // The previews' elements are encoded while the masters are made.
      TIcnsSave save(previews_);
      const TpmBitmap& master1024 = Master(4 * kMasterSize);
      save.Finish(Master(2 * kMasterSize), master1024, file_name);
      break;
    }
    case ifIco:
      SaveIco(previews_, file_name);
      break;
    case ifPng:
      SavePng(Icon(png_size), file_name);
      break;
    case ifIconset:
      WriteIconset(file_name, icon);
      break;
    case ifIconTheme:
      WriteIconTheme(file_name, IconSetName(), icon);
      break;
    case ifWeb:
      WriteWebIcons(file_name, IconSetName(), web_background_, icon);
      break;
  }
}
