#include "scene/camera_light.h"

#include <cmath>

#include "scene/canvas.h"
#include "scene/material.h"
#include "scene/shape.h"

namespace {

// Design-mode markers draw unlit in one colour.
void PrepareMarker(TgkCanvas& canvas, uint32_t color) {
  canvas.SetRenderState(rsLightingOff);
  canvas.SetRenderState(rsTexDisable);
  canvas.Material().SetDiffuse(color);
}

}  // namespace

// ---------------------------------------------------------------- TgkCamera

FM_REGISTER_CLASS(TgkCamera) {}

TgkCamera::TgkCamera(TComponent* owner) : TgkVisualObject(owner) {
  SetHitTest(true);
  Position().SetPoint({0, -10, 0});
}

void TgkCamera::Paint() {
  TgkCanvas* canvas = GetCanvas();
  if (!InDesignMode() || !canvas) return;
  const float opacity = GetAbsoluteOpacity();
  PrepareMarker(*canvas, 0xFF60A799);
  canvas->FillCube({0, 0, 0, 1}, {0.8f, 0.8f, 0.8f, 0}, opacity);
  PrepareMarker(*canvas, 0xFF9C60A7);
  canvas->FillCube({0, 0.5f, 0, 1}, {0.3f, 1.4f, 0.3f, 0}, opacity);
  canvas->DrawLine({0, 0, 0, 1}, {0, 1000, 0, 1}, opacity);
}

bool TgkCamera::RayCastIntersect(const TgkVector& ray_pos, const TgkVector& ray_dir,
                                 TgkVector& hit) {
  if (!InDesignMode()) return false;
  if (!RayHitsSphere(ray_pos, ray_dir, {0, 0, 0, 1}, 1)) return false;
  hit = AbsolutePosition();
  return true;
}

// ---------------------------------------------------------------- TgkLight

const TEnumInfo& LightTypeInfo() {
  static const TEnumInfo info("TgkLightType",
                              {"gkLightDirectional", "gkLightPoint", "gkLightSpot"});
  return info;
}

FM_REGISTER_CLASS(TgkLight) {
  c.Boolean("Enabled", &TgkLight::Enabled, &TgkLight::SetEnabled).Default(true);
  c.Enum("LightType", LightTypeInfo(), &TgkLight::LightType, &TgkLight::SetLightType)
      .Default(int{gkLightDirectional});
}

TgkLight::TgkLight(TComponent* owner) : TgkVisualObject(owner) {}

void TgkLight::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  Repaint();
}

void TgkLight::SetLightType(TgkLightType v) {
  if (v == light_type_) return;
  light_type_ = v;
  Repaint();
}

void TgkLight::CollectLights() {
  if (enabled_)
    if (TgkCanvas* canvas = GetCanvas()) canvas->AddLight(this);
  TgkVisualObject::CollectLights();
}

void TgkLight::Paint() {
  TgkCanvas* canvas = GetCanvas();
  if (!InDesignMode() || !canvas) return;
  const float opacity = GetAbsoluteOpacity();
  PrepareMarker(*canvas, 0xFFFFFFFF);
  canvas->FillCube({0, 0, 0, 1}, {0.8f, 0.8f, 0.8f, 0}, opacity);
  const TgkVector origin{0, 0, 0, 1};
  switch (light_type_) {
    case gkLightDirectional:
      canvas->DrawLine(origin, {0, 5, 0, 1}, opacity);
      break;
    case gkLightPoint:
      for (int i = 0; i < 18; ++i) {
        const float a = DegToRad(20.0f * i);
        canvas->DrawLine(origin, {2 * std::cos(a), 2 * std::sin(a), 0, 1}, opacity);
        canvas->DrawLine(origin, {2 * std::cos(a), 0, 2 * std::sin(a), 1}, opacity);
      }
      break;
    case gkLightSpot:
      for (float sx : {-0.2f, 0.2f})
        for (float sz : {-0.2f, 0.2f}) {
          TgkVector d = VectorScale(VectorNormalize({sx, 1, sz, 0}), 5);
          canvas->DrawLine(origin, {d.X, d.Y, d.Z, 1}, opacity);
        }
      break;
  }
}

bool TgkLight::RayCastIntersect(const TgkVector& ray_pos, const TgkVector& ray_dir,
                                TgkVector& hit) {
  return InDesignMode() && RayCastShapeBox(*this, ray_pos, ray_dir, hit);
}
