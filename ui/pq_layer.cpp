#include "ui/pq_layer.h"

#include <algorithm>
#include <cmath>

#include "imaging/bitmap.h"
#include "ui/animation.h"
#include "ui/control.h"
#include "ui/popup_menu.h"
#include "ui/resources.h"

namespace {

int g_layer_count = 0;
// The focus mark: the selection blue of the window's light theme.
constexpr uint32_t kFocusMarkColor = 0xFF005ACC;

bool IsInside(const TpmObject* obj, const TpmObject* ancestor) {
  for (const TpmObject* o = obj; o; o = o->Parent()) {
    if (o == ancestor) return true;
  }
  return false;
}

}  // namespace

FM_REGISTER_CLASS(TgkPQLayer) {
  c.Object<TpmBrush>("Fill", [](TgkPQLayer& l) -> TpmBrush& { return l.Fill(); });
  c.Boolean("Transparency", &TgkPQLayer::Transparency, &TgkPQLayer::SetTransparency).Default(false);
  c.Reference<TpmResources>("Style", &TgkPQLayer::Style, &TgkPQLayer::SetStyle);
  c.Boolean("AlignRoot", &TgkPQLayer::AlignRoot, &TgkPQLayer::SetAlignRoot).Default(true);
  c.Boolean("AllowDrag", &TgkPQLayer::AllowDrag, &TgkPQLayer::SetAllowDrag).Default(false);
  c.Float("DesignSnapGridSize", &TgkPQLayer::DesignSnapGridSize, &TgkPQLayer::SetDesignSnapGridSize)
      .Default(1.0f);
  c.Boolean("DesignSnapToGrid", &TgkPQLayer::DesignSnapToGrid, &TgkPQLayer::SetDesignSnapToGrid)
      .Default(false);
}

TgkPQLayer::TgkPQLayer(TComponent* owner)
    : TgkLayer(owner), surface_(DefaultCanvasClass().Create(BitmapWidth(), BitmapHeight())) {
  ++g_layer_count;
  SetWidth(8);
  SetDepth(8);
  SetDragDisableHighlight(true);
  SetShowHint(true);
  fill_.OnChange = [this](TpmBrush&) {
    AddUpdateRect({0, 0, static_cast<float>(BitmapWidth()), static_cast<float>(BitmapHeight())});
  };
}

TgkPQLayer::~TgkPQLayer() {
  Destroying();
  ClosePopupMenu();
  captured_ = hovered_ = focused_ = nullptr;
  while (!objects_.empty()) {
    std::unique_ptr<TpmObject> last(objects_.back());
    objects_.pop_back();
    last->SetScene(nullptr);
  }
  if (style_) style_->RemoveFreeNotification(this);
  if (--g_layer_count == 0) ReleasePmAnimationTimer();
}

int TgkPQLayer::LayerCount() {
  return g_layer_count;
}

void TgkPQLayer::SetTransparency(bool v) {
  if (v == transparency_) return;
  transparency_ = v;
  AddUpdateRect({0, 0, static_cast<float>(BitmapWidth()), static_cast<float>(BitmapHeight())});
}

void TgkPQLayer::SetStyle(TpmResources* v) {
  if (v == style_) return;
  if (style_) style_->RemoveFreeNotification(this);
  style_ = v;
  if (style_) style_->FreeNotification(this);
  if (!IsLoading()) {
    if (TpmVisualObject* root = Root()) root->ApplyStyle();
  }
}

void TgkPQLayer::Notification(TComponent* component, TOperation operation) {
  TgkLayer::Notification(component, operation);
  if (operation == TOperation::Remove && component == style_) style_ = nullptr;
}

void TgkPQLayer::Loaded() {
  TgkLayer::Loaded();
  if (TpmVisualObject* root = Root()) root->ApplyStyle();
  LayoutRoot();
}

// ---- 2D children ----

void TgkPQLayer::AddObject2D(TpmObject* obj) {
  if (!obj) return;
  if (obj->Parent()) obj->Parent()->RemoveObject(obj);
  if (std::find(objects_.begin(), objects_.end(), obj) == objects_.end()) objects_.push_back(obj);
  obj->SetScene(this);
  if (obj->IsVisual() && !IsDestroying()) static_cast<TpmVisualObject*>(obj)->Repaint();
  LayoutRoot();
}

void TgkPQLayer::RemoveObject2D(TpmObject* obj) {
  auto it = std::find(objects_.begin(), objects_.end(), obj);
  if (it == objects_.end()) return;
  if (obj->IsVisual()) static_cast<TpmVisualObject*>(obj)->Repaint();
  ClearReferences(obj);
  objects_.erase(it);
  obj->SetScene(nullptr);
}

TpmObject* TgkPQLayer::Object(int index) const {
  if (index < 0 || index >= ObjectCount()) return nullptr;
  return objects_[index];
}

TpmVisualObject* TgkPQLayer::Root() const {
  if (objects_.empty() || !objects_[0]->IsVisual()) return nullptr;
  return static_cast<TpmVisualObject*>(objects_[0]);
}

void TgkPQLayer::LayoutRoot() {
  TpmVisualObject* root = Root();
  if (!root) return;
  const float sx = root->Scale().X() == 0 ? 1 : root->Scale().X();
  const float sy = root->Scale().Y() == 0 ? 1 : root->Scale().Y();
  root->SetBounds(0, 0, std::nearbyint(BitmapWidth() / sx), std::nearbyint(BitmapHeight() / sy));
  AddUpdateRect({0, 0, static_cast<float>(BitmapWidth()), static_cast<float>(BitmapHeight())});
  root->Realign();
  root->Repaint();
}

void TgkPQLayer::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const {
  TgkLayer::GetChildren(proc, root);
  for (TpmObject* o : objects_) {
    if (o->Stored) proc(o);
  }
}

// ---- IpqScene ----

void TgkPQLayer::AddUpdateRect(const TpmRect& rect) {
  if (updating_ || IsDestroying() || !surface_ || !surface_->Bits()) return;
  const float w = static_cast<float>(BitmapWidth()), h = static_cast<float>(BitmapHeight());
  const TpmRect r{std::trunc(rect.Left), std::trunc(rect.Top), std::trunc(rect.Right) + 1,
                  std::trunc(rect.Bottom) + 1};
  if (!RectsIntersect(r, {0, 0, w, h})) return;
  update_rects_.push_back(r);
  Repaint();
}

void TgkPQLayer::EndUpdate() {
  updating_ = false;
  RedrawUpdateRects();
}

void TgkPQLayer::SetCaptured(TpmVisualObject* obj) {
  captured_ = obj;
  if (obj)
    Capture();
  else
    ReleaseCapture();
}

TpmRect TgkPQLayer::FocusMarkRect(TpmVisualObject& obj) {
  const TpmRect r = obj.AbsoluteRect();
  return {r.Left - 1, r.Top - 1, r.Right + 1, r.Bottom + 1};
}

void TgkPQLayer::SetFocusMarkShown(bool shown) {
  if (shown == focus_mark_) return;
  focus_mark_ = shown;
  if (focused_) AddUpdateRect(FocusMarkRect(*focused_));
}

void TgkPQLayer::SetFocused(TpmVisualObject* obj) {
  if (obj == focused_) return;
  TpmVisualObject* old = focused_;
  if (focus_mark_ && old) AddUpdateRect(FocusMarkRect(*old));
  if (focus_mark_ && obj) AddUpdateRect(FocusMarkRect(*obj));
  focused_ = obj;
  if (old) old->KillFocus();
  if (obj) obj->EnterFocus();
}

TpmPoint TgkPQLayer::LocalToScreen(const TpmPoint& p) const {
  return {p.X + std::nearbyint(Position().X() - Width() / 2),
          p.Y + std::nearbyint(Position().Y() - Height() / 2)};
}

void TgkPQLayer::ClearReferences(TpmObject* obj) {
  // The menu's choice would reach a freed owner.
  if (popup_ && popup_owner_ && IsInside(popup_owner_, obj)) ClosePopupMenu();
  if (captured_ && IsInside(captured_, obj)) SetCaptured(nullptr);
  if (hovered_ && IsInside(hovered_, obj)) hovered_ = nullptr;
  if (focused_ && IsInside(focused_, obj)) focused_ = nullptr;
}

void TgkPQLayer::ObjectDestroying(TpmObject* obj) {
  ClearReferences(obj);
  if (!obj->Parent()) {
    auto it = std::find(objects_.begin(), objects_.end(), obj);
    if (it != objects_.end()) objects_.erase(it);
  }
}

// ---- Redraw ----

void TgkPQLayer::RedrawUpdateRects() {
  if (redrawing_ || update_rects_.empty() || !surface_) return;
  redrawing_ = true;
  struct Done {
    TgkPQLayer& l;
    ~Done() {
      l.update_rects_.clear();
      l.redrawing_ = false;
    }
  } done{*this};
  std::vector<TpmRect> rects = update_rects_;
  surface_changed_ = true;
  if (rects.size() > kMaxUpdateRects) {
    TpmRect u = rects[0];
    for (const TpmRect& r : rects) u = UnionRect(u, r);
    rects.assign(1, u);
  }
  last_redraw_ = rects;
  // The platform's fixed-point clip has a limited range: clip to the layer itself.
  const TpmRect whole{0, 0, static_cast<float>(BitmapWidth()), static_cast<float>(BitmapHeight())};
  for (TpmRect& r : rects) {
    r = {std::max(r.Left, whole.Left), std::max(r.Top, whole.Top), std::min(r.Right, whole.Right),
         std::min(r.Bottom, whole.Bottom)};
  }
  last_painted_ = 0;
  TpmCanvas& s = *surface_;
  s.ResetClipRect();
  s.SetMatrix(TpmMatrix::Identity());
  s.SetClipRects(rects);
  if (fill_.Style == pqBrushNone || (fill_.Style == pqBrushSolid && (fill_.Color >> 24) == 0)) {
    const uint32_t clear = transparency_ ? 0u : (fill_.Color & 0x00FFFFFFu);
    for (const TpmRect& r : rects) s.ClearRect(r, clear);
  } else {
    s.Fill = fill_;
    s.FillRect({-1, -1, Width() + 1, Height() + 1}, 0, 0, pqAllCorners, 1);
  }
  s.StrokeThickness = 1;
  s.Fill = TpmBrush(pqBrushSolid, 0xFFFFFFFF);
  s.Stroke = TpmBrush(pqBrushSolid, 0xFF000000);
  for (TpmObject* o : std::vector<TpmObject*>(objects_)) {
    if (!o->IsVisual()) continue;
    auto* v = static_cast<TpmVisualObject*>(o);
    if (!v->Visible()) continue;
    const TpmRect bounds = v->AbsoluteRect();
    if (std::any_of(rects.begin(), rects.end(),
                    [&](const TpmRect& r) { return RectsIntersect(bounds, r); })) {
      v->PaintTo(s);
      ++last_painted_;
    }
  }
  if (focus_mark_ && focused_ && focused_->IsVisibleAll()) {
    s.SetMatrix(TpmMatrix::Identity());
    s.Stroke = TpmBrush(pqBrushSolid, kFocusMarkColor);
    s.StrokeThickness = 1;
    const TpmRect r = FocusMarkRect(*focused_);
    s.DrawRect({r.Left + 0.5f, r.Top + 0.5f, r.Right - 0.5f, r.Bottom - 0.5f}, 0, 0, pqAllCorners,
               1);
  }
  s.ResetClipRect();
}

void TgkPQLayer::UpdateSurface() {
  if (surface_->Width() != BitmapWidth() || surface_->Height() != BitmapHeight()) {
    surface_->ResizeBuffer(BitmapWidth(), BitmapHeight());
    LayoutRoot();
  }
  RedrawUpdateRects();
}

void TgkPQLayer::BeforePaint() {
  TgkLayer::BeforePaint();
  if (surface_->Width() != BitmapWidth() || surface_->Height() != BitmapHeight()) {
    surface_->ResizeBuffer(BitmapWidth(), BitmapHeight());
    LayoutRoot();
  }
}

void TgkPQLayer::Paint() {
  RedrawUpdateRects();
  // Also a surface redrawn outside a frame (a menu drawn as it opens) reaches the bitmap.
  if (surface_changed_) {
    TgkBitmap& bitmap = Bitmap();
    uint32_t* bits = nullptr;
    if (bitmap.Width() == surface_->Width() && bitmap.Height() == surface_->Height() &&
        bitmap.LockBitmapBits(bits, true)) {
      surface_->CopyBits(bits);
      bitmap.UnlockBitmapBits();
      surface_changed_ = false;
    }
  }
  TgkLayer::Paint();
}

void TgkPQLayer::SetVisible(bool value) {
  const bool was = Visible();
  TgkLayer::SetVisible(value);
  if (value && !was) {
    AddUpdateRect({0, 0, static_cast<float>(BitmapWidth()), static_cast<float>(BitmapHeight())});
  }
}

// ---- Input ----

TpmPoint TgkPQLayer::Snap(TpmPoint p) const {
  if (!snap_to_grid_) return p;
  return {std::trunc(p.X / grid_size_) * grid_size_, std::trunc(p.Y / grid_size_) * grid_size_};
}

TpmVisualObject* TgkPQLayer::ObjectAtPoint2D(float x, float y) const {
  for (auto it = objects_.rbegin(); it != objects_.rend(); ++it) {
    if (!(*it)->IsVisual()) break;
    auto* v = static_cast<TpmVisualObject*>(*it);
    if (!v->Visible()) continue;
    if (TpmVisualObject* hit = v->ObjectAtPoint(x, y)) return hit;
  }
  return nullptr;
}

TpmVisualObject* TgkPQLayer::InputTarget(TpmVisualObject* obj) {
  for (TpmObject* o = obj; o; o = o->Parent()) {
    if (auto* c = dynamic_cast<TpmControl*>(o); c && !c->Enabled()) return nullptr;
  }
  return obj;
}

void TgkPQLayer::PointerDown(TMouseButton button, TShiftState shift, float x, float y) {
  pointer_ = Snap({x, y});
  SetFocusMarkShown(false);
  if (OnDismiss && (x < 0 || y < 0 || x >= BitmapWidth() || y >= BitmapHeight())) {
    OnDismiss();  // may free this layer
    return;
  }
  TpmVisualObject* obj = InputTarget(ObjectAtPoint2D(pointer_.X, pointer_.Y));
  if (obj) {
    const TpmPoint p = obj->AbsoluteToLocal(pointer_);
    obj->MouseDown(button, shift, p.X, p.Y);
  } else if (allow_drag_) {
    moving_ = true;
    move_start_ = pointer_;
    Capture();
  }
}

void TgkPQLayer::PointerMove(TShiftState shift, float x, float y) {
  if (moving_) {
    Position().SetX(Position().X() + (x - move_start_.X));
    Position().SetY(Position().Y() + (y - move_start_.Y));
    return;
  }
  pointer_ = Snap({x, y});
  if (captured_) {
    const TpmPoint p = captured_->AbsoluteToLocal(pointer_);
    captured_->MouseMove(shift, p.X, p.Y);
    return;
  }
  TpmVisualObject* obj = ObjectAtPoint2D(pointer_.X, pointer_.Y);
  if (obj != hovered_) {
    if (TpmVisualObject* old = hovered_) {
      hovered_ = nullptr;
      old->MouseLeave();
    }
    hovered_ = obj;
    if (obj) obj->MouseEnter();
  }
  obj = InputTarget(hovered_);
  if (obj) {
    const TpmPoint p = obj->AbsoluteToLocal(pointer_);
    obj->MouseMove(shift, p.X, p.Y);
  }
}

void TgkPQLayer::PointerUp(TMouseButton button, TShiftState shift, float x, float y) {
  pointer_ = Snap({x, y});
  if (moving_) {
    moving_ = false;
    ReleaseCapture();
  }
  TpmVisualObject* obj =
      captured_ ? captured_ : InputTarget(ObjectAtPoint2D(pointer_.X, pointer_.Y));
  if (obj) {
    const TpmPoint p = obj->AbsoluteToLocal(pointer_);
    obj->MouseUp(button, shift, p.X, p.Y);
  }
}

bool TgkPQLayer::PointerWheel(TShiftState shift, int delta) {
  bool handled = false;
  if (captured_) {
    captured_->MouseWheel(shift, delta, handled);
    return handled;
  }
  for (TpmVisualObject* o = InputTarget(ObjectAtPoint2D(pointer_.X, pointer_.Y)); o && !handled;
       o = o->VisualParent()) {
    o->MouseWheel(shift, delta, handled);
  }
  return handled;
}

bool TgkPQLayer::PixelFromRay(const TgkVector& ray_pos, const TgkVector& ray_dir,
                              bool allow_outside, TpmPoint& pixel) {
  if (Width() == 0 || Height() == 0 || Depth() == 0) return false;
  const bool screen = IsScreenProjection();
  TgkVector hit;
  bool ok = RayCastBox(ray_pos, ray_dir, {Width(), Height(), Depth(), 0}, 0.503f, &hit);
  if (!ok && allow_outside) {
    ok = screen ? RayCastPlane(ray_pos, ray_dir, {0, 0, 0, 1}, {0, 0, 1, 0}, &hit) ||
                      RayCastPlane(ray_pos, ray_dir, {0, 0, 0, 1}, {0, 0, -1, 0}, &hit)
                : RayCastPlane(ray_pos, ray_dir, {0, 0, 0, 1}, {0, -1, 0, 0}, &hit) ||
                      RayCastPlane(ray_pos, ray_dir, {0, 0, 0, 1}, {0, 1, 0, 0}, &hit);
  }
  if (!ok) return false;
  pixel.X = (Width() / 2 + hit.X) / Width() * BitmapWidth();
  pixel.Y = screen ? (Height() / 2 + hit.Y) / Height() * BitmapHeight()
                   : (Depth() / 2 - hit.Z) / Depth() * BitmapHeight();
  return true;
}

void TgkPQLayer::MouseDown(TMouseButton button, TShiftState shift, float x, float y,
                           const TgkVector& ray_pos, const TgkVector& ray_dir) {
  TgkLayer::MouseDown(button, shift, x, y, ray_pos, ray_dir);
  TpmPoint p;
  if (!PixelFromRay(ray_pos, ray_dir, OnDismiss != nullptr, p)) return;
  Enter();
  PointerDown(button, shift, p.X, p.Y);
}

void TgkPQLayer::MouseMove(TShiftState shift, float x, float y, float dx, float dy,
                           const TgkVector& ray_pos, const TgkVector& ray_dir) {
  TgkLayer::MouseMove(shift, x, y, dx, dy, ray_pos, ray_dir);
  // A drag that left the layer keeps going: the captured object still follows the pointer.
  const bool holds = Scene() && Scene()->Captured() == this;
  TpmPoint p;
  if (!PixelFromRay(ray_pos, ray_dir, holds, p)) return;
  PointerMove(shift, p.X, p.Y);
}

void TgkPQLayer::MouseUp(TMouseButton button, TShiftState shift, float x, float y,
                         const TgkVector& ray_pos, const TgkVector& ray_dir) {
  TgkLayer::MouseUp(button, shift, x, y, ray_pos, ray_dir);
  const bool holds = Scene() && Scene()->Captured() == this;
  TpmPoint p;
  if (!PixelFromRay(ray_pos, ray_dir, holds, p)) {
    if (!holds) return;
    p = pointer_;
  }
  PointerUp(button, shift, p.X, p.Y);
}

void TgkPQLayer::MouseWheel(TShiftState shift, int wheel_delta, bool& handled) {
  TgkLayer::MouseWheel(shift, wheel_delta, handled);
  if (PointerWheel(shift, wheel_delta)) handled = true;
}

void TgkPQLayer::MouseLeave() {
  TgkLayer::MouseLeave();
  if (TpmVisualObject* old = hovered_) {
    hovered_ = nullptr;
    old->MouseLeave();
  }
}

void TgkPQLayer::KeyDown(uint16_t& key, char32_t& key_char, TShiftState shift) {
  TgkLayer::KeyDown(key, key_char, shift);
  if (key == vkEscape && OnDismiss) {
    key = 0;
    OnDismiss();  // may free this layer
    return;
  }
  if (OnDismiss && MenuKey(key)) return;
  TpmVisualObject* root = Root();
  if (key == vkTab && root) {
    key = 0;
    std::vector<TpmVisualObject*> list;
    list.push_back(root);
    root->TabList(list);
    const auto at = std::find(list.begin(), list.end(), focused_);
    const size_t n = at == list.end() ? 0 : static_cast<size_t>(at - list.begin()) + 1;
    auto usable = [](TpmVisualObject* v) { return v->IsVisibleAll() && v->AcceptsFocus(); };
    for (size_t i = n; i < list.size(); ++i) {
      if (usable(list[i])) return SetFocused(list[i]);
    }
    for (size_t i = 0; i + 1 < n; ++i) {
      if (usable(list[i])) return SetFocused(list[i]);
    }
    return;
  }
  if (TpmVisualObject* f = InputTarget(focused_)) f->KeyDown(key, key_char, shift);
}

void TgkPQLayer::KeyUp(uint16_t& key, char32_t& key_char, TShiftState shift) {
  TgkLayer::KeyUp(key, key_char, shift);
  if (TpmVisualObject* f = InputTarget(focused_)) f->KeyUp(key, key_char, shift);
}

bool TgkPQLayer::MenuKey(uint16_t& key) {
  TpmVisualObject* root = Root();
  if (!root) return false;
  std::vector<TpmMenuItem*> entries;
  for (TpmObject* o : root->Children()) {
    if (auto* entry = dynamic_cast<TpmMenuItem*>(o)) entries.push_back(entry);
  }
  const auto at = std::find(entries.begin(), entries.end(), hovered_);
  if ((key == vkUp || key == vkDown) && !entries.empty()) {
    // The entry the keys are on is marked as the pointer would mark it.
    const size_t n = entries.size();
    size_t next = key == vkDown ? 0 : n - 1;
    if (at != entries.end()) {
      const size_t i = static_cast<size_t>(at - entries.begin());
      next = key == vkDown ? std::min(i + 1, n - 1) : (i == 0 ? 0 : i - 1);
    }
    key = 0;
    if (TpmVisualObject* old = hovered_) {
      hovered_ = nullptr;
      old->MouseLeave();
    }
    hovered_ = entries[next];
    hovered_->MouseEnter();
    return true;
  }
  if ((key == vkReturn || key == vkSpace) && at != entries.end()) {
    key = 0;
    TpmMenuItem& entry = **at;
    if (entry.OnChoose) entry.OnChoose(entry.Index);  // closes the menu, may free this layer
    return true;
  }
  return false;
}

bool TgkPQLayer::HintShow(std::string& message) {
  bool result = TgkLayer::HintShow(message);
  TpmVisualObject* obj = ObjectAtPoint2D(pointer_.X, pointer_.Y);
  if (obj && obj->ShowHint() && !obj->Hint().empty()) {
    message = obj->Hint();
    result = true;
  }
  return result;
}

// ---- Pop-up menus ----

bool TgkPQLayer::ShowPopupMenu(TpmObject* owner, const std::vector<std::string>& items, int checked,
                               TpmPoint at, std::function<void(int)> choose) {
  ClosePopupMenu();
  closed_popup_.reset();
  if (items.empty()) return false;
  popup_ = std::make_unique<TgkScreenPQLayer>();
  popup_owner_ = owner;
  TgkScreenPQLayer& menu = *popup_;
  menu.SetStyle(style_);
  const TpmPoint design = BuildPopupMenu(menu, items, checked, [this, choose](int index) {
    ClosePopupMenu();
    if (choose) choose(index);
  });
  // The menu is drawn as finely as this layer: its content at the same scale.
  const float scale = Root() && Root()->Scale().X() > 0 ? Root()->Scale().X() : 1;
  if (menu.Root()) menu.Root()->Scale().SetPoint({scale, scale});
  const TpmPoint size{design.X * scale, design.Y * scale};
  menu.OnDismiss = [this] { ClosePopupMenu(); };
  const TpmPoint window_at = LocalToScreen(at);
  float ww = 1e6f, wh = 1e6f;
  if (auto* scene = dynamic_cast<TgkScene*>(Scene())) {
    ww = static_cast<float>(scene->Width());
    wh = static_cast<float>(scene->Height());
  }
  const TpmPoint place = KeepInsideWindow(window_at, size.X, size.Y, ww, wh);
  menu.SetWidth(size.X);
  menu.SetHeight(size.Y);
  menu.Position().SetPoint({place.X + size.X / 2, place.Y + size.Y / 2, 0});
  if (TgkObject* parent = Parent()) {
    // Drawn over the other layers: last in the scene tree; this layer keeps ownership.
    parent->AddObject(&menu);
    menu.Capture();
    menu.SetFocus();
  }
  // The entry under the pointer is marked at once, as after a move: a click that follows
  // without a move chooses the entry that shows the mark.
  if (TgkSceneHost* host = Scene()) {
    const TgkPoint mouse = host->MousePosition();
    menu.PointerMove(0, mouse.X - place.X, mouse.Y - place.Y);
  }
  menu.UpdateSurface();
  return true;
}

TgkScreenPQLayer* TgkPQLayer::PopupMenu() const {
  return popup_.get();
}

void TgkPQLayer::ClosePopupMenu() {
  if (!popup_) return;
  std::unique_ptr<TgkScreenPQLayer> menu = std::move(popup_);
  popup_owner_ = nullptr;
  menu->OnDismiss = nullptr;
  // The keys go back to the layer whose box opened the menu.
  if (!IsDestroying() && Scene() && Scene()->Focused() == menu.get()) SetFocus();
  menu->ReleaseCapture();
  menu->SetParent(nullptr);
  // Freed after the current event has left the menu's code.
  if (auto* scene = dynamic_cast<TgkScene*>(Scene())) scene->RequestRender();
  closed_popup_ = std::move(menu);
}

// ---- Screen layer ----

FM_REGISTER_CLASS(TgkScreenPQLayer) {}

TgkScreenPQLayer::TgkScreenPQLayer(TComponent* owner) : TgkPQLayer(owner) {
  SetProjection(true);
  SetWidth(256);
  SetHeight(256);
}

TpmPoint KeepInsideWindow(TpmPoint at, float w, float h, float window_w, float window_h) {
  TpmPoint p = at;
  if (p.X + w > window_w) p.X = window_w - w;
  if (p.Y + h > window_h) p.Y = window_h - h;
  if (p.X < 0) p.X = 0;
  if (p.Y < 0) p.Y = 0;
  return p;
}
