// TgkPQLayer: a scene layer hosting a tree of 2D vector objects. It redraws the changed
// rectangles of its tree into a 2D surface, copies the surface into the layer bitmap and
// hands pointer and key input, in layer pixels, to the 2D object under the pointer.
// TgkScreenPQLayer is the same in the screen projection.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/brush.h"
#include "imaging/canvas.h"
#include "ui/scene_link.h"
#include "ui/vector_object.h"

class TpmResources;
class TgkScreenPQLayer;

class TgkPQLayer : public TgkLayer, public IpqScene, public IpqObjectHost {
  FM_CLASS(TgkPQLayer, TgkLayer)
 public:
  // Beyond this many changed rectangles a redraw paints their union.
  static constexpr size_t kMaxUpdateRects = 20;

  explicit TgkPQLayer(TComponent* owner = nullptr);
  ~TgkPQLayer() override;

  TpmBrush& Fill() { return fill_; }
  bool Transparency() const { return transparency_; }
  void SetTransparency(bool v);
  TpmResources* Style() const { return style_; }
  void SetStyle(TpmResources* v);
  bool AlignRoot() const { return align_root_; }
  void SetAlignRoot(bool v) { align_root_ = v; }
  bool AllowDrag() const { return allow_drag_; }
  void SetAllowDrag(bool v) { allow_drag_ = v; }
  float DesignSnapGridSize() const { return grid_size_; }
  void SetDesignSnapGridSize(float v) { grid_size_ = v < 0.01f ? 0.01f : v; }
  bool DesignSnapToGrid() const { return snap_to_grid_; }
  void SetDesignSnapToGrid(bool v) { snap_to_grid_ = v; }

  // ---- 2D children (child 0 is the root) ----
  void AddObject2D(TpmObject* obj) override;
  void RemoveObject2D(TpmObject* obj);
  int ObjectCount() const { return static_cast<int>(objects_.size()); }
  TpmObject* Object(int index) const;
  TpmVisualObject* Root() const;
  // Sizes the root to the surface and realigns it.
  void LayoutRoot();

  // ---- IpqScene ----
  void AddUpdateRect(const TpmRect& rect) override;
  bool GetUpdating() const override { return updating_; }
  void SetUpdating(bool v) { updating_ = v; }
  void BeginUpdate() { updating_ = true; }
  void EndUpdate();
  TpmVisualObject* GetCaptured() const override { return captured_; }
  void SetCaptured(TpmVisualObject* obj) override;
  TpmVisualObject* GetFocused() const override { return focused_; }
  void SetFocused(TpmVisualObject* obj) override;
  TpmVisualObject* GetHovered() const { return hovered_; }
  // The focus mark, a thin blue frame around the focused control, shown while the focus is
  // moved with the keyboard; a press in the layer hides it.
  bool FocusMarkShown() const { return focus_mark_; }
  void SetFocusMarkShown(bool shown);
  // Where the mark of Obj is drawn, in layer pixels.
  static TpmRect FocusMarkRect(TpmVisualObject& obj);
  TpmResources* GetStyle() const override { return style_; }
  TpmPoint LocalToScreen(const TpmPoint& p) const override;
  void ObjectDestroying(TpmObject* obj) override;
  bool ShowPopupMenu(TpmObject* owner, const std::vector<std::string>& items, int checked,
                     TpmPoint at, std::function<void(int)> choose) override;
  // The open menu layer, or nullptr.
  TgkScreenPQLayer* PopupMenu() const;
  void ClosePopupMenu();

  const std::vector<TpmRect>& UpdateRects() const { return update_rects_; }
  // The rectangles the last redraw painted (after merging).
  const std::vector<TpmRect>& LastRedrawRects() const { return last_redraw_; }
  // How many times each top-level object was painted by the last redraw.
  int LastPaintedObjects() const { return last_painted_; }
  TpmCanvas& Surface() { return *surface_; }
  TpmPoint PointerPos() const { return pointer_; }

  // Brings the surface to the bitmap size and paints the changed rectangles.
  virtual void RedrawUpdateRects();
  // Surface size check and redraw without a 3D frame (the same steps as a frame).
  void UpdateSurface();

  // ---- Input in layer pixels (what the 3D events turn into) ----
  void PointerDown(TMouseButton button, TShiftState shift, float x, float y);
  void PointerMove(TShiftState shift, float x, float y);
  void PointerUp(TMouseButton button, TShiftState shift, float x, float y);
  bool PointerWheel(TShiftState shift, int delta);
  TpmVisualObject* ObjectAtPoint2D(float x, float y) const;

  // ---- 3D overrides ----
  void SetVisible(bool value) override;
  void MouseDown(TMouseButton button, TShiftState shift, float x, float y, const TgkVector& ray_pos,
                 const TgkVector& ray_dir) override;
  void MouseMove(TShiftState shift, float x, float y, float dx, float dy, const TgkVector& ray_pos,
                 const TgkVector& ray_dir) override;
  void MouseUp(TMouseButton button, TShiftState shift, float x, float y, const TgkVector& ray_pos,
               const TgkVector& ray_dir) override;
  void MouseWheel(TShiftState shift, int wheel_delta, bool& handled) override;
  // The pointer left the layer (for another object or out of the window): nothing in it is
  // under the pointer any more.
  void MouseLeave() override;
  void KeyDown(uint16_t& key, char32_t& key_char, TShiftState shift) override;
  void KeyUp(uint16_t& key, char32_t& key_char, TShiftState shift) override;
  bool HintShow(std::string& message) override;
  void BeforePaint() override;
  void Paint() override;
  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const override;
  void Notification(TComponent* component, TOperation operation) override;
  void Loaded() override;

  // Pixel of a local ray; with capture the ray may miss the layer's box (the pointer went
  // outside while dragging) and the plane point is used.
  bool PixelFromRay(const TgkVector& ray_pos, const TgkVector& ray_dir, bool allow_outside,
                    TpmPoint& pixel);

  // Fired when Escape or a press outside closes a menu layer (menu layers only).
  std::function<void()> OnDismiss;

  // The number of vector layers alive (the 2D animation timer goes with the last one).
  static int LayerCount();

 private:
  TpmPoint Snap(TpmPoint p) const;
  // The keys of a menu layer: Up and Down mark an entry, Enter and Space choose it.
  bool MenuKey(uint16_t& key);
  // obj, unless a disabled control holds it.
  static TpmVisualObject* InputTarget(TpmVisualObject* obj);
  void ClearReferences(TpmObject* obj);

  TpmBrush fill_{pqBrushNone, 0xFF505050};
  bool transparency_ = false;
  TpmResources* style_ = nullptr;
  bool align_root_ = true;
  bool allow_drag_ = false;
  float grid_size_ = 1;
  bool snap_to_grid_ = false;
  std::vector<TpmObject*> objects_;
  std::unique_ptr<TpmCanvas> surface_;
  std::vector<TpmRect> update_rects_;
  std::vector<TpmRect> last_redraw_;
  int last_painted_ = 0;
  bool updating_ = false;
  bool redrawing_ = false;
  // The surface holds a picture the layer bitmap has not received yet.
  bool surface_changed_ = false;
  bool focus_mark_ = false;
  TpmPoint pointer_;
  TpmVisualObject* captured_ = nullptr;
  TpmVisualObject* hovered_ = nullptr;
  TpmVisualObject* focused_ = nullptr;
  bool moving_ = false;
  TpmPoint move_start_;
  std::unique_ptr<TgkScreenPQLayer> popup_;
  TpmObject* popup_owner_ = nullptr;
  // A menu closed from inside its own event handling lives until the next menu.
  std::unique_ptr<TgkScreenPQLayer> closed_popup_;
};

class TgkScreenPQLayer : public TgkPQLayer {
  FM_CLASS(TgkScreenPQLayer, TgkPQLayer)
 public:
  explicit TgkScreenPQLayer(TComponent* owner = nullptr);
};

// Where a menu of size w x h whose wanted top-left is (x, y) goes in a window of
// window_w x window_h pixels: moved inside the window (its top-left wins when it does not
// fit).
TpmPoint KeepInsideWindow(TpmPoint at, float w, float h, float window_w, float window_h);
