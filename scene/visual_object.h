// TgkVisualObject: a scene node with a place and an appearance: position, scale and
// orientation, size, opacity, visibility, local and absolute matrices, the render passes,
// picking along a ray, mouse/keyboard/drag input, alignment inside the parent and the
// projection (3D camera or screen pixels). TgkPosition and TgkBounds are its persistent
// parts.
#pragma once

#include <functional>
#include <string>

#include "platform/input_event.h"
#include "scene/math.h"
#include "scene/object.h"

class TgkCanvas;
class TgkVisualObject;

// A persistent (X, Y, Z) triple: Position, Scale, RotateAngle, Velocity. Streamed only as
// its defined property "Point" = "(x,y,z)", when it differs from the construction value.
class TgkPosition : public TPersistent {
  FM_CLASS(TgkPosition, TPersistent)
 public:
  explicit TgkPosition(const TgkPoint& default_value = {});

  float X() const { return value_.X; }
  float Y() const { return value_.Y; }
  float Z() const { return value_.Z; }
  // Each stores the previous triple and the new value, then calls OnChangeX (Y, Z) when
  // assigned, otherwise OnChange. Setting the current value does nothing.
  void SetX(float v);
  void SetY(float v);
  void SetZ(float v);
  // Stores the previous triple and the new one, then calls only OnChange.
  void SetPoint(const TgkPoint& p);
  TgkPoint Point() const { return value_; }
  TgkVector Vector(float w = 1) const { return PointToVector(value_, w); }
  const TgkPoint& Previous() const { return previous_; }
  const TgkPoint& DefaultValue() const { return default_; }
  bool IsDefault() const { return value_ == default_; }
  // Sets the value and the previous value without notifying.
  void SetPointSilently(const TgkPoint& p);
  void SetPreviousSilently(const TgkPoint& p) { previous_ = p; }

  void Assign(const TPersistent& source) override;
  void DefineProperties(TFiler& filer) override;

  std::function<void()> OnChange;
  std::function<void()> OnChangeX, OnChangeY, OnChangeZ;

 private:
  void SetAxis(float TgkPoint::*axis, float v, const std::function<void()>& axis_changed);

  TgkPoint value_;
  TgkPoint previous_;
  TgkPoint default_;
};

// Six spacings (Margins, Padding). Streamed only as the defined property "Rect" =
// "(left,top,right,bottom)" when those four differ from the construction values; znear and
// zfar are never stored.
class TgkBounds : public TPersistent {
  FM_CLASS(TgkBounds, TPersistent)
 public:
  explicit TgkBounds(const TgkRect& default_value = {});

  float Left() const { return left_; }
  float Top() const { return top_; }
  float Right() const { return right_; }
  float Bottom() const { return bottom_; }
  float ZNear() const { return znear_; }
  float ZFar() const { return zfar_; }
  void SetLeft(float v) { Set(left_, v); }
  void SetTop(float v) { Set(top_, v); }
  void SetRight(float v) { Set(right_, v); }
  void SetBottom(float v) { Set(bottom_, v); }
  void SetZNear(float v) { Set(znear_, v); }
  void SetZFar(float v) { Set(zfar_, v); }
  TgkRect Rect() const { return {left_, top_, right_, bottom_}; }
  void SetRect(const TgkRect& r);
  bool IsDefault() const { return Rect() == default_; }

  void Assign(const TPersistent& source) override;
  void DefineProperties(TFiler& filer) override;

  std::function<void()> OnChange;

 private:
  void Set(float& field, float v);

  float left_ = 0, top_ = 0, right_ = 0, bottom_ = 0, znear_ = 0, zfar_ = 0;
  TgkRect default_;
};

enum TgkAlign {
  gkNone,
  gkScale,
  gkContents,
  gkTopLeft,
  gkTopRight,
  gkBottomLeft,
  gkBottomRight,
  gkTop,
  gkLeft,
  gkRight,
  gkBottom,
  gkMostLeft,
  gkMostRight,
  gkClient,
  gkCenter,
  gkVertCenter,
  gkHorzCenter,
  gkHorizontal,
  gkVertical,
};
const TEnumInfo& AlignInfo();

enum TgkDragMode { gkDragManual, gkDragAutomatic };
const TEnumInfo& DragModeInfo();

// What a drag carries between objects.
struct TgkDragObject {
  TgkVisualObject* Source = nullptr;
  std::string Text;
};

using TgkMouseEvent =
    TEvent<void(TPersistent* sender, TMouseButton button, TShiftState shift, float x, float y)>;
using TgkMouseMoveEvent =
    TEvent<void(TPersistent* sender, TShiftState shift, float x, float y, float dx, float dy)>;
using TgkMouseWheelEvent = TEvent<void(TPersistent* sender, TShiftState shift, int wheel_delta,
                                       const TgkPoint& mouse_pos, bool& handled)>;
using TgkKeyEvent =
    TEvent<void(TPersistent* sender, uint16_t& key, char32_t& key_char, TShiftState shift)>;
using TgkPaintEvent = TEvent<void(TPersistent* sender, TgkCanvas& canvas)>;
using TgkDragEvent =
    TEvent<void(TPersistent* sender, const TgkDragObject& data, const TgkPoint& point)>;
using TgkDragOverEvent = TEvent<void(TPersistent* sender, const TgkDragObject& data,
                                     const TgkPoint& point, bool& accept)>;
using TgkCollisionEvent = TEvent<void(TPersistent* sender, TgkVisualObject* other,
                                      const TgkVector& point, const TgkVector& normal)>;

enum class TgkProjection { Camera, Screen };

// The distance a pick starts with.
inline constexpr float kPickFar = 65535.0f;

class TgkVisualObject : public TgkObject {
  FM_CLASS(TgkVisualObject, TgkObject)
 public:
  explicit TgkVisualObject(TComponent* owner = nullptr);
  ~TgkVisualObject() override;

  // ---- Virtual operations, in slot order ----
  // Stores; when it becomes True in a scene, starts the trigger "IsVisible".
  virtual void SetVisible(bool value);
  virtual void SetHeight(float value);
  virtual void SetWidth(float value);
  virtual void SetDepth(float value);
  // The cached absolute matrix: local times the parent's absolute matrix.
  virtual const TgkMatrix& GetAbsoluteMatrix();
  // Ray in local space; hit in absolute space. Base: always hit, at the absolute position.
  virtual bool RayCastIntersect(const TgkVector& ray_pos, const TgkVector& ray_dir, TgkVector& hit);
  virtual float GetAbsoluteOpacity();
  // Marks the cached opacity of self and all visual descendants dirty.
  virtual void RecalcOpacity();
  virtual void DesignSelect() {}
  virtual void DesignDblClick() {}
  virtual void MouseDown(TMouseButton button, TShiftState shift, float x, float y,
                         const TgkVector& ray_pos, const TgkVector& ray_dir);
  virtual void MouseMove(TShiftState shift, float x, float y, float dx, float dy,
                         const TgkVector& ray_pos, const TgkVector& ray_dir);
  virtual void MouseUp(TMouseButton button, TShiftState shift, float x, float y,
                       const TgkVector& ray_pos, const TgkVector& ray_dir);
  virtual void MouseWheel(TShiftState shift, int wheel_delta, bool& handled);
  virtual void KeyDown(uint16_t& key, char32_t& key_char, TShiftState shift);
  virtual void KeyUp(uint16_t& key, char32_t& key_char, TShiftState shift);
  virtual void MouseEnter();
  virtual void MouseLeave();
  virtual void Enter();
  virtual void Exit();
  virtual void DragEnter(const TgkDragObject& data, const TgkPoint& point);
  virtual void DragOver(const TgkDragObject& data, const TgkPoint& point, bool& accept);
  virtual void DragDrop(const TgkDragObject& data, const TgkPoint& point);
  virtual void DragLeave();
  virtual bool HintShow(std::string& message) { return false; }
  // Calls ApplyStyle of every visual child.
  virtual void ApplyStyle();
  // Calls CollectLights of every visual child (lights register themselves).
  virtual void CollectLights();
  virtual void BeforePaint() {}
  virtual void AfterPaint() {}
  virtual void Paint() {}
  // The child render pass.
  virtual void PaintChildren();
  // The pass of the screen-projection objects below this camera-projection one, in tree
  // order (each with its subtree): what PaintChildren left out while the host deferred them.
  void PaintScreenChildren();
  // Marks the absolute matrix of self and all visual descendants dirty.
  virtual void RecalcAbsolute();
  virtual TgkPoint AbsoluteToLocal(const TgkPoint& p);
  virtual TgkPoint LocalToAbsolute(const TgkPoint& p);
  // V times the (inverse) absolute matrix with V's own W.
  virtual TgkVector AbsoluteToLocalVector(const TgkVector& v);
  virtual TgkVector LocalToAbsoluteVector(const TgkVector& v);
  virtual void DoCollision(TgkVisualObject* other, const TgkVector& point, const TgkVector& normal);
  // Physics binding: this program has no physics engine, so bodies are never made.
  virtual void CreatePhysicsBody() {}
  virtual void DestroyPhysicsBody() {}
  virtual void RecreatePhysics();
  // The alignment pass over the visual children.
  virtual void Realign();

  // Frees the children, takes Source's size and moves all of Source's children here in their
  // order, as laid out for that size: one layout pass for the lot, where moving them one by
  // one would lay out all siblings once per child. Source ends up empty.
  void ReplaceChildrenWith(TgkVisualObject& source);

  // ---- Properties ----
  TgkPosition& Position() { return position_; }
  TgkPosition& Scale() { return scale_; }
  TgkPosition& RotateAngle() { return rotate_angle_; }
  TgkPosition& Velocity() { return velocity_; }
  const TgkPosition& Position() const { return position_; }
  const TgkPosition& Scale() const { return scale_; }
  const TgkPosition& RotateAngle() const { return rotate_angle_; }
  const TgkPosition& Velocity() const { return velocity_; }
  const TgkQuaternion& Orientation() const { return orientation_; }
  // Replaces the stored orientation (the streamed "Quanternion") and recomputes the matrix.
  void SetOrientation(const TgkQuaternion& q);
  float Width() const { return width_; }
  float Height() const { return height_; }
  float Depth() const { return depth_; }
  float Opacity() const { return opacity_; }
  // Clamped to [0, 1]; an unchanged value is ignored.
  void SetOpacity(float value);
  bool Visible() const { return visible_; }
  bool IsVisible() const { return visible_; }
  bool HitTest() const { return hit_test_; }
  void SetHitTest(bool v) { hit_test_ = v; }
  bool ZWrite() const { return zwrite_; }
  void SetZWrite(bool v);
  bool TwoSide() const { return two_side_; }
  void SetTwoSide(bool v);
  TgkAlign Align() const { return align_; }
  void SetAlign(TgkAlign value);
  bool Locked() const { return locked_; }
  void SetLocked(bool v) { locked_ = v; }
  bool DesignHide() const { return design_hide_; }
  void SetDesignHide(bool v);
  bool CanFocused() const { return can_focused_; }
  void SetCanFocused(bool v) { can_focused_ = v; }
  TgkDragMode DragMode() const { return drag_mode_; }
  void SetDragMode(TgkDragMode v) { drag_mode_ = v; }
  bool DragDisableHighlight() const { return drag_disable_highlight_; }
  void SetDragDisableHighlight(bool v) { drag_disable_highlight_ = v; }
  TgkBounds& Margins() { return margins_; }
  TgkBounds& Padding() { return padding_; }
  const TgkBounds& Margins() const { return margins_; }
  const TgkBounds& Padding() const { return padding_; }
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& v) { hint_ = v; }
  bool ShowHint() const { return show_hint_; }
  void SetShowHint(bool v) { show_hint_ = v; }
  bool Dynamic() const { return dynamic_; }
  void SetDynamic(bool v) { dynamic_ = v; }
  bool Collider() const { return collider_; }
  void SetCollider(bool v) { collider_ = v; }
  bool ColliseTrack() const { return collise_track_; }
  void SetColliseTrack(bool v) { collise_track_ = v; }
  // Set by the input operations.
  bool IsMouseOver() const { return is_mouse_over_; }
  bool IsFocused() const { return is_focused_; }
  bool IsDragOver() const { return is_drag_over_; }
  // Capture the mouse between mouse down and mouse up.
  bool AutoCapture = false;

  TgkMouseEvent OnMouseDown, OnMouseUp;
  TgkMouseMoveEvent OnMouseMove;
  TgkMouseWheelEvent OnMouseWheel;
  TgkKeyEvent OnKeyDown, OnKeyUp;
  TgkPaintEvent OnPaint;
  TgkDragEvent OnDragEnter, OnDragDrop;
  TgkDragOverEvent OnDragOver;
  TNotifyEvent OnDragLeave;
  TgkCollisionEvent OnCollision;

  // ---- Services ----
  TgkProjection Projection() const { return projection_; }
  bool IsScreenProjection() const { return projection_ == TgkProjection::Screen; }
  // Sets the projection of self and all visual descendants and requests a repaint.
  void SetProjection(bool screen);
  // The Canvas override, else the host's canvas, else nullptr.
  TgkCanvas* GetCanvas() const;
  // Sets the override on self and all visual descendants.
  void SetCanvas(TgkCanvas* canvas);
  const TgkMatrix& LocalMatrix() const { return local_matrix_; }
  TgkVector AbsolutePosition();  // row 3 of the absolute matrix
  TgkVector AbsoluteAxisX();     // row 0
  TgkVector AbsoluteAxisY();     // row 1
  TgkVector AbsoluteAxisZ();     // row 2
  // The picking of this subtree: descendants (last first) before the object itself.
  // distance starts at kPickFar and shrinks with every nearer hit.
  TgkVisualObject* ObjectAtPoint(bool screen, float& distance, float x, float y);
  // Like ObjectAtPoint, taking only candidates whose DragOver accepts data.
  TgkVisualObject* DragTargetAt(const TgkPoint& point, bool screen, float& distance,
                                const TgkDragObject& data);
  bool IsHitTestable() const;
  // Sets Locked on self and all visual descendants.
  void LockAll();
  void Capture();
  void ReleaseCapture();
  void SetFocus();
  // Asks the host for a frame (only when visible, in a scene and not being destroyed).
  void Repaint();
  // Recomputes the local matrix from position, scale and orientation.
  void RecalcLocalMatrix();
  // The size at the last alignment pass.
  const TgkPoint& PreviousSize() const { return previous_size_; }

  bool IsVisualObject() const override { return true; }
  void AddObject(TgkObject* child) override;
  void RemoveObject(TgkObject* child) override;
  void Tick(float time, float delta_time) override;
  void Loaded() override;
  void DefineProperties(TFiler& filer) override;

 protected:
  // Size setters' common part.
  void SizeChanged();
  // Draws the object's pass: BeforePaint, Paint, OnPaint, AfterPaint, PaintChildren.
  void PaintSelf(TgkCanvas& canvas);
  // The translucent cube drawn over a drag target.
  void PaintDragHighlight(TgkCanvas& canvas);

 private:
  friend class TgkProxyObject;
  friend class TgkObject;  // DeleteChildren empties the child list in one go
  void RotateAxisChanged(int axis);
  void SetVisibleField(bool v) { SetVisible(v); }
  TgkVisualObject* PickCandidate(bool screen, float& distance, float x, float y,
                                 const TgkDragObject* drag);
  TgkVisualObject* VisualParent() const;
  // Node as a visual child that is drawn (visible, not squashed flat), or nullptr.
  TgkVisualObject* DrawnChild(TgkObject* node) const;
  void PaintChild(TgkVisualObject& child);
  void LayOut();

  TgkPosition position_{{0, 0, 0}};
  TgkPosition scale_{{1, 1, 1}};
  TgkPosition rotate_angle_{{0, 0, 0}};
  TgkPosition velocity_{{0, 0, 0}};
  TgkQuaternion orientation_ = IdentityQuaternion;
  float width_ = 1, height_ = 1, depth_ = 1;
  TgkPoint previous_size_{1, 1, 1};
  float opacity_ = 1;
  bool visible_ = true;
  bool hit_test_ = true;
  bool zwrite_ = true;
  bool two_side_ = false;
  TgkAlign align_ = gkNone;
  bool locked_ = false;
  bool design_hide_ = false;
  bool can_focused_ = false;
  TgkDragMode drag_mode_ = gkDragManual;
  bool drag_disable_highlight_ = false;
  TgkBounds margins_;
  TgkBounds padding_;
  std::string hint_;
  bool show_hint_ = false;
  bool dynamic_ = false;
  bool collider_ = false;
  bool collise_track_ = false;
  bool is_mouse_over_ = false;
  bool is_focused_ = false;
  bool is_drag_over_ = false;
  TgkProjection projection_ = TgkProjection::Camera;
  TgkMatrix local_matrix_ = IdentityMatrix;
  TgkMatrix absolute_matrix_ = IdentityMatrix;
  bool absolute_dirty_ = true;
  float absolute_opacity_ = 1;
  bool opacity_dirty_ = true;
  TgkCanvas* canvas_override_ = nullptr;
  TgkVisualObject* capture_next_ = nullptr;
  bool realigning_ = false;
  // How many visual children have an Align other than gkNone and gkScale: without any, a
  // pass at an unchanged size moves nothing and is skipped, so adding many scaled
  // children (a model's meshes) costs the same per child however many there are.
  int placed_children_ = 0;
};
