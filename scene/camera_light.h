// TgkCamera and TgkLight. Both look along their own +Y axis with +Z as up; outside design
// mode neither draws anything nor is ever picked.
#pragma once

#include "scene/visual_object.h"

class TgkCamera : public TgkVisualObject {
  FM_CLASS(TgkCamera, TgkVisualObject)
 public:
  // Hit-testable, at (0, -10, 0).
  explicit TgkCamera(TComponent* owner = nullptr);
  void Paint() override;
  bool RayCastIntersect(const TgkVector& ray_pos, const TgkVector& ray_dir,
                        TgkVector& hit) override;
};

enum TgkLightType { gkLightDirectional, gkLightPoint, gkLightSpot };
const TEnumInfo& LightTypeInfo();

class TgkLight : public TgkVisualObject {
  FM_CLASS(TgkLight, TgkVisualObject)
 public:
  explicit TgkLight(TComponent* owner = nullptr);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  TgkLightType LightType() const { return light_type_; }
  void SetLightType(TgkLightType v);
  // Direction: the absolute +Y axis; position: row 3 of the absolute matrix.
  TgkVector Direction() { return AbsoluteAxisY(); }

  // An enabled light registers itself with the canvas.
  void CollectLights() override;
  void Paint() override;
  bool RayCastIntersect(const TgkVector& ray_pos, const TgkVector& ray_dir,
                        TgkVector& hit) override;

 private:
  bool enabled_ = true;
  TgkLightType light_type_ = gkLightDirectional;
};
