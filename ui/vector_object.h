// The 2D vector object model: TpmObject (a tree node with a style name), TpmVisualObject
// (place, size, transform, opacity, hit testing, alignment, painting and input) and the
// scene interface IpqScene through which objects repaint, capture the pointer and take
// the focus.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/component.h"
#include "imaging/effect_painter.h"
#include "imaging/effects.h"
#include "imaging/geometry.h"
#include "platform/input_event.h"

class TpmCanvas;
class TpmEffect;
class TpmObject;
class TpmVisualObject;
class TpmResources;

// What a host (a vector layer) offers the objects it shows.
class IpqScene {
 public:
  virtual void AddUpdateRect(const TpmRect& rect) = 0;
  virtual bool GetUpdating() const = 0;
  virtual TpmVisualObject* GetCaptured() const = 0;
  virtual void SetCaptured(TpmVisualObject* obj) = 0;
  virtual TpmVisualObject* GetFocused() const = 0;
  virtual void SetFocused(TpmVisualObject* obj) = 0;
  virtual TpmResources* GetStyle() const = 0;
  virtual TpmPoint LocalToScreen(const TpmPoint& p) const = 0;
  // An object is going away: forget every reference to it.
  virtual void ObjectDestroying(TpmObject* obj) = 0;
  virtual bool IsDesigning() const { return false; }
  // Shows a menu of items (checked marks one, -1 none) with its top-left corner at the
  // layer pixel at; choose receives the chosen position. Closing without a choice calls
  // nothing. False when the host cannot show menus.
  // The menu closes when owner goes away.
  virtual bool ShowPopupMenu(TpmObject* owner, const std::vector<std::string>& items, int checked,
                             TpmPoint at, std::function<void(int)> choose) {
    return false;
  }

 protected:
  ~IpqScene() = default;
};

// A component that takes 2D objects as its children when they are read (the layers).
class IpqObjectHost {
 public:
  virtual void AddObject2D(class TpmObject* obj) = 0;

 protected:
  ~IpqObjectHost() = default;
};

// A persistent (X, Y) pair: Position, Scale, RotateCenter.
class TpmPosition : public TPersistent {
  FM_CLASS(TpmPosition, TPersistent)
 public:
  explicit TpmPosition(TpmPoint value = {}) : value_(value) {}
  float X() const { return value_.X; }
  float Y() const { return value_.Y; }
  void SetX(float v) { SetPoint({v, value_.Y}); }
  void SetY(float v) { SetPoint({value_.X, v}); }
  TpmPoint Point() const { return value_; }
  void SetPoint(TpmPoint p);
  void Assign(const TPersistent& source) override;
  std::function<void()> OnChange;

 private:
  TpmPoint value_;
};

// Four spacings (Padding, Margins).
class TpmBounds : public TPersistent {
  FM_CLASS(TpmBounds, TPersistent)
 public:
  TpmBounds() = default;
  float Left() const { return r_.Left; }
  float Top() const { return r_.Top; }
  float Right() const { return r_.Right; }
  float Bottom() const { return r_.Bottom; }
  void SetLeft(float v) { SetRect({v, r_.Top, r_.Right, r_.Bottom}); }
  void SetTop(float v) { SetRect({r_.Left, v, r_.Right, r_.Bottom}); }
  void SetRight(float v) { SetRect({r_.Left, r_.Top, v, r_.Bottom}); }
  void SetBottom(float v) { SetRect({r_.Left, r_.Top, r_.Right, v}); }
  TpmRect Rect() const { return r_; }
  void SetRect(const TpmRect& r);
  void Assign(const TPersistent& source) override;
  std::function<void()> OnChange;

 private:
  TpmRect r_;
};

// Placement of a child inside its parent's padded area.
enum TpmAlign {
  pqAlignNone,
  pqAlignTop,
  pqAlignLeft,
  pqAlignRight,
  pqAlignBottom,
  pqAlignMostTop,
  pqAlignMostBottom,
  pqAlignMostLeft,
  pqAlignMostRight,
  pqAlignClient,
  pqAlignContents,
  pqAlignCenter,
  pqAlignVertCenter,
  pqAlignHorzCenter,
  pqAlignHorizontal,
  pqAlignVertical,
  pqAlignScale,
  pqAlignFit,
};
const TEnumInfo& PmAlignInfo();

using TpmMouseEvent =
    TEvent<void(TPersistent* sender, TMouseButton button, TShiftState shift, float x, float y)>;
using TpmMouseMoveEvent = TEvent<void(TPersistent* sender, TShiftState shift, float x, float y)>;
using TpmMouseWheelEvent =
    TEvent<void(TPersistent* sender, TShiftState shift, int wheel_delta, bool& handled)>;
using TpmKeyEvent =
    TEvent<void(TPersistent* sender, uint16_t& key, char32_t& key_char, TShiftState shift)>;
using TpmPaintEvent = TEvent<void(TPersistent* sender, TpmCanvas& canvas, const TpmRect& rect)>;

class TpmObject : public TComponent {
  FM_CLASS(TpmObject, TComponent)
 public:
  explicit TpmObject(TComponent* owner = nullptr);
  // Leaves the parent, tells the scene, frees the children (last first).
  ~TpmObject() override;

  TpmObject* Parent() const { return parent_; }
  // Moves the object under parent (nullptr: detached).
  void SetParent(TpmObject* parent);
  int ChildrenCount() const { return static_cast<int>(children_.size()); }
  TpmObject* Child(int index) const;
  const std::vector<TpmObject*>& Children() const { return children_; }
  // Appends child (taking it from any previous parent); insert puts it at index.
  virtual void AddObject(TpmObject* child);
  void InsertObject(int index, TpmObject* child);
  virtual void RemoveObject(TpmObject* child);
  void DeleteChildren();
  // Appends many children at once (taking each from any previous parent) and tells of the
  // change once: adding them one by one would lay out all siblings once per child.
  void AppendObjects(const std::vector<TpmObject*>& children);
  // Frees the children that Which picks, telling of the change once.
  void DeleteChildrenIf(const std::function<bool(const TpmObject&)>& which);
  virtual bool IsVisual() const { return false; }

  const std::string& ResourceName() const { return resource_name_; }
  void SetResourceName(const std::string& v) { resource_name_ = v; }
  // Depth-first, pre-order: the first descendant whose ResourceName is name.
  TpmObject* FindResource(const std::string& name) const;
  TPersistent* LinkedObject = nullptr;
  // Style copies and other generated parts are not written with their parent.
  bool Stored = true;

  IpqScene* Scene() const { return scene_; }
  void SetScene(IpqScene* scene);

  // A state of instance changed: offered to the child animations and, recursively, to the
  // locked children that do not take hits (the parts of a style copy).
  virtual void StartTriggerAnimation(TpmObject* instance, const std::string& state);

  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override { return parent_; }
  void SetParentComponent(TComponent* parent) override;
  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const override;

 protected:
  virtual void ChildrenChanged() {}
  // The object came into a scene (or left it).
  virtual void SceneChanged() {}
  // Takes the object apart (once): derived destructors whose children call back call it.
  void FreeChildren();

 private:
  TpmObject* parent_ = nullptr;
  IpqScene* scene_ = nullptr;
  std::vector<TpmObject*> children_;
  std::string resource_name_;
};

class TpmVisualObject : public TpmObject, public IpmEffectHost {
  FM_CLASS(TpmVisualObject, TpmObject)
 public:
  explicit TpmVisualObject(TComponent* owner = nullptr);
  ~TpmVisualObject() override;
  bool IsVisual() const override { return true; }

  // ---- Geometry ----
  TpmAlign Align() const { return align_; }
  void SetAlign(TpmAlign v);
  TpmPosition& Position() { return position_; }
  const TpmPosition& Position() const { return position_; }
  TpmPosition& Scale() { return scale_; }
  const TpmPosition& Scale() const { return scale_; }
  // Fractions of the size (0.5, 0.5 is the centre).
  TpmPosition& RotateCenter() { return rotate_center_; }
  float Width() const { return width_; }
  float Height() const { return height_; }
  virtual void SetWidth(float v);
  virtual void SetHeight(float v);
  void SetBounds(float x, float y, float w, float h);
  TpmBounds& Padding() { return padding_; }
  TpmBounds& Margins() { return margins_; }
  const TpmBounds& Padding() const { return padding_; }
  const TpmBounds& Margins() const { return margins_; }
  float RotateAngle() const { return rotate_angle_; }
  void SetRotateAngle(float v);
  TpmRect LocalRect() const { return {0, 0, width_, height_}; }

  // Local: scale and rotation about RotateCenter, then the position in the parent.
  TpmMatrix LocalMatrix() const;
  // Local times the parent's absolute matrix (layer pixels).
  const TpmMatrix& AbsoluteMatrix();
  // The axis-aligned rectangle in layer pixels the object covers (with its effects).
  TpmRect AbsoluteRect();
  TpmPoint AbsoluteToLocal(const TpmPoint& p);
  TpmPoint LocalToAbsolute(const TpmPoint& p);
  // Marks the cached matrices of self and the visual descendants stale.
  void RecalcAbsolute();

  // ---- Appearance ----
  float Opacity() const { return opacity_; }
  void SetOpacity(float v);
  // Opacity times the parent's absolute opacity (a disabled control adds its factor).
  virtual float AbsoluteOpacity();
  void RecalcOpacity();
  bool Visible() const { return visible_; }
  virtual void SetVisible(bool v);
  // Visible together with every visual ancestor.
  bool IsVisibleAll() const;
  bool HitTest() const { return hit_test_; }
  void SetHitTest(bool v) { hit_test_ = v; }
  bool ClipChildren() const { return clip_children_; }
  void SetClipChildren(bool v);
  bool Locked() const { return locked_; }
  void SetLocked(bool v) { locked_ = v; }
  bool CanFocused() const { return can_focused_; }
  void SetCanFocused(bool v) { can_focused_ = v; }
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& v) { hint_ = v; }
  bool ShowHint() const { return show_hint_; }
  void SetShowHint(bool v) { show_hint_ = v; }
  bool IsMouseOver() const { return is_mouse_over_; }
  bool IsFocused() const { return is_focused_; }
  bool IsDragOver() const { return false; }
  bool AutoCapture = false;

  // Effects painted under (or instead of) the object, owned; their picture is kept. An
  // effect freed by someone else (the streaming, after an error) leaves the list.
  void AddEffect(std::unique_ptr<TpmEffect> effect);
  void AdoptEffect(TpmEffect* effect) override;
  const std::vector<std::unique_ptr<TpmEffect>>& Effects() const { return effects_; }
  void Notification(TComponent* component, TOperation operation) override;
  // Also the effects of a style part follow the state of the control they draw.
  void StartTriggerAnimation(TpmObject* instance, const std::string& state) override;
  // The 2D children, then the effects.
  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const override;

  // ---- Repaint and painting ----
  // Reports the covered rectangle to the scene.
  void Repaint();
  // Paints self and subtree; the canvas matrix is set to each object's absolute matrix.
  void PaintTo(TpmCanvas& canvas);
  // The object's own picture in local coordinates (rect = LocalRect()).
  virtual void Paint(TpmCanvas& canvas, const TpmRect& rect) {}

  // ---- Alignment ----
  virtual void Realign();

  // ---- Hit testing ----
  // The topmost hit-testable visible object of the subtree at layer pixel (x, y).
  virtual TpmVisualObject* ObjectAtPoint(float x, float y);
  // Local point inside the object's shape.
  virtual bool PointInObject(float x, float y) const;

  // ---- Input (positions in the object's own coordinates) ----
  virtual void MouseDown(TMouseButton button, TShiftState shift, float x, float y);
  virtual void MouseMove(TShiftState shift, float x, float y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, float x, float y);
  virtual void MouseWheel(TShiftState shift, int wheel_delta, bool& handled);
  virtual void KeyDown(uint16_t& key, char32_t& key_char, TShiftState shift);
  virtual void KeyUp(uint16_t& key, char32_t& key_char, TShiftState shift);
  virtual void MouseEnter();
  virtual void MouseLeave();
  virtual void EnterFocus();
  virtual void KillFocus();
  // Whether Tab may give it the focus (a disabled control may not).
  virtual bool AcceptsFocus() const { return can_focused_; }
  void SetFocus();
  void Capture();
  void ReleaseCapture();

  // Applies the style to this object and its subtree (controls look their style up).
  virtual void ApplyStyle();
  // The visual ancestors' and own tab order: every visual descendant depth-first.
  void TabList(std::vector<TpmVisualObject*>& list);

  TpmMouseEvent OnMouseDown, OnMouseUp;
  TpmMouseMoveEvent OnMouseMove;
  TpmMouseWheelEvent OnMouseWheel;
  TNotifyEvent OnMouseEnter, OnMouseLeave;
  TpmKeyEvent OnKeyDown, OnKeyUp;
  TpmPaintEvent OnPaint;

  TpmVisualObject* VisualParent() const;

 protected:
  void ChildrenChanged() override;
  // Setter helper: stores, repaints and realigns the parent only on a real change.
  void GeometryChanged();
  void SizeChanged();
  void SetMouseOver(bool v) { is_mouse_over_ = v; }
  // Paints own picture (with effects) but not the children.
  void PaintOwn(TpmCanvas& canvas);

 private:
  void PaintChildren(TpmCanvas& canvas);
  // The descendants' own painting, Base being this object's matrix (for effect pictures).
  void PaintSubtree(TpmCanvas& canvas, const TpmMatrix& base);
  TpmAlign align_ = pqAlignNone;
  TpmPosition position_;
  TpmPosition scale_{{1, 1}};
  TpmPosition rotate_center_{{0.5f, 0.5f}};
  TpmBounds padding_, margins_;
  float width_ = 50, height_ = 50;
  float rotate_angle_ = 0;
  float opacity_ = 1;
  bool visible_ = true;
  bool hit_test_ = true;
  bool clip_children_ = false;
  bool locked_ = false;
  bool can_focused_ = false;
  std::string hint_;
  bool show_hint_ = false;
  bool is_mouse_over_ = false;
  bool is_focused_ = false;
  bool realigning_ = false;
  TpmMatrix absolute_;
  bool absolute_dirty_ = true;
  float absolute_opacity_ = 1;
  bool opacity_dirty_ = true;
  std::vector<std::unique_ptr<TpmEffect>> effects_;
  TpmEffectPainter effect_painter_;
};

// The inverse of an affine 2D matrix (identity when singular).
TpmMatrix InvertMatrix(const TpmMatrix& m);
// Axis-aligned bounds of rect taken through m.
TpmRect TransformRect(const TpmRect& rect, const TpmMatrix& m);
bool RectsIntersect(const TpmRect& a, const TpmRect& b);
TpmRect UnionRect(const TpmRect& a, const TpmRect& b);
