#include "scene/camera_light.h"
#include "scene/dummy.h"

void RegisterSceneObjectClasses() {
  TgkObject::StaticClass();
  TgkVisualObject::StaticClass();
  TgkPosition::StaticClass();
  TgkBounds::StaticClass();
  TgkDummy::StaticClass();
  TgkScreenDummy::StaticClass();
  TgkProxyObject::StaticClass();
  TgkCamera::StaticClass();
  TgkLight::StaticClass();
}
