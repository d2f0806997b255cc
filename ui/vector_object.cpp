#include "ui/vector_object.h"

#include <algorithm>
#include <cmath>

#include "imaging/canvas.h"
#include "imaging/effects.h"
#include "ui/style_copy.h"

namespace {

// The effect spread has to be part of the repainted area, or the shadow leaves trails.
TpmRect EffectBounds(const std::vector<std::unique_ptr<TpmEffect>>& effects, const TpmRect& r) {
  TpmRect out = r;
  for (const auto& e : effects) {
    if (e->Enabled()) out = UnionRect(out, e->GetEffectRect(r));
  }
  return out;
}

}  // namespace

const TEnumInfo& PmAlignInfo() {
  static const TEnumInfo info(
      "TpmAlign",
      {"pqAlignNone", "pqAlignTop", "pqAlignLeft", "pqAlignRight", "pqAlignBottom",
       "pqAlignMostTop", "pqAlignMostBottom", "pqAlignMostLeft", "pqAlignMostRight",
       "pqAlignClient", "pqAlignContents", "pqAlignCenter", "pqAlignVertCenter",
       "pqAlignHorzCenter", "pqAlignHorizontal", "pqAlignVertical", "pqAlignScale", "pqAlignFit"});
  return info;
}

TpmMatrix InvertMatrix(const TpmMatrix& m) {
  const float a = m.M[0][0], b = m.M[0][1], c = m.M[1][0], d = m.M[1][1];
  const float tx = m.M[2][0], ty = m.M[2][1];
  const float det = a * d - b * c;
  if (det == 0 || !std::isfinite(det)) return TpmMatrix::Identity();
  TpmMatrix r;
  r.M[0][0] = d / det;
  r.M[0][1] = -b / det;
  r.M[1][0] = -c / det;
  r.M[1][1] = a / det;
  r.M[2][0] = -(tx * r.M[0][0] + ty * r.M[1][0]);
  r.M[2][1] = -(tx * r.M[0][1] + ty * r.M[1][1]);
  return r;
}

TpmRect TransformRect(const TpmRect& rect, const TpmMatrix& m) {
  const TpmPoint pts[4] = {m.Apply({rect.Left, rect.Top}), m.Apply({rect.Right, rect.Top}),
                           m.Apply({rect.Left, rect.Bottom}), m.Apply({rect.Right, rect.Bottom})};
  TpmRect r{pts[0].X, pts[0].Y, pts[0].X, pts[0].Y};
  for (const TpmPoint& p : pts) {
    r.Left = std::min(r.Left, p.X);
    r.Top = std::min(r.Top, p.Y);
    r.Right = std::max(r.Right, p.X);
    r.Bottom = std::max(r.Bottom, p.Y);
  }
  return r;
}

bool RectsIntersect(const TpmRect& a, const TpmRect& b) {
  return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

TpmRect UnionRect(const TpmRect& a, const TpmRect& b) {
  return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
          std::max(a.Bottom, b.Bottom)};
}

// ---- TpmPosition, TpmBounds ----

FM_REGISTER_CLASS(TpmPosition) {
  c.Float("X", &TpmPosition::X, &TpmPosition::SetX);
  c.Float("Y", &TpmPosition::Y, &TpmPosition::SetY);
}

void TpmPosition::SetPoint(TpmPoint p) {
  if (p == value_) return;
  value_ = p;
  if (OnChange) OnChange();
}

void TpmPosition::Assign(const TPersistent& source) {
  if (auto* s = dynamic_cast<const TpmPosition*>(&source)) return SetPoint(s->Point());
  TPersistent::Assign(source);
}

FM_REGISTER_CLASS(TpmBounds) {
  c.Float("Left", &TpmBounds::Left, &TpmBounds::SetLeft);
  c.Float("Top", &TpmBounds::Top, &TpmBounds::SetTop);
  c.Float("Right", &TpmBounds::Right, &TpmBounds::SetRight);
  c.Float("Bottom", &TpmBounds::Bottom, &TpmBounds::SetBottom);
}

void TpmBounds::SetRect(const TpmRect& r) {
  if (r == r_) return;
  r_ = r;
  if (OnChange) OnChange();
}

void TpmBounds::Assign(const TPersistent& source) {
  if (auto* s = dynamic_cast<const TpmBounds*>(&source)) return SetRect(s->Rect());
  TPersistent::Assign(source);
}

// ---- TpmObject ----

FM_REGISTER_CLASS(TpmObject) {
  c.String("ResourceName", &TpmObject::ResourceName, &TpmObject::SetResourceName);
}

TpmObject::TpmObject(TComponent* owner) : TComponent(owner) {}

TpmObject::~TpmObject() {
  FreeChildren();
}

void TpmObject::FreeChildren() {
  if (IsDestroying() && children_.empty() && !parent_ && !scene_) return;
  Destroying();
  if (scene_) scene_->ObjectDestroying(this);
  if (parent_) parent_->RemoveObject(this);
  while (!children_.empty()) delete children_.back();  // each leaves the list itself
  scene_ = nullptr;
}

TpmObject* TpmObject::Child(int index) const {
  if (index < 0 || index >= ChildrenCount()) return nullptr;
  return children_[index];
}

void TpmObject::SetParent(TpmObject* parent) {
  if (parent == parent_) return;
  if (parent)
    parent->AddObject(this);
  else if (parent_)
    parent_->RemoveObject(this);
}

void TpmObject::AddObject(TpmObject* child) {
  InsertObject(ChildrenCount(), child);
}

void TpmObject::InsertObject(int index, TpmObject* child) {
  if (!child || child == this) return;
  for (TpmObject* p = this; p; p = p->parent_) {
    if (p == child) throw EComponentError("an object cannot become its own descendant");
  }
  if (child->parent_) child->parent_->RemoveObject(child);
  index = std::clamp(index, 0, ChildrenCount());
  children_.insert(children_.begin() + index, child);
  child->parent_ = this;
  child->SetScene(scene_);
  ChildrenChanged();
}

void TpmObject::RemoveObject(TpmObject* child) {
  auto it = std::find(children_.begin(), children_.end(), child);
  if (it == children_.end()) return;
  if (child->IsVisual() && !IsDestroying()) static_cast<TpmVisualObject*>(child)->Repaint();
  children_.erase(it);
  child->parent_ = nullptr;
  if (scene_ && !IsDestroying()) scene_->ObjectDestroying(child);
  child->SetScene(nullptr);
  if (!IsDestroying()) ChildrenChanged();
}

void TpmObject::AppendObjects(const std::vector<TpmObject*>& children) {
  for (TpmObject* child : children) {
    if (!child || child == this) continue;
    for (TpmObject* p = this; p; p = p->parent_) {
      if (p == child) throw EComponentError("an object cannot become its own descendant");
    }
  }
  children_.reserve(children_.size() + children.size());
  // Alike children entering the scene together take their styles from one text each.
  TpmStyleTextScope style_texts;
  for (TpmObject* child : children) {
    if (!child || child == this || child->parent_ == this) continue;
    if (child->parent_) child->parent_->RemoveObject(child);
    children_.push_back(child);
    child->parent_ = this;
    child->SetScene(scene_);
  }
  ChildrenChanged();
}

void TpmObject::DeleteChildrenIf(const std::function<bool(const TpmObject&)>& which) {
  std::vector<TpmObject*> doomed;
  std::erase_if(children_, [&](TpmObject* child) {
    if (!which(*child)) return false;
    doomed.push_back(child);
    return true;
  });
  if (doomed.empty()) return;
  for (TpmObject* child : doomed) {
    if (child->IsVisual()) static_cast<TpmVisualObject*>(child)->Repaint();
    child->parent_ = nullptr;
    if (scene_) scene_->ObjectDestroying(child);
    child->SetScene(nullptr);
  }
  // Last first, as DeleteChildren does.
  for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) delete *it;
  ChildrenChanged();
}

void TpmObject::DeleteChildren() {
  while (!children_.empty()) delete children_.back();
}

TpmObject* TpmObject::FindResource(const std::string& name) const {
  for (TpmObject* c : children_) {
    if (SameText(c->ResourceName(), name)) return c;
    if (TpmObject* r = c->FindResource(name)) return r;
  }
  return nullptr;
}

void TpmObject::SetScene(IpqScene* scene) {
  const bool changed = scene != scene_;
  scene_ = scene;
  for (TpmObject* c : children_) c->SetScene(scene);
  if (changed) SceneChanged();
}

void TpmObject::StartTriggerAnimation(TpmObject* instance, const std::string& state) {
  for (TpmObject* c : std::vector<TpmObject*>(children_)) {
    if (!c->IsVisual()) {
      c->StartTriggerAnimation(instance, state);
      continue;
    }
    auto* v = static_cast<TpmVisualObject*>(c);
    if (v->Locked() && !v->HitTest()) v->StartTriggerAnimation(instance, state);
  }
}

void TpmObject::SetParentComponent(TComponent* parent) {
  if (auto* p = dynamic_cast<TpmObject*>(parent))
    p->AddObject(this);
  else if (auto* host = dynamic_cast<IpqObjectHost*>(parent))
    host->AddObject2D(this);
}

void TpmObject::GetChildren(const std::function<void(TComponent*)>& proc, TComponent*) const {
  for (TpmObject* c : children_) {
    if (c->Stored) proc(c);
  }
}

// ---- TpmVisualObject ----

FM_REGISTER_CLASS(TpmVisualObject) {
  c.Enum("Align", PmAlignInfo(), &TpmVisualObject::Align, &TpmVisualObject::SetAlign)
      .Default(int{pqAlignNone});
  c.Object<TpmPosition>("Position",
                        [](TpmVisualObject& o) -> TpmPosition& { return o.Position(); });
  c.Float("Width", &TpmVisualObject::Width, &TpmVisualObject::SetWidth).AlwaysStored();
  c.Float("Height", &TpmVisualObject::Height, &TpmVisualObject::SetHeight).AlwaysStored();
  c.Object<TpmBounds>("Padding", [](TpmVisualObject& o) -> TpmBounds& { return o.Padding(); });
  c.Object<TpmBounds>("Margins", [](TpmVisualObject& o) -> TpmBounds& { return o.Margins(); });
  c.Float("RotateAngle", &TpmVisualObject::RotateAngle, &TpmVisualObject::SetRotateAngle);
  c.Object<TpmPosition>("RotateCenter",
                        [](TpmVisualObject& o) -> TpmPosition& { return o.RotateCenter(); });
  c.Object<TpmPosition>("Scale", [](TpmVisualObject& o) -> TpmPosition& { return o.Scale(); });
  c.Float("Opacity", &TpmVisualObject::Opacity, &TpmVisualObject::SetOpacity).Default(1.0f);
  c.Boolean("Visible", &TpmVisualObject::Visible, &TpmVisualObject::SetVisible).Default(true);
  c.Boolean("HitTest", &TpmVisualObject::HitTest, &TpmVisualObject::SetHitTest).Default(true);
  c.Boolean("ClipChildren", &TpmVisualObject::ClipChildren, &TpmVisualObject::SetClipChildren)
      .Default(false);
  c.Boolean("Locked", &TpmVisualObject::Locked, &TpmVisualObject::SetLocked).Default(false);
  c.Boolean("CanFocused", &TpmVisualObject::CanFocused, &TpmVisualObject::SetCanFocused)
      .AlwaysStored();
  c.String("Hint", &TpmVisualObject::Hint, &TpmVisualObject::SetHint);
  c.Boolean("ShowHint", &TpmVisualObject::ShowHint, &TpmVisualObject::SetShowHint).Default(false);
  c.Boolean("IsMouseOver", &TpmVisualObject::IsMouseOver, nullptr).NotStored();
  c.Boolean("IsFocused", &TpmVisualObject::IsFocused, nullptr).NotStored();
  c.Boolean("IsDragOver", &TpmVisualObject::IsDragOver, nullptr).NotStored();
  c.Boolean("IsVisible", &TpmVisualObject::Visible, nullptr).NotStored();
  c.Event("OnMouseDown", &TpmVisualObject::OnMouseDown);
  c.Event("OnMouseMove", &TpmVisualObject::OnMouseMove);
  c.Event("OnMouseUp", &TpmVisualObject::OnMouseUp);
  c.Event("OnMouseWheel", &TpmVisualObject::OnMouseWheel);
  c.Event("OnMouseEnter", &TpmVisualObject::OnMouseEnter);
  c.Event("OnMouseLeave", &TpmVisualObject::OnMouseLeave);
  c.Event("OnKeyDown", &TpmVisualObject::OnKeyDown);
  c.Event("OnKeyUp", &TpmVisualObject::OnKeyUp);
  c.Event("OnPaint", &TpmVisualObject::OnPaint);
}

TpmVisualObject::TpmVisualObject(TComponent* owner) : TpmObject(owner) {
  position_.OnChange = [this] { GeometryChanged(); };
  scale_.OnChange = [this] { GeometryChanged(); };
  rotate_center_.OnChange = [this] { GeometryChanged(); };
  padding_.OnChange = [this] {
    if (auto* p = VisualParent()) p->Realign();
  };
  margins_.OnChange = [this] { Realign(); };
}

TpmVisualObject::~TpmVisualObject() {
  FreeChildren();
  // Out of the list first: each effect tells this object when it goes.
  auto effects = std::move(effects_);
  effects_.clear();
}

TpmVisualObject* TpmVisualObject::VisualParent() const {
  TpmObject* p = Parent();
  return p && p->IsVisual() ? static_cast<TpmVisualObject*>(p) : nullptr;
}

void TpmVisualObject::SetAlign(TpmAlign v) {
  if (v == align_) return;
  align_ = v;
  if (auto* p = VisualParent()) p->Realign();
}

void TpmVisualObject::GeometryChanged() {
  Repaint();  // the old place
  RecalcAbsolute();
  Repaint();  // the new place
}

void TpmVisualObject::SizeChanged() {
  GeometryChanged();
  effect_painter_.MarkStale();
  if (auto* p = VisualParent(); p && align_ != pqAlignNone) p->Realign();
  Realign();
}

void TpmVisualObject::SetWidth(float v) {
  if (v == width_) return;
  Repaint();
  width_ = v;
  SizeChanged();
}

void TpmVisualObject::SetHeight(float v) {
  if (v == height_) return;
  Repaint();
  height_ = v;
  SizeChanged();
}

void TpmVisualObject::SetBounds(float x, float y, float w, float h) {
  const bool sized = w != width_ || h != height_;
  if (!sized && position_.Point() == TpmPoint{x, y}) return;
  Repaint();
  auto keep = std::move(position_.OnChange);
  position_.SetPoint({x, y});
  position_.OnChange = std::move(keep);
  width_ = w;
  height_ = h;
  RecalcAbsolute();
  Repaint();
  if (sized) {
    effect_painter_.MarkStale();
    Realign();
  }
}

void TpmVisualObject::SetRotateAngle(float v) {
  if (v == rotate_angle_) return;
  Repaint();
  rotate_angle_ = v;
  GeometryChanged();
}

TpmMatrix TpmVisualObject::LocalMatrix() const {
  const float cx = rotate_center_.X() * width_, cy = rotate_center_.Y() * height_;
  TpmMatrix m = TpmMatrix::Scaling(scale_.X(), scale_.Y());
  if (rotate_angle_ != 0) {
    m = m * TpmMatrix::Translation(-cx * scale_.X(), -cy * scale_.Y()) *
        TpmMatrix::Rotation(rotate_angle_) *
        TpmMatrix::Translation(cx * scale_.X(), cy * scale_.Y());
  }
  return m * TpmMatrix::Translation(position_.X(), position_.Y());
}

const TpmMatrix& TpmVisualObject::AbsoluteMatrix() {
  if (absolute_dirty_) {
    absolute_ = LocalMatrix();
    if (auto* p = VisualParent()) absolute_ = absolute_ * p->AbsoluteMatrix();
    absolute_dirty_ = false;
  }
  return absolute_;
}

void TpmVisualObject::RecalcAbsolute() {
  absolute_dirty_ = true;
  for (TpmObject* c : Children()) {
    if (c->IsVisual()) static_cast<TpmVisualObject*>(c)->RecalcAbsolute();
  }
}

TpmRect TpmVisualObject::AbsoluteRect() {
  return TransformRect(EffectBounds(effects_, LocalRect()), AbsoluteMatrix());
}

TpmPoint TpmVisualObject::AbsoluteToLocal(const TpmPoint& p) {
  return InvertMatrix(AbsoluteMatrix()).Apply(p);
}

TpmPoint TpmVisualObject::LocalToAbsolute(const TpmPoint& p) {
  return AbsoluteMatrix().Apply(p);
}

void TpmVisualObject::SetOpacity(float v) {
  v = std::clamp(v, 0.0f, 1.0f);
  if (v == opacity_) return;
  opacity_ = v;
  RecalcOpacity();
  Repaint();
}

float TpmVisualObject::AbsoluteOpacity() {
  if (opacity_dirty_) {
    absolute_opacity_ = opacity_;
    if (auto* p = VisualParent()) absolute_opacity_ *= p->AbsoluteOpacity();
    opacity_dirty_ = false;
  }
  return absolute_opacity_;
}

void TpmVisualObject::RecalcOpacity() {
  opacity_dirty_ = true;
  effect_painter_.MarkStale();
  for (TpmObject* c : Children()) {
    if (c->IsVisual()) static_cast<TpmVisualObject*>(c)->RecalcOpacity();
  }
}

void TpmVisualObject::SetVisible(bool v) {
  if (v == visible_) return;
  if (!v) Repaint();
  visible_ = v;
  if (v) Repaint();
  if (auto* p = VisualParent(); p && align_ != pqAlignNone) p->Realign();
  StartTriggerAnimation(this, "IsVisible");
}

bool TpmVisualObject::IsVisibleAll() const {
  for (const TpmVisualObject* o = this; o; o = o->VisualParent()) {
    if (!o->visible_) return false;
  }
  return true;
}

void TpmVisualObject::SetClipChildren(bool v) {
  if (v == clip_children_) return;
  clip_children_ = v;
  Repaint();
}

void TpmVisualObject::AdoptEffect(TpmEffect* effect) {
  if (!effect) return;
  if (effect->Owner()) effect->Owner()->RemoveComponent(effect);
  AddEffect(std::unique_ptr<TpmEffect>(effect));
}

void TpmVisualObject::Notification(TComponent* component, TOperation operation) {
  TpmObject::Notification(component, operation);
  if (operation != TOperation::Remove) return;
  for (auto it = effects_.begin(); it != effects_.end(); ++it) {
    if (it->get() != component) continue;
    it->release();  // being freed already
    effects_.erase(it);
    effect_painter_.MarkStale();
    Repaint();
    return;
  }
}

void TpmVisualObject::StartTriggerAnimation(TpmObject* instance, const std::string& state) {
  TpmObject::StartTriggerAnimation(instance, state);
  if (instance && instance != this)
    for (const auto& e : effects_) e->ApplyTrigger(*instance, state);
}

void TpmVisualObject::GetChildren(const std::function<void(TComponent*)>& proc,
                                  TComponent* root) const {
  TpmObject::GetChildren(proc, root);
  for (const auto& e : effects_) proc(e.get());
}

void TpmVisualObject::AddEffect(std::unique_ptr<TpmEffect> effect) {
  if (!effect) return;
  effect->SetHost(this);
  FreeNotification(effect.get());
  Repaint();
  effect->OnChange = [this](TpmEffect&) {
    effect_painter_.MarkStale();
    Repaint();
  };
  effects_.push_back(std::move(effect));
  effect_painter_.MarkStale();
  Repaint();
}

void TpmVisualObject::Repaint() {
  if (!Scene() || IsDestroying() || !IsVisibleAll()) return;
  effect_painter_.MarkStale();
  Scene()->AddUpdateRect(AbsoluteRect());
}

void TpmVisualObject::ChildrenChanged() {
  RecalcAbsolute();
  RecalcOpacity();
  Realign();
  Repaint();
}

void TpmVisualObject::PaintOwn(TpmCanvas& canvas) {
  const float opacity = AbsoluteOpacity();
  const TpmRect rect = LocalRect();
  bool paint_self = true;
  if (!effects_.empty()) {
    std::vector<TpmEffect*> list;
    for (const auto& e : effects_) list.push_back(e.get());
    // The kept picture holds the object and its children, so a stale mark repaints both.
    paint_self = effect_painter_.Paint(
        canvas, list, width_, height_, opacity, [this](TpmCanvas& c, const TpmRect& r) {
          const TpmMatrix outer = c.Matrix();
          Paint(c, r);
          // The descendants at the same offset as the object.
          PaintSubtree(c, TpmMatrix::Translation(r.Left, r.Top) * outer);
          c.SetMatrix(outer);
        });
    canvas.SetMatrix(AbsoluteMatrix());
  }
  if (paint_self) {
    Paint(canvas, rect);
    if (OnPaint) OnPaint(this, canvas, rect);
  }
}

void TpmVisualObject::PaintSubtree(TpmCanvas& canvas, const TpmMatrix& base) {
  for (TpmObject* ch : Children()) {
    if (!ch->IsVisual()) continue;
    auto* v = static_cast<TpmVisualObject*>(ch);
    if (!v->Visible()) continue;
    const TpmMatrix m = v->LocalMatrix() * base;
    canvas.SetMatrix(m);
    v->Paint(canvas, v->LocalRect());
    v->PaintSubtree(canvas, m);
  }
}

void TpmVisualObject::PaintTo(TpmCanvas& canvas) {
  if (!visible_) return;
  canvas.SetMatrix(AbsoluteMatrix());
  PaintOwn(canvas);
  PaintChildren(canvas);
}

void TpmVisualObject::PaintChildren(TpmCanvas& canvas) {
  if (Children().empty()) return;
  int token = -1;
  if (clip_children_) {
    token = canvas.SaveCanvas();
    canvas.SetMatrix(AbsoluteMatrix());
    canvas.IntersectClipRect(LocalRect());
  }
  for (TpmObject* c : Children()) {
    if (c->IsVisual()) static_cast<TpmVisualObject*>(c)->PaintTo(canvas);
  }
  if (token >= 0) canvas.RestoreCanvas(token);
}

void TpmVisualObject::Realign() {
  if (realigning_) return;
  realigning_ = true;
  const TpmRect m = margins_.Rect();
  TpmRect free{m.Left, m.Top, width_ - m.Right, height_ - m.Bottom};
  auto place = [](TpmVisualObject* c, float x, float y, float w, float h) {
    const TpmRect p = c->Padding().Rect();
    c->SetBounds(x + p.Left, y + p.Top, std::max(0.0f, w - p.Left - p.Right),
                 std::max(0.0f, h - p.Top - p.Bottom));
  };
  std::vector<TpmVisualObject*> kids;
  for (TpmObject* o : Children()) {
    if (o->IsVisual()) kids.push_back(static_cast<TpmVisualObject*>(o));
  }
  // Edges first in child order, then what fills or centres in the rest.
  for (TpmVisualObject* c : kids) {
    if (!c->Visible()) continue;
    const TpmRect p = c->Padding().Rect();
    const float ow = c->Width() + p.Left + p.Right, oh = c->Height() + p.Top + p.Bottom;
    switch (c->Align()) {
      case pqAlignTop:
      case pqAlignMostTop:
        place(c, free.Left, free.Top, free.Width(), oh);
        free.Top += oh;
        break;
      case pqAlignBottom:
      case pqAlignMostBottom:
        place(c, free.Left, free.Bottom - oh, free.Width(), oh);
        free.Bottom -= oh;
        break;
      case pqAlignLeft:
      case pqAlignMostLeft:
        place(c, free.Left, free.Top, ow, free.Height());
        free.Left += ow;
        break;
      case pqAlignRight:
      case pqAlignMostRight:
        place(c, free.Right - ow, free.Top, ow, free.Height());
        free.Right -= ow;
        break;
      default:
        break;
    }
  }
  for (TpmVisualObject* c : kids) {
    if (!c->Visible()) continue;
    const TpmRect p = c->Padding().Rect();
    const float ow = c->Width() + p.Left + p.Right, oh = c->Height() + p.Top + p.Bottom;
    switch (c->Align()) {
      case pqAlignClient:
        place(c, free.Left, free.Top, free.Width(), free.Height());
        break;
      case pqAlignContents:
        place(c, 0, 0, width_, height_);
        break;
      case pqAlignCenter:
        // The box with its padding is centred, on whole pixels from the free area's corner.
        c->SetBounds(free.Left + std::trunc((free.Width() - ow) / 2) + p.Left,
                     free.Top + std::trunc((free.Height() - oh) / 2) + p.Top, c->Width(),
                     c->Height());
        break;
      case pqAlignVertCenter:
        place(c, free.Left, free.Top + (free.Height() - oh) / 2, free.Width(), oh);
        break;
      case pqAlignHorzCenter:
        place(c, free.Left + (free.Width() - ow) / 2, free.Top, ow, free.Height());
        break;
      default:
        break;
    }
  }
  realigning_ = false;
}

bool TpmVisualObject::PointInObject(float x, float y) const {
  return x >= 0 && y >= 0 && x < width_ && y < height_;
}

TpmVisualObject* TpmVisualObject::ObjectAtPoint(float x, float y) {
  if (!visible_) return nullptr;
  const TpmPoint local = AbsoluteToLocal({x, y});
  if (clip_children_ && !PointInObject(local.X, local.Y)) return nullptr;
  for (auto it = Children().rbegin(); it != Children().rend(); ++it) {
    if (!(*it)->IsVisual()) continue;
    if (auto* hit = static_cast<TpmVisualObject*>(*it)->ObjectAtPoint(x, y)) return hit;
  }
  if (hit_test_ && PointInObject(local.X, local.Y)) return this;
  return nullptr;
}

void TpmVisualObject::MouseDown(TMouseButton button, TShiftState shift, float x, float y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
  if (AcceptsFocus()) SetFocus();
  if (button == mbLeft && AutoCapture) Capture();
}

void TpmVisualObject::MouseMove(TShiftState shift, float x, float y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TpmVisualObject::MouseUp(TMouseButton button, TShiftState shift, float x, float y) {
  ReleaseCapture();
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TpmVisualObject::MouseWheel(TShiftState shift, int wheel_delta, bool& handled) {
  if (OnMouseWheel) OnMouseWheel(this, shift, wheel_delta, handled);
}

void TpmVisualObject::KeyDown(uint16_t& key, char32_t& key_char, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, key_char, shift);
}

void TpmVisualObject::KeyUp(uint16_t& key, char32_t& key_char, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, key_char, shift);
}

void TpmVisualObject::MouseEnter() {
  is_mouse_over_ = true;
  StartTriggerAnimation(this, "IsMouseOver");
  for (const auto& e : effects_) e->ApplyTrigger(*this, "IsMouseOver");
  if (OnMouseEnter) OnMouseEnter(this);
}

void TpmVisualObject::MouseLeave() {
  is_mouse_over_ = false;
  StartTriggerAnimation(this, "IsMouseOver");
  for (const auto& e : effects_) e->ApplyTrigger(*this, "IsMouseOver");
  if (OnMouseLeave) OnMouseLeave(this);
}

void TpmVisualObject::EnterFocus() {
  is_focused_ = true;
  StartTriggerAnimation(this, "IsFocused");
  Repaint();
}

void TpmVisualObject::KillFocus() {
  is_focused_ = false;
  StartTriggerAnimation(this, "IsFocused");
  Repaint();
}

void TpmVisualObject::SetFocus() {
  if (Scene()) Scene()->SetFocused(this);
}

void TpmVisualObject::Capture() {
  if (Scene()) Scene()->SetCaptured(this);
}

void TpmVisualObject::ReleaseCapture() {
  if (Scene() && Scene()->GetCaptured() == this) Scene()->SetCaptured(nullptr);
}

void TpmVisualObject::ApplyStyle() {
  for (TpmObject* c : std::vector<TpmObject*>(Children())) {
    if (c->IsVisual()) static_cast<TpmVisualObject*>(c)->ApplyStyle();
  }
}

void TpmVisualObject::TabList(std::vector<TpmVisualObject*>& list) {
  for (TpmObject* c : Children()) {
    if (!c->IsVisual() || !c->Stored) continue;  // style parts are not tab stops
    auto* v = static_cast<TpmVisualObject*>(c);
    list.push_back(v);
    v->TabList(list);
  }
}
