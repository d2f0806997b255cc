#include "scene/layer.h"

#include <climits>
#include <cmath>

#include "imaging/bitmap.h"
#include "scene/canvas.h"
#include "scene/material.h"
#include "scene/scene.h"

namespace {

int RoundToInt(float v) {
  const double r = std::nearbyint(static_cast<double>(v));  // halves to even
  if (!(r > INT_MIN)) return INT_MIN;                       // also NaN
  if (r > INT_MAX) return INT_MAX;
  return static_cast<int>(r);
}

int TruncToInt(double v) {
  if (!(v > INT_MIN)) return INT_MIN;
  if (v > INT_MAX) return INT_MAX;
  return static_cast<int>(v);
}

// Vertex k = j + 2i for i, j in {0, 1}.
void BuildCameraQuad(TgkMeshData& quad) {
  quad.Vertices.resize(4);
  for (int i = 0; i < 2; ++i) {
    for (int j = 0; j < 2; ++j) {
      TgkMeshVertex& v = quad.Vertices[j + 2 * i];
      v.X = j - 0.5f, v.Y = 0, v.Z = i - 0.5f;
      v.TU = static_cast<float>(j), v.TV = static_cast<float>(1 - i);
    }
  }
  quad.Indices = {0, 2, 1, 2, 3, 1};
  quad.CalcNormals();
}

void BuildScreenQuad(TgkMeshData& quad) {
  quad.Vertices.resize(4);
  for (int i = 0; i < 2; ++i) {
    for (int j = 0; j < 2; ++j) {
      TgkMeshVertex& v = quad.Vertices[j + 2 * i];
      v.X = j - 0.5f, v.Y = i - 0.5f, v.Z = 0;
      v.NX = 0, v.NY = 0, v.NZ = 1;
      v.TU = static_cast<float>(j), v.TV = static_cast<float>(i);
    }
  }
  quad.Indices = {0, 1, 2, 2, 1, 3};
}

}  // namespace

int EvenRound(float v) {
  const int half = RoundToInt(v / 2);
  if (half > INT_MAX / 2) return INT_MAX - 1;
  if (half < INT_MIN / 2) return INT_MIN;
  return 2 * half;
}

const TEnumInfo& LayerAlignInfo() {
  static const TEnumInfo info(
      "TgkLayerAlign", {"gkLayerNone", "gkLayerTop", "gkLayerLeft", "gkLayerRight", "gkLayerBottom",
                        "gkLayerMostLeft", "gkLayerMostRight", "gkLayerClient", "gkLayerCenter"});
  return info;
}

FM_REGISTER_CLASS(TgkLayer) {
  c.Integer("Resolution", &TgkLayer::Resolution, &TgkLayer::SetResolution).Default(60);
  c.Color("ModulationColor", &TgkLayer::ModulationColor, &TgkLayer::SetModulationColor,
          &ColorToString, &StringToColor);
  c.Enum("LayerAlign", LayerAlignInfo(), &TgkLayer::LayerAlign, &TgkLayer::SetLayerAlign)
      .Default(int{gkLayerNone});
  c.Event("OnLayerMouseDown", &TgkLayer::OnLayerMouseDown);
  c.Event("OnLayerMouseMove", &TgkLayer::OnLayerMouseMove);
  c.Event("OnLayerMouseUp", &TgkLayer::OnLayerMouseUp);
}

TgkLayer::TgkLayer(TComponent* owner)
    : TgkVisualObject(owner), bitmap_(std::make_unique<TgkBitmap>(240, 180)) {
  BuildCameraQuad(camera_quad_);
  BuildScreenQuad(screen_quad_);
  SetCanFocused(true);
  SetTwoSide(true);
  SetWidth(4);
  SetDepth(3);
  SetHeight(1);
}

TgkLayer::~TgkLayer() = default;

void TgkLayer::SetResolution(int value) {
  if (value == resolution_) return;
  resolution_ = value;
  if (!IsScreenProjection()) {
    bitmap_width_ = RoundToInt(static_cast<float>(value) * Width());
    bitmap_height_ = RoundToInt(static_cast<float>(value) * Depth());
  }
  Repaint();
}

void TgkLayer::SetModulationColor(uint32_t color) {
  if (color == modulation_) return;
  modulation_ = color;
  Repaint();
}

std::string TgkLayer::ModulationColorText() const {
  return ColorToString(modulation_);
}

void TgkLayer::SetModulationColorText(const std::string& text) {
  SetModulationColor(StringToColor(text));
}

void TgkLayer::SetLayerAlign(TgkLayerAlign value) {
  if (value == layer_align_) return;
  layer_align_ = value;
  if (auto* scene = dynamic_cast<TgkScene*>(Scene())) scene->RealignLayers();
}

void TgkLayer::SetWidth(float value) {
  TgkVisualObject::SetWidth(value);
  if (IsScreenProjection()) {
    if (RoundToInt(Width()) != bitmap_width_) bitmap_width_ = EvenRound(Width());
  } else {
    const float pixels = Width() * static_cast<float>(resolution_);
    if (RoundToInt(pixels) != bitmap_width_) bitmap_width_ = EvenRound(pixels);
  }
}

void TgkLayer::SetHeight(float value) {
  TgkVisualObject::SetHeight(value);
  if (IsScreenProjection() && RoundToInt(Height()) != bitmap_height_) {
    bitmap_height_ = EvenRound(Height());
  }
}

void TgkLayer::SetDepth(float value) {
  TgkVisualObject::SetDepth(value);
  if (IsScreenProjection()) return;
  const float pixels = Depth() * static_cast<float>(resolution_);
  if (RoundToInt(pixels) != bitmap_height_) bitmap_height_ = EvenRound(pixels);
}

bool TgkLayer::RayCastIntersect(const TgkVector& ray_pos, const TgkVector& ray_dir,
                                TgkVector& hit) {
  TgkVector local;
  if (!RayCastBox(ray_pos, ray_dir, {Width(), Height(), Depth(), 0}, 0.503f, &local)) {
    return false;
  }
  hit = PointToVector(LocalToAbsolute(VectorToPoint(local)), 1);
  return true;
}

bool TgkLayer::BitmapPointAtMouse(int& x, int& y) {
  TgkCanvas* canvas = GetCanvas();
  if (!canvas || !Scene()) return false;
  // A layer without extent has no pixel to name (and would divide by zero).
  if (Width() == 0 || Depth() == 0) return false;
  const TgkPoint mouse = Scene()->MousePosition();
  TgkVector pos, dir;
  canvas->PickRay(false, pos, dir, mouse.X, mouse.Y);
  const TgkVector local_pos = AbsoluteToLocalVector(pos);
  const TgkVector local_dir = AbsoluteToLocalVector(dir);
  TgkVector hit;
  if (!RayCastPlane(local_pos, local_dir, {0, 0, 0, 1}, {0, -1, 0, 0}, &hit)) return false;
  x = TruncToInt(std::trunc((Width() / 2.0 + hit.X) / Width() * bitmap_width_));
  y = TruncToInt(std::trunc((Depth() / 2.0 - hit.Z) / Depth() * bitmap_height_));
  return true;
}

void TgkLayer::MouseDown(TMouseButton button, TShiftState shift, float x, float y,
                         const TgkVector& ray_pos, const TgkVector& ray_dir) {
  TgkVisualObject::MouseDown(button, shift, x, y, ray_pos, ray_dir);
  int bx = 0, by = 0;
  if (OnLayerMouseDown && BitmapPointAtMouse(bx, by)) OnLayerMouseDown(this, button, shift, bx, by);
}

void TgkLayer::MouseMove(TShiftState shift, float x, float y, float dx, float dy,
                         const TgkVector& ray_pos, const TgkVector& ray_dir) {
  TgkVisualObject::MouseMove(shift, x, y, dx, dy, ray_pos, ray_dir);
  int bx = 0, by = 0;
  if (OnLayerMouseMove && BitmapPointAtMouse(bx, by)) OnLayerMouseMove(this, shift, bx, by);
}

void TgkLayer::MouseUp(TMouseButton button, TShiftState shift, float x, float y,
                       const TgkVector& ray_pos, const TgkVector& ray_dir) {
  TgkVisualObject::MouseUp(button, shift, x, y, ray_pos, ray_dir);
  int bx = 0, by = 0;
  if (OnLayerMouseUp && BitmapPointAtMouse(bx, by)) OnLayerMouseUp(this, button, shift, bx, by);
}

void TgkLayer::BeforePaint() {
  if (!bitmap_) bitmap_ = std::make_unique<TgkBitmap>();
  if (bitmap_->Width() != bitmap_width_ || bitmap_->Height() != bitmap_height_) {
    bitmap_->SetSize(bitmap_width_, bitmap_height_);
  }
}

void TgkLayer::Paint() {
  TgkCanvas* canvas = GetCanvas();
  if (!canvas || !bitmap_) return;
  const float opacity = GetAbsoluteOpacity();
  TgkMaterial& m = canvas->Material();
  {
    // Prepared quietly, then brought into effect once.
    auto on_change = std::move(m.OnChange);
    m.OnChange = nullptr;
    m.SetBitmap("");
    m.SetBitmapTile(1);
    m.SetBitmapRect(TgkBitmapRect());
    m.SetDirectBitmap(bitmap_.get());
    // The opacity enters here and once more through FillMesh: the unlit quad takes the
    // vertex colour, so the bitmap's alpha is scaled by the opacity twice.
    m.SetDiffuse(ColorWithOpacity(modulation_, opacity));
    m.SetLighting(false);
    m.SetBitmapMode(gkTexModulate);
    m.SetShadeMode(gkGouraud);
    m.SetFillMode(gkSolid);
    m.OnChange = std::move(on_change);
  }
  canvas->ApplyMaterial();
  canvas->SetRenderState(rsTexLinear);
  canvas->FillMesh({0, 0, 0, 1}, {Width(), Height(), Depth(), 0}, opacity,
                   IsScreenProjection() ? screen_quad_ : camera_quad_);
  m.SetDirectBitmap(nullptr);
  canvas->SetRenderState(rsTexDisable);
}
