// TgkScene: the scene host control. It owns the window's render canvas and the root
// objects, renders a frame whenever something asks for one (many requests between two
// frames give one frame), lays the screen layers out along the window edges, and turns the
// window's input into calls on the objects: picking the object under the pointer, hover,
// the capture chain, wheel bubbling and keyboard focus.
//
// The scene knows its window only through TgkSceneView, so that it stays free of the
// windowing library; TgkSceneWindow (scene/scene_window.h) connects it to a TWindow, and
// tests drive it with injected input events and a canvas of their own.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/component.h"
#include "platform/input_event.h"
#include "scene/canvas.h"
#include "scene/object.h"

class TgkCamera;
class TgkLayer;

// The window a scene is shown in, as the scene sees it.
class TgkSceneView {
 public:
  // Asks for one frame; the window calls TgkScene::Paint for it later.
  virtual void InvalidateView() = 0;
  virtual void SetViewMouseCapture(bool capture) = 0;
  virtual void TakeViewFocus() = 0;
  // What the window canvas is made for.
  virtual TgkCanvasWindow* CanvasWindow() = 0;

 protected:
  ~TgkSceneView() = default;
};

const TEnumInfo& QualityInfo();

// The scene's own mouse events, fired for every mouse message before the objects get it.
using TgkSceneMouseEvent =
    TEvent<void(TPersistent* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TgkSceneMouseMoveEvent = TEvent<void(TPersistent* sender, TShiftState shift, int x, int y)>;
using TgkSceneMouseWheelEvent = TEvent<void(TPersistent* sender, TShiftState shift, int wheel_delta,
                                            int x, int y, bool& handled)>;

class TgkScene : public TComponent, public TgkSceneHost {
  FM_CLASS(TgkScene, TComponent)
 public:
  static constexpr uint32_t kDefaultFillColor = 0xFF303030;
  static constexpr uint32_t kDefaultAmbientColor = 0xFF202020;

  explicit TgkScene(TComponent* owner = nullptr);
  // Frees the root objects, then the canvas.
  ~TgkScene() override;

  // ---- Published properties ----
  TgkQuality Quality() const { return quality_; }
  void SetQuality(TgkQuality quality);
  uint32_t FillColor() const { return fill_color_; }
  void SetFillColor(uint32_t color);
  uint32_t AmbientColor() const { return ambient_color_; }
  void SetAmbientColor(uint32_t color);
  bool Lighting() const { return lighting_; }
  void SetLighting(bool value);
  TgkCamera* Camera() const { return camera_; }
  void SetCamera(TgkCamera* camera);
  bool Transparency() const { return transparency_; }
  void SetTransparency(bool value) { transparency_ = value; }
  bool RealTime() const { return real_time_; }
  void SetRealTime(bool value);
  int RealTimeSleep() const { return real_time_sleep_; }
  void SetRealTimeSleep(int ms) { real_time_sleep_ = ms < 0 ? 0 : ms; }
  bool InvisibleAtRuntime() const { return invisible_at_runtime_; }
  void SetInvisibleAtRuntime(bool value) { invisible_at_runtime_ = value; }
  // Stored for the window description; the owner-window drag is not offered.
  bool AllowDrag() const { return allow_drag_; }
  void SetAllowDrag(bool value) { allow_drag_ = value; }
  bool AlignRoot() const { return align_root_; }
  void SetAlignRoot(bool value) { align_root_ = value; }

  TgkSceneMouseEvent OnMouseDown, OnMouseUp;
  TgkSceneMouseMoveEvent OnMouseMove;
  TgkSceneMouseWheelEvent OnMouseWheel;

  // ---- The window ----
  // The window handle appears: the canvas is made for the view (unless invisible at run
  // time), Width x Height drawable pixels.
  void AttachView(TgkSceneView* view, int width, int height);
  // The window handle goes: the canvas is freed.
  void DetachView();
  TgkSceneView* View() const { return view_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // A size change of the window: layers laid out, the canvas buffer resized, one frame asked.
  void SetSize(int width, int height);
  // The window asks for the frame it owes (after InvalidateView).
  void Paint();
  // One window input event: mouse, wheel, keys, leave.
  void HandleInput(const TInputEvent& event);

  // ---- Frames ----
  void Render();
  // Frames rendered so far (a frame counts when it reached the canvas).
  std::uint64_t FrameCount() const { return frames_; }
  bool Rendering() const { return rendering_; }
  // One real-time step: every root ticks, a frame is rendered. The view calls it from its
  // idle loop while RealTime is set and waits RealTimeSleep ms before the next one.
  void RealTimeStep(double now_seconds);

  // ---- Objects ----
  const std::vector<TgkObject*>& Roots() const { return roots_; }
  void AddObject(TgkObject* object) {
    if (object) object->SetRootOf(this);
  }
  void RemoveObject(TgkObject* object);
  TgkVisualObject* ObjectAtPoint(float x, float y);
  void RealignLayers();
  // How far (pixels) edge layers reach beyond the window: one design pixel, so that their
  // borders stay out of sight; a HiDPI window sets it to its scale.
  float LayerOverhang() const { return layer_overhang_; }
  void SetLayerOverhang(float pixels) { layer_overhang_ = pixels; }
  void BeginUpdate() { ++updating_; }
  void EndUpdate();
  TgkVisualObject* Hovered() const { return hovered_; }

  // ---- TgkSceneHost ----
  void RequestRender() override;
  TgkCanvas* Canvas() const override { return canvas_.get(); }
  bool IsDesigning() const override { return false; }
  bool IsRealTime() const override { return real_time_; }
  bool IsUpdating() const override { return updating_ > 0; }
  bool IsInvisibleAtRuntime() const override { return invisible_at_runtime_; }
  bool DefersScreenObjects() const override { return deferring_screen_; }
  TgkVisualObject* Captured() const override { return captured_; }
  void SetCaptured(TgkVisualObject* object) override { captured_ = object; }
  void SetMouseCapture(bool capture) override;
  TgkVisualObject* Focused() const override { return focused_; }
  void SetFocused(TgkVisualObject* object) override;
  TgkPoint MousePosition() const override { return mouse_; }
  void AddRoot(TgkObject* object) override;
  void RemoveRoot(TgkObject* object) override;
  void ObjectDestroying(TgkObject* object) override;

  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;
  // The stored description writes the roots inside the scene.
  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const override;

 private:
  void MouseDown(TMouseButton button, TShiftState shift, float x, float y);
  void MouseMove(TShiftState shift, float x, float y);
  void MouseUp(TMouseButton button, TShiftState shift, float x, float y);
  void MouseWheel(TShiftState shift, int delta, float x, float y);
  void MouseLeaveWindow();
  void Key(const TInputEvent& event);
  void FocusNext();
  // The local point and pick ray of window point (X, Y) for Object.
  void LocalInput(TgkVisualObject& object, float x, float y, TgkPoint& local, TgkVector& ray_pos,
                  TgkVector& ray_dir);
  void CollectLayers(TgkObject& object, std::vector<TgkLayer*>& layers) const;

  TgkQuality quality_ = gkLowQuality;
  uint32_t fill_color_ = kDefaultFillColor;
  uint32_t ambient_color_ = kDefaultAmbientColor;
  bool lighting_ = true;
  TgkCamera* camera_ = nullptr;
  bool transparency_ = false;
  bool real_time_ = false;
  int real_time_sleep_ = 0;
  bool invisible_at_runtime_ = false;
  bool allow_drag_ = false;
  bool align_root_ = true;

  TgkSceneView* view_ = nullptr;
  std::unique_ptr<TgkCanvas> canvas_;
  float layer_overhang_ = 1;
  int width_ = 100;
  int height_ = 100;
  std::vector<TgkObject*> roots_;
  bool rendering_ = false;
  bool deferring_screen_ = false;
  bool resize_pending_ = false;
  int updating_ = 0;
  bool missed_request_ = false;
  std::uint64_t frames_ = 0;
  double real_time_start_ = -1;
  double real_time_last_ = 0;
  TgkPoint mouse_;
  TgkVisualObject* captured_ = nullptr;
  TgkVisualObject* hovered_ = nullptr;
  TgkVisualObject* focused_ = nullptr;
  // The object an input operation is talking to; cleared when it is freed meanwhile.
  TgkVisualObject* target_ = nullptr;
};
