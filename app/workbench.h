// TWorkbench: everything of the main window that needs no window: the scene tree below the
// scene host (the view rig and the model holder), the two work bitmaps, the six previews,
// loading a model, mesh visibility, colour and selection, the slider-backed settings, the
// icon render and the three save formats. The window owns one and drives it; the command
// line drives one the same way, so the same settings give the same files.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/icon_pipeline.h"
#include "app/window_sliders.h"
#include "imaging/bitmap.h"
#include "import/import_report.h"
#include "scene/math.h"

class TCancelSignal;
class TgkBitmap;
class TgkBitmapList;
class TgkCamera;
class TgkDummy;
class TgkLight;
class TgkRoundCube;
class TgkShape;
class TgkVisualObject;

struct TAssimpRead;

// What the first step of a model load hands to the second (TWorkbench::ReadModel).
struct TModelRead {
  std::string FileName;
  std::shared_ptr<const TAssimpRead> Assimp;  // the formats of the guarded reader only
};

// The save formats in the order of the window's format box: three files, then three sets
// written into a folder (see icon_sets.h).
enum TIconFormat { ifIcns = 0, ifIco = 1, ifPng = 2, ifIconset = 3, ifIconTheme = 4, ifWeb = 5 };

class TWorkbench {
 public:
  // Builds the scene tree with its start values, the bitmaps and the previews (1 x 1 until
  // the first RenderIcons). Nothing is rendered yet.
  TWorkbench();
  ~TWorkbench();
  TWorkbench(const TWorkbench&) = delete;
  TWorkbench& operator=(const TWorkbench&) = delete;

  // ---- The scene tree: Root2 holds CameraZ (CameraX, Camera1, Light1, Light2) and
  // MeshOwner (the model). The window adds its screen layers to Root2. ----
  TgkVisualObject& Root2() { return *root_; }
  TgkDummy& CameraZ() { return *camera_z_; }
  TgkDummy& CameraX() { return *camera_x_; }
  TgkCamera& Camera1() { return *camera_; }
  TgkLight& Light1() { return *light1_; }
  TgkLight& Light2() { return *light2_; }
  TgkDummy& MeshOwner() { return *mesh_owner_; }
  TgkBitmapList& BitmapList() { return *bitmaps_; }

  TpmBitmap& WorkBitmap() { return work_; }
  TgkBitmap& SceneBitmap() { return *scene_bitmap_; }
  TIconPreviews& Previews() { return previews_; }
  const TpmBitmap& Preview(int size) const { return previews_.Of(size); }

  // ---- Model ----
  // False, nothing changed, when no file of that name exists. A model file of one of
  // ModelFormats() (by its extension, any letter case) is built aside and replaces the meshes,
  // textures and selection only when the whole load succeeded with a drawable model; otherwise its
  // error passes through and nothing changed. Any other extension keeps the meshes. After a load
  // the model goes back to the origin.
  bool LoadModel(const std::string& file_name);
  // LoadModel in two steps, for a window that keeps answering while a model is read. The
  // first reads what the guarded reader reads (ReadsApart): slow, touching no scene object,
  // so safe on any thread; it raises that read's errors as LoadModel does, and
  // EModelReadCancelled (import/assimp_guard.h) once cancel (may be null) is raised. The
  // other formats are read by the second step, on the scene's thread, which does the rest
  // of LoadModel for a file that exists.
  static bool ReadsApart(const std::string& file_name);
  static TModelRead ReadModel(const std::string& file_name, const TCancelSignal* cancel = nullptr);
  void FinishLoad(const TModelRead& read);
  const std::string& ModelFileName() const { return model_file_; }
  // The textures the last model load found for its meshes, and the notes on those it could
  // not show (empty for the model files whose readers report nothing).
  const TImportReport& LoadReport() const { return report_; }
  // The meshes of the current model, in child order.
  std::vector<TgkShape*> Meshes() const;
  void SetMeshVisible(TgkShape& mesh, bool visible);
  // Sets the mesh's diffuse colour (straight ARGB).
  void SetMeshColor(TgkShape& mesh, uint32_t color);
  // The selected mesh shows as a wire frame in the viewport (nullptr: none selected).
  void SelectMesh(TgkShape* mesh);
  TgkShape* SelectedMesh() const { return selected_; }

  // ---- Settings, each through the rule of its slider ----
  // Model rotation about its X, Y, Z axis (0, 1, 2), -180 .. 180 in steps of 2. Applied
  // to the model whenever it differs from the model's angle, so that the slider's start
  // value 2 can be asked for, too.
  void SetModelRotation(int axis, float degrees);
  const TpmTrackValue& ModelRotation(int axis) const { return rotate_[axis]; }
  // CameraZ's angle about Z and CameraX's about X.
  void SetViewTurn(float degrees);
  void SetViewTilt(float degrees);
  // Camera distance 2 .. 20 (the slider holds its negative, the camera's Y).
  void SetCameraDistance(float distance);
  const TpmTrackValue& DistanceTrack() const { return distance_; }
  // MeshOwner's position.
  void SetModelOffset(const TgkPoint& offset);

  void SetShadowEnabled(bool enabled);
  void SetShadowDirection(float degrees);
  void SetShadowDistance(float pixels);
  void SetShadowOpacity(float percent);
  void SetShadowSoftness(float value);
  void SetShadowColor(uint32_t color);
  // What the render uses: the slider values as they stand.
  TShadowSettings Shadow() const;

  // ---- Render and save ----
  // The whole icon render. False when the off-screen frame could not be started: the
  // previews are then made from the previous render's pixels. Raises std::logic_error when
  // no renderer is installed (InstallOpenGLRenderer).
  bool RenderIcons();
  // The master of side 256, 512 or 1024 of the last RenderIcons: the 256 one as the
  // previews were made from it, the larger ones rendered when first asked for (the same
  // picture with 16 samples per pixel; see large_master.h). Raises std::out_of_range for
  // another side, std::runtime_error when a large master cannot be rendered.
  const TpmBitmap& Master(int size);
  // The picture of any side from 1 to 1024: a preview, a master, or scaled from the nearest
  // larger master as the previews are from the 256 one. Kept until the next RenderIcons.
  const TpmBitmap& Icon(int size);

  // Writes the icons as they stand (no render first); file_name is a folder for the sets.
  // The PNG is png_size pixels square. Raises on any failure with a message naming the
  // file; that file is then as it was.
  void Save(TIconFormat format, const std::string& file_name, int png_size = kMasterSize);
  // What the icon theme and the web icons call the application (IconSetName of the model
  // unless set; "" goes back to that) and the web's opaque background (opaque ARGB).
  void SetIconSetName(const std::string& name) { icon_set_name_ = name; }
  std::string IconSetName() const;
  void SetWebBackground(uint32_t color) { web_background_ = color | 0xFF000000u; }

  // Marks the framing as it stands as fitted (FitFraming): until the framing or the shadow
  // changes, the render keeps model and shadow in place instead of shifting them.
  void MarkFramingFitted();
  bool FramingFitted() const;

  // Fired after every change that affects the icons (the window restarts its timer).
  std::function<void()> OnChange;

 private:
  void Changed() {
    if (OnChange) OnChange();
  }
  // Everything a fitted framing depends on.
  std::vector<float> FramingKey() const;

  std::unique_ptr<TgkVisualObject> root_;
  TgkDummy* camera_z_ = nullptr;
  TgkDummy* camera_x_ = nullptr;
  TgkCamera* camera_ = nullptr;
  TgkLight* light1_ = nullptr;
  TgkLight* light2_ = nullptr;
  TgkDummy* mesh_owner_ = nullptr;
  std::unique_ptr<TgkBitmapList> bitmaps_;
  TpmBitmap work_;
  std::unique_ptr<TgkBitmap> scene_bitmap_;
  TIconPreviews previews_;
  TpmBitmap master_;
  std::map<int, std::unique_ptr<TpmBitmap>> icons_;  // sides other than the previews'
  std::vector<float> fitted_;                        // FramingKey() when fitted
  std::string icon_set_name_;
  uint32_t web_background_ = 0xFFFFFFFF;
  std::string model_file_;
  TImportReport report_;
  TgkShape* selected_ = nullptr;

  std::array<TpmTrackValue, 3> rotate_{TpmTrackValue(kModelRotateTrack, kModelRotateStart),
                                       TpmTrackValue(kModelRotateTrack, kModelRotateStart),
                                       TpmTrackValue(kModelRotateTrack, kModelRotateStart)};
  TpmTrackValue distance_{kDistanceTrack, kDistanceStart};
  bool shadow_enabled_ = true;
  TpmTrackValue shadow_dir_{kShadowDirTrack, kShadowDirStart};
  TpmTrackValue shadow_dist_{kShadowDistTrack, kShadowDistStart};
  TpmTrackValue shadow_opacity_{kShadowOpacityTrack, kShadowOpacityStart};
  TpmTrackValue shadow_softness_{kShadowSoftnessTrack, kShadowSoftnessStart};
  uint32_t shadow_color_ = 0xFF000000;
};

// The error of a model that has nothing a render could show (no meshes, no triangles, or
// every triangle without area).
inline constexpr const char* kNothingDrawable = "the model has nothing to draw";

// The name of the round cube the window starts with.
inline constexpr const char* kRoundCubeName = "圆立方体";
