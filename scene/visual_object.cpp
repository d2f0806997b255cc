#include "scene/visual_object.h"

#include <algorithm>
#include <cmath>

#include "scene/canvas.h"
#include "scene/material.h"
#include "scene/text_forms.h"

// ---------------------------------------------------------------- TgkPosition

FM_REGISTER_CLASS(TgkPosition) {
  c.Float("X", &TgkPosition::X, &TgkPosition::SetX).NotStored();
  c.Float("Y", &TgkPosition::Y, &TgkPosition::SetY).NotStored();
  c.Float("Z", &TgkPosition::Z, &TgkPosition::SetZ).NotStored();
}

TgkPosition::TgkPosition(const TgkPoint& default_value)
    : value_(default_value), previous_(default_value), default_(default_value) {}

void TgkPosition::SetAxis(float TgkPoint::*axis, float v,
                          const std::function<void()>& axis_changed) {
  if (value_.*axis == v) return;
  previous_ = value_;
  value_.*axis = v;
  if (axis_changed)
    axis_changed();
  else if (OnChange)
    OnChange();
}

void TgkPosition::SetX(float v) {
  SetAxis(&TgkPoint::X, v, OnChangeX);
}
void TgkPosition::SetY(float v) {
  SetAxis(&TgkPoint::Y, v, OnChangeY);
}
void TgkPosition::SetZ(float v) {
  SetAxis(&TgkPoint::Z, v, OnChangeZ);
}

void TgkPosition::SetPoint(const TgkPoint& p) {
  previous_ = value_;
  value_ = p;
  if (OnChange) OnChange();
}

void TgkPosition::SetPointSilently(const TgkPoint& p) {
  previous_ = p;
  value_ = p;
}

void TgkPosition::Assign(const TPersistent& source) {
  if (auto* other = dynamic_cast<const TgkPosition*>(&source))
    SetPoint(other->value_);
  else
    TPersistent::Assign(source);
}

void TgkPosition::DefineProperties(TFiler& filer) {
  filer.DefineProperty(
      "Point", [this](const std::string& text) { SetPoint(TextToPoint(text)); },
      [this] { return PointToText(value_); }, !IsDefault());
}

// ---------------------------------------------------------------- TgkBounds

FM_REGISTER_CLASS(TgkBounds) {
  c.Float("left", &TgkBounds::Left, &TgkBounds::SetLeft).NotStored();
  c.Float("top", &TgkBounds::Top, &TgkBounds::SetTop).NotStored();
  c.Float("right", &TgkBounds::Right, &TgkBounds::SetRight).NotStored();
  c.Float("bottom", &TgkBounds::Bottom, &TgkBounds::SetBottom).NotStored();
  c.Float("znear", &TgkBounds::ZNear, &TgkBounds::SetZNear).NotStored();
  c.Float("zfar", &TgkBounds::ZFar, &TgkBounds::SetZFar).NotStored();
}

TgkBounds::TgkBounds(const TgkRect& default_value)
    : left_(default_value.Left),
      top_(default_value.Top),
      right_(default_value.Right),
      bottom_(default_value.Bottom),
      default_(default_value) {}

void TgkBounds::Set(float& field, float v) {
  if (field == v) return;
  field = v;
  if (OnChange) OnChange();
}

void TgkBounds::SetRect(const TgkRect& r) {
  if (r == Rect()) return;
  left_ = r.Left, top_ = r.Top, right_ = r.Right, bottom_ = r.Bottom;
  if (OnChange) OnChange();
}

void TgkBounds::Assign(const TPersistent& source) {
  auto* other = dynamic_cast<const TgkBounds*>(&source);
  if (!other) return TPersistent::Assign(source);
  bool changed = other->Rect() != Rect() || other->znear_ != znear_ || other->zfar_ != zfar_;
  left_ = other->left_, top_ = other->top_, right_ = other->right_, bottom_ = other->bottom_;
  znear_ = other->znear_, zfar_ = other->zfar_;
  if (changed && OnChange) OnChange();
}

void TgkBounds::DefineProperties(TFiler& filer) {
  filer.DefineProperty(
      "Rect", [this](const std::string& text) { SetRect(TextToRect(text)); },
      [this] { return RectToText(Rect()); }, !IsDefault());
}

// ---------------------------------------------------------------- enumerations

const TEnumInfo& AlignInfo() {
  static const TEnumInfo info(
      "TgkAlign",
      {"gkNone", "gkScale", "gkContents", "gkTopLeft", "gkTopRight", "gkBottomLeft",
       "gkBottomRight", "gkTop", "gkLeft", "gkRight", "gkBottom", "gkMostLeft", "gkMostRight",
       "gkClient", "gkCenter", "gkVertCenter", "gkHorzCenter", "gkHorizontal", "gkVertical"});
  return info;
}

const TEnumInfo& DragModeInfo() {
  static const TEnumInfo info("TgkDragMode", {"gkDragManual", "gkDragAutomatic"});
  return info;
}

// ---------------------------------------------------------------- TgkVisualObject

FM_REGISTER_CLASS(TgkVisualObject) {
  using V = TgkVisualObject;
  c.Object<TgkPosition>("Position", [](V& o) -> TgkPosition& { return o.Position(); });
  c.Object<TgkPosition>("Scale", [](V& o) -> TgkPosition& { return o.Scale(); });
  c.Object<TgkPosition>("RotateAngle", [](V& o) -> TgkPosition& { return o.RotateAngle(); });
  c.Float("Width", &V::Width, &V::SetWidth).Default(1.0f);
  c.Float("Height", &V::Height, &V::SetHeight).Default(1.0f);
  c.Float("Depth", &V::Depth, &V::SetDepth).Default(1.0f);
  c.Float("Opacity", &V::Opacity, &V::SetOpacity).AlwaysStored();
  c.Boolean("Visible", &V::Visible, &V::SetVisible).Default(true);
  c.Boolean("HitTest", &V::HitTest, &V::SetHitTest).Default(true);
  c.Boolean("ZWrite", &V::ZWrite, &V::SetZWrite).Default(true);
  c.Boolean("TwoSide", &V::TwoSide, &V::SetTwoSide).Default(false);
  c.Enum("Align", AlignInfo(), &V::Align, &V::SetAlign).Default(int{gkNone});
  c.Boolean("Locked", &V::Locked, &V::SetLocked).Default(false);
  c.Boolean("DesignHide", &V::DesignHide, &V::SetDesignHide).Default(false);
  c.Boolean("CanFocused", &V::CanFocused, &V::SetCanFocused).Default(false);
  c.Enum("DragMode", DragModeInfo(), &V::DragMode, &V::SetDragMode).Default(int{gkDragManual});
  c.Boolean("DragDisableHighlight", &V::DragDisableHighlight, &V::SetDragDisableHighlight)
      .Default(false);
  c.Object<TgkBounds>("Margins", [](V& o) -> TgkBounds& { return o.Margins(); });
  c.Object<TgkBounds>("Padding", [](V& o) -> TgkBounds& { return o.Padding(); });
  c.String("Hint", &V::Hint, &V::SetHint);
  c.Boolean("ShowHint", &V::ShowHint, &V::SetShowHint).Default(false);
  c.Object<TgkPosition>("Velocity", [](V& o) -> TgkPosition& { return o.Velocity(); });
  c.Boolean("Dynamic", &V::Dynamic, &V::SetDynamic).Default(false);
  c.Boolean("Collider", &V::Collider, &V::SetCollider).Default(false);
  c.Boolean("ColliseTrack", &V::ColliseTrack, &V::SetColliseTrack).Default(false);
  // Read-only states, published so that trigger conditions can name them.
  c.Boolean("IsMouseOver", &V::IsMouseOver, nullptr);
  c.Boolean("IsFocused", &V::IsFocused, nullptr);
  c.Boolean("IsDragOver", &V::IsDragOver, nullptr);
  c.Boolean("IsVisible", &V::IsVisible, nullptr);
  c.Event("OnMouseDown", &V::OnMouseDown);
  c.Event("OnMouseMove", &V::OnMouseMove);
  c.Event("OnMouseUp", &V::OnMouseUp);
  c.Event("OnMouseWheel", &V::OnMouseWheel);
  c.Event("OnKeyDown", &V::OnKeyDown);
  c.Event("OnKeyUp", &V::OnKeyUp);
  c.Event("OnPaint", &V::OnPaint);
  c.Event("OnDragEnter", &V::OnDragEnter);
  c.Event("OnDragDrop", &V::OnDragDrop);
  c.Event("OnDragOver", &V::OnDragOver);
  c.Event("OnDragLeave", &V::OnDragLeave);
  c.Event("OnCollision", &V::OnCollision);
}

TgkVisualObject::TgkVisualObject(TComponent* owner) : TgkObject(owner) {
  position_.OnChange = [this] { RecalcLocalMatrix(); };
  scale_.OnChange = [this] { RecalcLocalMatrix(); };
  // RotateAngle turns the object only through its per-axis notifications.
  rotate_angle_.OnChangeX = [this] { RotateAxisChanged(0); };
  rotate_angle_.OnChangeY = [this] { RotateAxisChanged(1); };
  rotate_angle_.OnChangeZ = [this] { RotateAxisChanged(2); };
  padding_.OnChange = [this] {
    TgkVisualObject* parent = VisualParent();
    if (parent && align_ != gkNone && !IsLoading()) parent->Realign();
  };
}

TgkVisualObject::~TgkVisualObject() {
  Destroying();
  opacity_dirty_ = true;
  DestroyPhysicsBody();
}

TgkVisualObject* TgkVisualObject::VisualParent() const {
  return Parent() && Parent()->IsVisualObject() ? static_cast<TgkVisualObject*>(Parent()) : nullptr;
}

// ---- Tree ----

namespace {
// An Align whose layout depends on more than the parent's change of size.
bool PlacedByLayout(TgkAlign align) {
  return align != gkNone && align != gkScale;
}
}  // namespace

void TgkVisualObject::AddObject(TgkObject* child) {
  const bool already_here = child && child->Parent() == this;
  TgkObject::AddObject(child);
  if (!child || child->Parent() != this) return;
  if (child->IsVisualObject()) {
    auto* visual = static_cast<TgkVisualObject*>(child);
    if (!already_here && PlacedByLayout(visual->align_)) ++placed_children_;
    if (IsScreenProjection()) visual->SetProjection(true);
    visual->RecalcAbsolute();
    visual->RecalcOpacity();
  }
  if (!IsLoading()) {
    RecalcAbsolute();
    Realign();
  }
}

void TgkVisualObject::ReplaceChildrenWith(TgkVisualObject& source) {
  if (&source == this) return;
  for (TgkObject* p = this; p; p = p->parent_)
    if (p == &source) throw EComponentError("An object cannot take the children of its ancestor");
  for (TgkObject* p = source.parent_; p; p = p->parent_)
    if (p == this) throw EComponentError("An object cannot take the children of its descendant");
  DeleteChildren();
  SetWidth(source.width_);
  SetHeight(source.height_);
  SetDepth(source.depth_);
  std::vector<TgkObject*> moved = std::move(source.children_);
  source.children_.clear();
  source.Repaint();
  for (TgkObject* child : moved) {
    children_.push_back(child);
    child->parent_ = this;
    child->SetScene(Scene());
    if (child->IsVisualObject()) {
      auto* visual = static_cast<TgkVisualObject*>(child);
      if (IsScreenProjection()) visual->SetProjection(true);
      visual->RecalcAbsolute();
      visual->RecalcOpacity();
      if (PlacedByLayout(visual->align_)) ++placed_children_;
    }
  }
  source.placed_children_ = 0;
  // The children were laid out for this very size: a later resize scales them from it.
  previous_size_ = {width_, height_, depth_};
  RecalcAbsolute();
  Repaint();
}

void TgkVisualObject::RemoveObject(TgkObject* child) {
  bool present = child && child->Parent() == this;
  TgkObject::RemoveObject(child);
  if (!present) return;
  if (child->IsVisualObject()) {
    auto* visual = static_cast<TgkVisualObject*>(child);
    if (PlacedByLayout(visual->align_)) --placed_children_;
    visual->RecalcAbsolute();  // its parent's matrix no longer applies
    visual->RecalcOpacity();
  }
  // An owner that is tearing everything down gains nothing from a layout pass.
  if (IsDestroying() || (Owner() && Owner()->IsDestroying())) return;
  Realign();
  Repaint();
}

// ---- Visibility, opacity, size ----

void TgkVisualObject::SetVisible(bool value) {
  if (value == visible_) return;
  if (!value) Repaint();  // while still visible, so the host draws the scene without it
  visible_ = value;
  if (value) {
    Repaint();
    if (Scene()) StartTriggerAnimation(this, "IsVisible");
  }
}

void TgkVisualObject::SetOpacity(float value) {
  if (value == opacity_) return;
  value = std::clamp(value, 0.0f, 1.0f);
  if (std::isnan(value)) value = 0;
  opacity_ = value;
  RecalcOpacity();
  Repaint();
}

float TgkVisualObject::GetAbsoluteOpacity() {
  if (!opacity_dirty_) return absolute_opacity_;
  TgkVisualObject* parent = VisualParent();
  absolute_opacity_ = parent ? parent->GetAbsoluteOpacity() * opacity_ : opacity_;
  opacity_dirty_ = false;
  return absolute_opacity_;
}

void TgkVisualObject::RecalcOpacity() {
  opacity_dirty_ = true;
  for (TgkObject* child : Children())
    if (child->IsVisualObject()) static_cast<TgkVisualObject*>(child)->RecalcOpacity();
}

void TgkVisualObject::SetWidth(float value) {
  if (value == width_) return;
  if (value < 0 && InDesignMode()) {
    value = -value;
    scale_.SetX(-scale_.X());
  }
  width_ = value;
  SizeChanged();
}

void TgkVisualObject::SetHeight(float value) {
  if (value == height_) return;
  if (value < 0 && InDesignMode()) {
    value = -value;
    scale_.SetY(-scale_.Y());
  }
  height_ = value;
  SizeChanged();
}

void TgkVisualObject::SetDepth(float value) {
  if (value == depth_) return;
  if (value < 0 && InDesignMode()) {
    value = -value;
    scale_.SetZ(-scale_.Z());
  }
  depth_ = value;
  SizeChanged();
}

void TgkVisualObject::SizeChanged() {
  if (!IsLoading()) {
    TgkVisualObject* parent = VisualParent();
    if (parent && align_ != gkNone) parent->Realign();
    if (ChildrenCount() > 0) Realign();
  }
  RecreatePhysics();
  Repaint();  // shapes are drawn in a box of this size
}

void TgkVisualObject::SetZWrite(bool v) {
  if (v == zwrite_) return;
  zwrite_ = v;
  Repaint();
}

void TgkVisualObject::SetTwoSide(bool v) {
  if (v == two_side_) return;
  two_side_ = v;
  Repaint();
}

void TgkVisualObject::SetAlign(TgkAlign value) {
  if (value == align_) return;
  TgkVisualObject* parent = VisualParent();
  if (parent) parent->placed_children_ += PlacedByLayout(value) - PlacedByLayout(align_);
  align_ = value;
  if (parent && !IsLoading()) parent->Realign();
}

void TgkVisualObject::SetDesignHide(bool v) {
  if (v == design_hide_) return;
  design_hide_ = v;
  Repaint();
}

// ---- Matrices ----

void TgkVisualObject::RecalcLocalMatrix() {
  const TgkPoint angles = rotate_angle_.Point();
  TgkVector y_axis, z_axis;
  if (angles.X != 0 || angles.Y != 0 || angles.Z != 0) {
    TgkMatrix r = QuaternionToMatrix(orientation_);
    y_axis = {r[1][0], r[1][1], r[1][2], 0};
    z_axis = {r[2][0], r[2][1], r[2][2], 0};
  } else {
    // (0, 0, 0) always means no rotation, whatever the increments left behind.
    rotate_angle_.SetPreviousSilently({0, 0, 0});
    orientation_ = IdentityQuaternion;
    y_axis = {0, 1, 0, 0};
    z_axis = {0, 0, 1, 0};
  }
  TgkVector x_axis = VectorCross(y_axis, z_axis);
  const TgkPoint s = scale_.Point();
  const TgkPoint p = position_.Point();
  TgkMatrix& m = local_matrix_;
  m[0][0] = x_axis.X * s.X, m[0][1] = x_axis.Y * s.X, m[0][2] = x_axis.Z * s.X, m[0][3] = 0;
  m[1][0] = y_axis.X * s.Y, m[1][1] = y_axis.Y * s.Y, m[1][2] = y_axis.Z * s.Y, m[1][3] = 0;
  m[2][0] = z_axis.X * s.Z, m[2][1] = z_axis.Y * s.Z, m[2][2] = z_axis.Z * s.Z, m[2][3] = 0;
  m[3][0] = p.X, m[3][1] = p.Y, m[3][2] = p.Z, m[3][3] = 1;
  RecalcAbsolute();
  Repaint();
}

void TgkVisualObject::RotateAxisChanged(int axis) {
  float TgkPoint::*field = axis == 0 ? &TgkPoint::X : axis == 1 ? &TgkPoint::Y : &TgkPoint::Z;
  const float value = rotate_angle_.Point().*field;
  const float d = NormalizeAngle(value - rotate_angle_.Previous().*field);
  if (d == 0) return;
  // X and Z turn by the negated delta, Y by the delta itself.
  static const TgkVector kAxes[3] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}};
  const TgkQuaternion increment = QuaternionFromAxisAngle(kAxes[axis], axis == 1 ? d : -d);
  // On the right: the object turns about its own, already rotated axes.
  orientation_ = QuaternionMultiply(orientation_, increment);
  RecalcLocalMatrix();
  TgkPoint normalized = rotate_angle_.Point();
  normalized.*field = NormalizeAngle(value);
  TgkPoint previous = rotate_angle_.Previous();
  previous.*field = normalized.*field;
  rotate_angle_.SetPointSilently(normalized);
  rotate_angle_.SetPreviousSilently(previous);
}

void TgkVisualObject::SetOrientation(const TgkQuaternion& q) {
  orientation_ = q;
  orientation_.ImagPart.W = 0;
  if (!IsLoading()) RecalcLocalMatrix();
}

const TgkMatrix& TgkVisualObject::GetAbsoluteMatrix() {
  if (!absolute_dirty_) return absolute_matrix_;
  TgkVisualObject* parent = VisualParent();
  absolute_matrix_ =
      parent ? MatrixMultiply(local_matrix_, parent->GetAbsoluteMatrix()) : local_matrix_;
  absolute_dirty_ = false;
  Repaint();
  return absolute_matrix_;
}

void TgkVisualObject::RecalcAbsolute() {
  // A dirty object has only dirty visual descendants: a matrix is computed only after its
  // parent's, and every marking goes down the whole subtree. Stopping here keeps adding
  // children to a dirty parent from walking all its other children again.
  if (absolute_dirty_) return;
  absolute_dirty_ = true;
  for (TgkObject* child : Children())
    if (child->IsVisualObject()) static_cast<TgkVisualObject*>(child)->RecalcAbsolute();
}

TgkPoint TgkVisualObject::AbsoluteToLocal(const TgkPoint& p) {
  TgkMatrix inverse = GetAbsoluteMatrix();
  MatrixInvert(inverse);
  return VectorToPoint(VectorTransform(PointToVector(p, 1), inverse));
}

TgkPoint TgkVisualObject::LocalToAbsolute(const TgkPoint& p) {
  return VectorToPoint(VectorTransform(PointToVector(p, 1), GetAbsoluteMatrix()));
}

TgkVector TgkVisualObject::AbsoluteToLocalVector(const TgkVector& v) {
  TgkMatrix inverse = GetAbsoluteMatrix();
  MatrixInvert(inverse);
  return VectorTransform(v, inverse);
}

TgkVector TgkVisualObject::LocalToAbsoluteVector(const TgkVector& v) {
  return VectorTransform(v, GetAbsoluteMatrix());
}

TgkVector TgkVisualObject::AbsolutePosition() {
  const TgkMatrix& m = GetAbsoluteMatrix();
  return {m[3][0], m[3][1], m[3][2], 1};
}
TgkVector TgkVisualObject::AbsoluteAxisX() {
  const TgkMatrix& m = GetAbsoluteMatrix();
  return {m[0][0], m[0][1], m[0][2], 0};
}
TgkVector TgkVisualObject::AbsoluteAxisY() {
  const TgkMatrix& m = GetAbsoluteMatrix();
  return {m[1][0], m[1][1], m[1][2], 0};
}
TgkVector TgkVisualObject::AbsoluteAxisZ() {
  const TgkMatrix& m = GetAbsoluteMatrix();
  return {m[2][0], m[2][1], m[2][2], 0};
}

// ---- Projection, canvas ----

void TgkVisualObject::SetProjection(bool screen) {
  projection_ = screen ? TgkProjection::Screen : TgkProjection::Camera;
  for (TgkObject* child : Children())
    if (child->IsVisualObject()) static_cast<TgkVisualObject*>(child)->SetProjection(screen);
  Repaint();
}

TgkCanvas* TgkVisualObject::GetCanvas() const {
  if (canvas_override_) return canvas_override_;
  return Scene() ? Scene()->Canvas() : nullptr;
}

void TgkVisualObject::SetCanvas(TgkCanvas* canvas) {
  canvas_override_ = canvas;
  for (TgkObject* child : Children())
    if (child->IsVisualObject()) static_cast<TgkVisualObject*>(child)->SetCanvas(canvas);
}

void TgkVisualObject::Repaint() {
  TgkSceneHost* host = Scene();
  if (!visible_ || !host || IsDestroying()) return;
  if (host->IsDesigning() || !host->IsRealTime()) host->RequestRender();
}

void TgkVisualObject::LockAll() {
  locked_ = true;
  for (TgkObject* child : Children())
    if (child->IsVisualObject()) static_cast<TgkVisualObject*>(child)->LockAll();
}

// ---- Render passes ----

void TgkVisualObject::ApplyStyle() {
  for (TgkObject* child : Children())
    if (child->IsVisualObject()) static_cast<TgkVisualObject*>(child)->ApplyStyle();
}

void TgkVisualObject::CollectLights() {
  for (TgkObject* child : Children())
    if (child->IsVisualObject()) static_cast<TgkVisualObject*>(child)->CollectLights();
}

TgkVisualObject* TgkVisualObject::DrawnChild(TgkObject* node) const {
  const bool design = InDesignMode();
  if (!node->IsVisualObject()) return nullptr;
  auto* child = static_cast<TgkVisualObject*>(node);
  if (!(child->visible_ || (design && !child->locked_))) return nullptr;
  if (design && child->design_hide_) return nullptr;
  // A child squashed flat in X or Y is not drawn (nor its subtree); Z is not tested.
  if (std::fabs(child->scale_.X()) < 0.01f || std::fabs(child->scale_.Y()) < 0.01f) return nullptr;
  return child;
}

void TgkVisualObject::PaintChild(TgkVisualObject& child) {
  child.scene_ = Scene();
  TgkCanvas* canvas = child.GetCanvas();
  if (!canvas) return;
  canvas->SetRenderState(child.zwrite_ ? rsZWriteOn : rsZWriteOff);
  canvas->SetRenderState(child.IsScreenProjection() ? rsScreenMatrix : rsCameraMatrix);
  canvas->SetRenderState(child.two_side_ ? rsCullNone : rsCullCCW);
  canvas->SetMatrix(child.GetAbsoluteMatrix());
  child.PaintSelf(*canvas);
  if (!child.drag_disable_highlight_ && child.is_drag_over_) child.PaintDragHighlight(*canvas);
}

void TgkVisualObject::PaintChildren() {
  if (InDesignMode() && design_hide_) return;
  for (size_t i = 0; i < Children().size(); ++i) {
    TgkVisualObject* child = DrawnChild(Children()[i]);
    if (!child) continue;
    // The host draws the interface layers later, in front of the whole 3D scene.
    if (child->IsScreenProjection() && !IsScreenProjection() && Scene() &&
        Scene()->DefersScreenObjects())
      continue;
    PaintChild(*child);
  }
}

void TgkVisualObject::PaintScreenChildren() {
  if (InDesignMode() && design_hide_) return;
  for (size_t i = 0; i < Children().size(); ++i) {
    TgkVisualObject* child = DrawnChild(Children()[i]);
    if (!child) continue;
    if (child->IsScreenProjection())
      PaintChild(*child);
    else
      child->PaintScreenChildren();
  }
}

void TgkVisualObject::PaintSelf(TgkCanvas& canvas) {
  BeforePaint();
  Paint();
  if (OnPaint) OnPaint(this, canvas);
  AfterPaint();
  PaintChildren();
}

void TgkVisualObject::PaintDragHighlight(TgkCanvas& canvas) {
  canvas.SetMatrix(GetAbsoluteMatrix());
  canvas.Material().SetDiffuse(0xB2005ACC);
  canvas.SetRenderState(rsShadeGouraud);
  canvas.SetRenderState(rsZWriteOn);
  canvas.SetRenderState(rsLightingOff);
  canvas.SetRenderState(rsTexDisable);
  canvas.FillCube({0, 0, 0, 1}, {width_ + 0.01f, height_ + 0.01f, depth_ + 0.01f, 0}, 0.4f);
}

// ---- Picking ----

bool TgkVisualObject::RayCastIntersect(const TgkVector&, const TgkVector&, TgkVector& hit) {
  hit = AbsolutePosition();
  return true;
}

bool TgkVisualObject::IsHitTestable() const {
  if (!InDesignMode()) return hit_test_;
  return !locked_ && !design_hide_;
}

TgkVisualObject* TgkVisualObject::PickCandidate(bool screen, float& distance, float x, float y,
                                                const TgkDragObject* drag) {
  const bool design = InDesignMode();
  if (!visible_ && !design) return nullptr;
  TgkVisualObject* result = nullptr;
  if (!(design && design_hide_)) {
    for (int i = ChildrenCount() - 1; i >= 0; --i) {
      TgkObject* node = GetChild(i);
      if (!node || !node->IsVisualObject()) continue;
      auto* child = static_cast<TgkVisualObject*>(node);
      if (!child->visible_ && !design) continue;
      if (design && child->locked_) continue;
      if (TgkVisualObject* found = child->PickCandidate(screen, distance, x, y, drag))
        result = found;
    }
  }
  // A hit descendant wins over its parent whatever the distances.
  if (result) return result;
  // Only objects of the asked projection compete in this round.
  if (IsScreenProjection() != screen) return nullptr;
  TgkCanvas* canvas = GetCanvas();
  if (!canvas || !IsHitTestable()) return nullptr;
  TgkVector ray_pos, ray_dir;
  canvas->PickRay(screen, ray_pos, ray_dir, x, y);
  // One inversion serves both the direction and the origin.
  TgkMatrix inverse = GetAbsoluteMatrix();
  MatrixInvert(inverse);
  TgkVector local_dir =
      VectorNormalize(VectorTransform({ray_dir.X, ray_dir.Y, ray_dir.Z, 0}, inverse));
  TgkVector local_pos = VectorTransform({ray_pos.X, ray_pos.Y, ray_pos.Z, 1}, inverse);
  TgkVector hit;
  if (!RayCastIntersect(local_pos, local_dir, hit)) return nullptr;
  float candidate;
  if (screen) {
    candidate = VectorLength(VectorSubtract(hit, ray_pos));
  } else if (canvas->Camera()) {
    candidate = VectorLength(VectorSubtract(hit, canvas->Camera()->AbsolutePosition()));
  } else {
    candidate = VectorLength(VectorSubtract(hit, ray_pos));  // the view-space eye
  }
  if (!(candidate < distance)) return nullptr;
  if (drag) {
    bool accept = false;
    DragOver(*drag, AbsoluteToLocal(VectorToPoint(hit)), accept);
    if (!accept) return nullptr;
  }
  distance = candidate;
  return this;
}

TgkVisualObject* TgkVisualObject::ObjectAtPoint(bool screen, float& distance, float x, float y) {
  return PickCandidate(screen, distance, x, y, nullptr);
}

TgkVisualObject* TgkVisualObject::DragTargetAt(const TgkPoint& point, bool screen, float& distance,
                                               const TgkDragObject& data) {
  return PickCandidate(screen, distance, point.X, point.Y, &data);
}

// ---- Input ----

void TgkVisualObject::MouseDown(TMouseButton button, TShiftState shift, float x, float y,
                                const TgkVector&, const TgkVector&) {
  if (drag_mode_ == gkDragAutomatic && Scene()) {
    Scene()->BeginDrag(this);
    return;
  }
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
  if (AutoCapture) Capture();
  if (can_focused_) SetFocus();
}

void TgkVisualObject::MouseMove(TShiftState shift, float x, float y, float dx, float dy,
                                const TgkVector&, const TgkVector&) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y, dx, dy);
}

void TgkVisualObject::MouseUp(TMouseButton button, TShiftState shift, float x, float y,
                              const TgkVector&, const TgkVector&) {
  if (AutoCapture && Scene() && Scene()->Captured() == this) ReleaseCapture();
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TgkVisualObject::MouseWheel(TShiftState shift, int wheel_delta, bool& handled) {
  TgkPoint pos = Scene() ? Scene()->MousePosition() : TgkPoint{};
  if (OnMouseWheel) OnMouseWheel(this, shift, wheel_delta, pos, handled);
}

void TgkVisualObject::KeyDown(uint16_t& key, char32_t& key_char, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, key_char, shift);
}

void TgkVisualObject::KeyUp(uint16_t& key, char32_t& key_char, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, key_char, shift);
}

void TgkVisualObject::MouseEnter() {
  is_mouse_over_ = true;
  StartTriggerAnimation(this, "IsMouseOver");
  Repaint();
}

void TgkVisualObject::MouseLeave() {
  is_mouse_over_ = false;
  StartTriggerAnimation(this, "IsMouseOver");
  Repaint();
}

void TgkVisualObject::Enter() {
  is_focused_ = true;
  Repaint();
  StartTriggerAnimation(this, "IsFocused");
}

void TgkVisualObject::Exit() {
  is_focused_ = false;
  Repaint();
  StartTriggerAnimation(this, "IsFocused");
}

void TgkVisualObject::DragEnter(const TgkDragObject& data, const TgkPoint& point) {
  is_drag_over_ = true;
  Repaint();
  StartTriggerAnimation(this, "IsDragOver");
  if (OnDragEnter) OnDragEnter(this, data, point);
}

void TgkVisualObject::DragOver(const TgkDragObject& data, const TgkPoint& point, bool& accept) {
  if (OnDragOver) OnDragOver(this, data, point, accept);
}

void TgkVisualObject::DragDrop(const TgkDragObject& data, const TgkPoint& point) {
  is_drag_over_ = false;
  Repaint();
  StartTriggerAnimation(this, "IsDragOver");
  if (OnDragDrop) OnDragDrop(this, data, point);
}

void TgkVisualObject::DragLeave() {
  is_drag_over_ = false;
  Repaint();
  StartTriggerAnimation(this, "IsDragOver");
  if (OnDragLeave) OnDragLeave(this);
}

void TgkVisualObject::Capture() {
  TgkSceneHost* host = Scene();
  if (!host || host->Captured() == this) return;
  capture_next_ = host->Captured();
  host->SetCaptured(this);
  host->SetMouseCapture(true);
}

void TgkVisualObject::ReleaseCapture() {
  TgkSceneHost* host = Scene();
  if (!host || host->Captured() != this) return;
  host->SetCaptured(capture_next_);
  capture_next_ = nullptr;
  if (!host->Captured()) host->SetMouseCapture(false);
}

void TgkVisualObject::SetFocus() {
  if (Scene()) Scene()->SetFocused(this);
}

void TgkVisualObject::DoCollision(TgkVisualObject* other, const TgkVector& point,
                                  const TgkVector& normal) {
  if (OnCollision) OnCollision(this, other, point, normal);
}

void TgkVisualObject::RecreatePhysics() {
  for (TgkObject* child : Children())
    if (child->IsVisualObject()) static_cast<TgkVisualObject*>(child)->RecreatePhysics();
}

void TgkVisualObject::Tick(float time, float delta_time) {
  TgkObject::Tick(time, delta_time);
  if (Scene() && Scene()->IsInvisibleAtRuntime()) return;
  const TgkPoint v = velocity_.Point();
  if (v.X != 0 || v.Y != 0 || v.Z != 0) {
    TgkVector step = LocalToAbsoluteVector({v.X, v.Y, v.Z, 0});
    const TgkPoint p = position_.Point();
    position_.SetPoint(
        {p.X + step.X * delta_time, p.Y + step.Y * delta_time, p.Z + step.Z * delta_time});
  }
}

// ---- Streaming ----

void TgkVisualObject::Loaded() {
  TgkObject::Loaded();
  RecalcLocalMatrix();
  if (ChildrenCount() > 0) Realign();
}

void TgkVisualObject::DefineProperties(TFiler& filer) {
  TgkObject::DefineProperties(filer);
  const TgkQuaternion& q = orientation_;
  filer.DefineProperty(
      "Quanternion",  // the stored name is spelled so
      [this](const std::string& text) {
        // Components read before a bad one are kept; nothing is reported.
        std::string s = text;
        float* fields[4] = {&orientation_.ImagPart.X, &orientation_.ImagPart.Y,
                            &orientation_.ImagPart.Z, &orientation_.RealPart};
        GetToken(s, ",()");
        orientation_.ImagPart.W = 0;
        for (float* f : fields) {
          try {
            *f = TextToFloat(GetToken(s, ",()"));
          } catch (const EConvertError&) {
            break;
          }
        }
        if (!IsLoading()) RecalcLocalMatrix();
      },
      [this] {
        const TgkQuaternion& o = orientation_;
        return "(" + FloatToText(o.ImagPart.X) + "," + FloatToText(o.ImagPart.Y) + "," +
               FloatToText(o.ImagPart.Z) + "," + FloatToText(o.RealPart) + ")";
      },
      q.ImagPart.X != 0 || q.ImagPart.Y != 0 || q.ImagPart.Z != 0 || q.RealPart != 0);
}
