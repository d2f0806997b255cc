#include "scene/scene.h"

#include <algorithm>

#include "imaging/bitmap.h"
#include "scene/camera_light.h"
#include "scene/layer.h"
#include "scene/visual_object.h"

namespace {

TgkVisualObject* AsVisual(TgkObject* object) {
  return object && object->IsVisualObject() ? static_cast<TgkVisualObject*>(object) : nullptr;
}

// A layer as the edge layout sees it: its size and centre in window pixels.
class TLayerSlot final : public TgkLayoutTarget {
 public:
  explicit TLayerSlot(TgkLayer& layer) : layer_(layer) {}
  TgkLayerAlign LayoutAlign() const override { return layer_.LayerAlign(); }
  bool LayoutVisible() const override { return layer_.Visible(); }
  float LayoutWidth() const override { return layer_.Width(); }
  float LayoutHeight() const override { return layer_.Height(); }
  float LayoutCentreX() const override { return layer_.Position().X(); }
  float LayoutCentreY() const override { return layer_.Position().Y(); }
  void SetLayoutSize(float width, float height) override {
    layer_.SetWidth(width);
    layer_.SetHeight(height);
  }
  void SetLayoutCentre(float x, float y) override {
    TgkPoint p = layer_.Position().Point();
    if (p.X == x && p.Y == y) return;
    p.X = x, p.Y = y;
    layer_.Position().SetPoint(p);
  }

 private:
  TgkLayer& layer_;
};

}  // namespace

const TEnumInfo& QualityInfo() {
  static const TEnumInfo info("TgkQuality",
                              {"gkLowQuality", "gkHighQuality", "gkSuperHighQuality"});
  return info;
}

FM_REGISTER_CLASS(TgkScene) {
  using S = TgkScene;
  c.Enum("Quality", QualityInfo(), &S::Quality, &S::SetQuality).Default(int{gkLowQuality});
  c.Color("FillColor", &S::FillColor, &S::SetFillColor, &ColorToString, &StringToColor)
      .Default(int64_t{S::kDefaultFillColor});
  c.Color("AmbientColor", &S::AmbientColor, &S::SetAmbientColor, &ColorToString, &StringToColor)
      .Default(int64_t{S::kDefaultAmbientColor});
  c.Boolean("Lighting", &S::Lighting, &S::SetLighting).Default(true);
  c.Reference<TgkCamera>("Camera", &S::Camera, &S::SetCamera);
  c.Boolean("Transparency", &S::Transparency, &S::SetTransparency).Default(false);
  c.Boolean("RealTime", &S::RealTime, &S::SetRealTime).Default(false);
  c.Integer("RealTimeSleep", &S::RealTimeSleep, &S::SetRealTimeSleep).Default(0);
  c.Boolean("InvisibleAtRuntime", &S::InvisibleAtRuntime, &S::SetInvisibleAtRuntime).Default(false);
  c.Boolean("AllowDrag", &S::AllowDrag, &S::SetAllowDrag).Default(false);
  c.Boolean("AlignRoot", &S::AlignRoot, &S::SetAlignRoot).Default(true);
  c.Event("OnMouseDown", &S::OnMouseDown);
  c.Event("OnMouseMove", &S::OnMouseMove);
  c.Event("OnMouseUp", &S::OnMouseUp);
  c.Event("OnMouseWheel", &S::OnMouseWheel);
}

TgkScene::TgkScene(TComponent* owner) : TComponent(owner) {}

TgkScene::~TgkScene() {
  SetComponentState(csDestroying, true);
  // Roots go first: their bitmaps drop their textures from the canvas while it exists.
  while (!roots_.empty()) {
    TgkObject* root = roots_.back();
    roots_.pop_back();
    delete root;  // the scene owns its roots; a root leaves its owner when freed
  }
  DetachView();
  if (camera_) camera_->RemoveFreeNotification(this);
}

// ---- Properties ----

void TgkScene::SetQuality(TgkQuality quality) {
  quality_ = quality;
  if (canvas_) canvas_->SetQuality(quality);
}

void TgkScene::SetFillColor(uint32_t color) {
  if (color == fill_color_) return;
  fill_color_ = color;
  RequestRender();
}

void TgkScene::SetAmbientColor(uint32_t color) {
  if (color == ambient_color_) return;
  ambient_color_ = color;
  RequestRender();
}

void TgkScene::SetLighting(bool value) {
  if (value == lighting_) return;
  lighting_ = value;
  RequestRender();
}

void TgkScene::SetCamera(TgkCamera* camera) {
  if (camera == camera_) return;
  if (camera_) camera_->RemoveFreeNotification(this);
  camera_ = camera;
  if (camera_) camera_->FreeNotification(this);
  RequestRender();
}

void TgkScene::SetRealTime(bool value) {
  if (value == real_time_) return;
  real_time_ = value;
  real_time_start_ = -1;
  if (!real_time_) {
    RequestRender();
  } else if (view_) {
    view_->InvalidateView();  // the view starts its real-time steps
  }
}

// ---- Window ----

void TgkScene::AttachView(TgkSceneView* view, int width, int height) {
  DetachView();
  view_ = view;
  width_ = std::max(1, width);
  height_ = std::max(1, height);
  if (!view_ || invisible_at_runtime_) return;
  canvas_ = DefaultCanvasClass3D().CreateFromWindow(view_->CanvasWindow(), width_, height_,
                                                    transparency_, quality_);
  if (canvas_) canvas_->SetScene(this);
  RealignLayers();
  RequestRender();
}

void TgkScene::DetachView() {
  if (captured_ && view_) view_->SetViewMouseCapture(false);
  canvas_.reset();
  view_ = nullptr;
}

void TgkScene::SetSize(int width, int height) {
  width = std::max(1, width);
  height = std::max(1, height);
  if (width == width_ && height == height_) return;
  width_ = width;
  height_ = height;
  if (!canvas_ || !view_) return;
  // The size changes of many events in one loop turn reach here once (the window
  // coalesces them); the frame follows in the same turn.
  resize_pending_ = true;
  canvas_->ResizeBuffer(width_, height_);
  RealignLayers();
  resize_pending_ = false;
  RequestRender();
}

void TgkScene::Paint() {
  if (!resize_pending_) Render();
}

// ---- Frames ----

void TgkScene::RequestRender() {
  if (rendering_) return;  // the frame in progress shows the change already
  if (updating_ > 0 || IsLoading()) {
    missed_request_ = true;
    return;
  }
  if (!view_ || real_time_) return;
  view_->InvalidateView();
}

void TgkScene::Render() {
  if (rendering_ || !canvas_) return;
  rendering_ = true;
  struct TGuard {
    bool& flag;
    bool& deferring;
    ~TGuard() { flag = deferring = false; }
  } guard{rendering_, deferring_screen_};
  TgkCanvas& canvas = *canvas_;
  canvas.ResetState();
  canvas.SetLighting(lighting_);
  canvas.SetAmbient(ambient_color_);
  if (camera_) canvas.SetCamera(camera_);
  // Handlers may change the root list while we draw: walk a copy.
  const std::vector<TgkObject*> roots = roots_;
  for (TgkObject* root : roots) {
    TgkVisualObject* v = AsVisual(root);
    if (!v || !v->Visible()) continue;
    canvas.SetMatrix(v->GetAbsoluteMatrix());
    v->CollectLights();
  }
  if (canvas.BeginScene()) {
    for (TgkRenderState s :
         {rsShadeGouraud, rsCameraMatrix, rsZWriteOn, rsLightingOn, rsTexLinear, rsCullCCW}) {
      canvas.SetRenderState(s);
    }
    canvas.Clear(fill_color_);
    // First the 3D scene, then the interface layers over it with a fresh depth buffer: a
    // model close to the camera must not cover the panels. The layers keep their tree order
    // and their depth among themselves.
    deferring_screen_ = true;
    for (TgkObject* root : roots) {
      if (std::find(roots_.begin(), roots_.end(), root) == roots_.end()) continue;
      TgkVisualObject* v = AsVisual(root);
      if (!v || !v->Visible()) continue;
      canvas.SetMatrix(v->GetAbsoluteMatrix());
      v->BeforePaint();
      v->Paint();
      v->PaintChildren();
    }
    deferring_screen_ = false;
    canvas.ClearDepth();
    for (TgkObject* root : roots) {
      if (std::find(roots_.begin(), roots_.end(), root) == roots_.end()) continue;
      TgkVisualObject* v = AsVisual(root);
      if (v && v->Visible() && !v->IsScreenProjection()) v->PaintScreenChildren();
    }
  }
  canvas.EndScene();
  ++frames_;
}

void TgkScene::RealTimeStep(double now_seconds) {
  if (!real_time_) return;
  if (real_time_start_ < 0) real_time_start_ = now_seconds, real_time_last_ = 0;
  const double time = now_seconds - real_time_start_;
  const float delta = static_cast<float>(time - real_time_last_);
  real_time_last_ = time;
  const std::vector<TgkObject*> roots = roots_;
  for (TgkObject* root : roots) {
    if (std::find(roots_.begin(), roots_.end(), root) != roots_.end()) {
      root->Tick(static_cast<float>(time), delta);
    }
  }
  Render();
}

// ---- Objects ----

void TgkScene::RemoveObject(TgkObject* object) {
  if (object && object->Scene() == this && !object->Parent()) object->SetParent(nullptr);
}

void TgkScene::AddRoot(TgkObject* object) {
  if (!object) return;
  if (std::find(roots_.begin(), roots_.end(), object) == roots_.end()) roots_.push_back(object);
  RequestRender();
}

void TgkScene::RemoveRoot(TgkObject* object) {
  auto it = std::find(roots_.begin(), roots_.end(), object);
  if (it == roots_.end()) return;
  roots_.erase(it);
  if (!IsDestroying()) RequestRender();
}

void TgkScene::ObjectDestroying(TgkObject* object) {
  if (object == captured_) {
    captured_ = nullptr;
    SetMouseCapture(false);
  }
  if (object == hovered_) hovered_ = nullptr;
  if (object == focused_) focused_ = nullptr;
  if (object == target_) target_ = nullptr;
  if (object == camera_) {
    camera_->RemoveFreeNotification(this);
    camera_ = nullptr;
  }
}

void TgkScene::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::Remove && component == camera_) camera_ = nullptr;
}

void TgkScene::GetChildren(const std::function<void(TComponent*)>& proc, TComponent*) const {
  for (TgkObject* root : roots_) {
    if (root->Stored) proc(root);
  }
}

void TgkScene::Loaded() {
  TComponent::Loaded();
  RealignLayers();
  RequestRender();
}

void TgkScene::EndUpdate() {
  if (updating_ == 0) return;
  if (--updating_ > 0) return;
  // What changed during the update was never asked to be drawn.
  if (missed_request_ && !IsLoading()) {
    missed_request_ = false;
    RequestRender();
  }
}

void TgkScene::CollectLayers(TgkObject& object, std::vector<TgkLayer*>& layers) const {
  if (auto* layer = dynamic_cast<TgkLayer*>(&object)) {
    if (layer->IsScreenProjection() && layer->LayerAlign() != gkLayerNone) {
      layers.push_back(layer);
    }
  }
  for (TgkObject* child : object.Children()) CollectLayers(*child, layers);
}

void TgkScene::RealignLayers() {
  std::vector<TgkLayer*> layers;
  for (TgkObject* root : roots_) CollectLayers(*root, layers);
  if (layers.empty()) return;
  std::vector<TLayerSlot> slots;
  slots.reserve(layers.size());
  std::vector<TgkLayoutTarget*> targets;
  for (TgkLayer* layer : layers) targets.push_back(&slots.emplace_back(*layer));
  LayOutScreenLayers(targets, width_, height_, layer_overhang_);
}

TgkVisualObject* TgkScene::ObjectAtPoint(float x, float y) {
  if (!canvas_) return nullptr;
  TgkVisualObject* result = nullptr;
  for (auto it = roots_.rbegin(); it != roots_.rend(); ++it) {
    // A root that is no visual object has nothing to hit; the roots before it still do.
    TgkVisualObject* root = AsVisual(*it);
    if (!root || !root->Visible()) continue;
    float distance = kPickFar;
    TgkVisualObject* hit = root->ObjectAtPoint(true, distance, x, y);
    if (!hit) {
      distance = kPickFar;
      hit = root->ObjectAtPoint(false, distance, x, y);
    }
    if (hit) result = hit;  // nearer the front of the list wins, whatever the distance
  }
  return result;
}

// ---- Capture and focus ----

void TgkScene::SetMouseCapture(bool capture) {
  if (view_) view_->SetViewMouseCapture(capture);
}

void TgkScene::SetFocused(TgkVisualObject* object) {
  if (object == focused_) return;
  TgkVisualObject* old = focused_;
  focused_ = object;
  if (old) {
    target_ = object;
    old->Exit();
    object = target_;  // Exit may have freed the new one
    target_ = nullptr;
  }
  if (object && focused_ == object) object->Enter();
}

// ---- Input ----

void TgkScene::HandleInput(const TInputEvent& e) {
  switch (e.kind) {
    case TInputKind::MouseDown:
      MouseDown(e.button, e.shift, e.x, e.y);
      break;
    case TInputKind::MouseMove:
      MouseMove(e.shift, e.x, e.y);
      break;
    case TInputKind::MouseUp:
      MouseUp(e.button, e.shift, e.x, e.y);
      break;
    case TInputKind::MouseWheel:
      MouseWheel(e.shift, e.wheel_delta, e.x, e.y);
      break;
    case TInputKind::MouseLeave:
      MouseLeaveWindow();
      break;
    case TInputKind::KeyDown:
    case TInputKind::KeyUp:
    case TInputKind::Char:
      Key(e);
      break;
    default:
      break;
  }
}

void TgkScene::LocalInput(TgkVisualObject& object, float x, float y, TgkPoint& local,
                          TgkVector& ray_pos, TgkVector& ray_dir) {
  local = object.AbsoluteToLocal({x, y, 0});
  canvas_->PickRay(object.IsScreenProjection(), ray_pos, ray_dir, x, y);
  ray_pos = object.AbsoluteToLocalVector(ray_pos);
  ray_dir = object.AbsoluteToLocalVector(ray_dir);
}

void TgkScene::MouseDown(TMouseButton button, TShiftState shift, float x, float y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, static_cast<int>(x), static_cast<int>(y));
  if (!canvas_) return;
  if (view_) view_->TakeViewFocus();
  mouse_ = {x, y, 0};
  target_ = ObjectAtPoint(x, y);
  if (!target_) return;
  TgkPoint p;
  TgkVector pos, dir;
  LocalInput(*target_, x, y, p, pos, dir);
  TgkVisualObject* o = target_;
  target_ = nullptr;
  o->MouseDown(button, shift, p.X, p.Y, pos, dir);
}

void TgkScene::MouseMove(TShiftState shift, float x, float y) {
  if (OnMouseMove) OnMouseMove(this, shift, static_cast<int>(x), static_cast<int>(y));
  if (!canvas_) return;
  mouse_ = {x, y, 0};
  TgkPoint p;
  TgkVector pos, dir;
  if (captured_) {
    LocalInput(*captured_, x, y, p, pos, dir);
    captured_->MouseMove(shift, p.X, p.Y, 0, 0, pos, dir);
    return;
  }
  target_ = ObjectAtPoint(x, y);
  if (target_ != hovered_) {
    if (hovered_) {
      TgkVisualObject* old = hovered_;
      hovered_ = nullptr;
      old->MouseLeave();  // may free objects: target_ and hovered_ are kept up to date
    }
    if (target_) {
      hovered_ = target_;
      target_->MouseEnter();
    }
  }
  if (!target_) return;
  LocalInput(*target_, x, y, p, pos, dir);
  TgkVisualObject* o = target_;
  target_ = nullptr;
  o->MouseMove(shift, p.X, p.Y, 0, 0, pos, dir);
}

void TgkScene::MouseUp(TMouseButton button, TShiftState shift, float x, float y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, static_cast<int>(x), static_cast<int>(y));
  if (!canvas_) return;
  // Chosen at release time: without capture, whatever lies under the pointer now.
  TgkVisualObject* o = captured_ ? captured_ : ObjectAtPoint(mouse_.X, mouse_.Y);
  if (!o) return;
  TgkPoint p;
  TgkVector pos, dir;
  LocalInput(*o, x, y, p, pos, dir);
  o->MouseUp(button, shift, p.X, p.Y, pos, dir);
}

void TgkScene::MouseWheel(TShiftState shift, int delta, float x, float y) {
  bool handled = false;
  if (OnMouseWheel) {
    OnMouseWheel(this, shift, delta, static_cast<int>(x), static_cast<int>(y), handled);
  }
  if (!canvas_) return;
  handled = false;
  if (captured_) {
    captured_->MouseWheel(shift, delta, handled);
    return;
  }
  target_ = ObjectAtPoint(mouse_.X, mouse_.Y);
  while (target_ && !handled) {
    TgkVisualObject* o = target_;
    o->MouseWheel(shift, delta, handled);
    if (handled || !target_) break;  // handled, or freed by its own handler
    target_ = AsVisual(o->Parent());
  }
  target_ = nullptr;
}

void TgkScene::MouseLeaveWindow() {
  if (!hovered_) return;
  TgkVisualObject* old = hovered_;
  hovered_ = nullptr;
  old->MouseLeave();
}

void TgkScene::Key(const TInputEvent& e) {
  if (e.kind == TInputKind::KeyDown && e.key == vkTab) {
    FocusNext();
    return;
  }
  if (!focused_) return;
  uint16_t key = e.key;
  char32_t key_char = e.kind == TInputKind::Char ? e.key_char : 0;
  if (e.kind == TInputKind::Char) key = 0;
  if (e.kind == TInputKind::KeyUp) {
    focused_->KeyUp(key, key_char, e.shift);
  } else {
    focused_->KeyDown(key, key_char, e.shift);
  }
}

void TgkScene::FocusNext() {
  std::vector<TgkVisualObject*> candidates;
  std::function<void(TgkObject*)> walk = [&](TgkObject* o) {
    TgkVisualObject* v = AsVisual(o);
    if (v && !v->Visible()) return;  // nothing inside a hidden object can take the focus
    if (v && v->CanFocused()) candidates.push_back(v);
    for (TgkObject* child : o->Children()) walk(child);
  };
  for (TgkObject* root : roots_) walk(root);
  if (candidates.empty()) return;
  auto it = std::find(candidates.begin(), candidates.end(), focused_);
  TgkVisualObject* next =
      (it == candidates.end() || it + 1 == candidates.end()) ? candidates.front() : *(it + 1);
  SetFocused(next);
}
