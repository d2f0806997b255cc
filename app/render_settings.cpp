#include "app/render_settings.h"

#include "app/workbench.h"
#include "scene/shape.h"

namespace {

template <class Fn>
void ForMeshesNamed(TWorkbench& workbench, const std::string& name, Fn fn) {
  bool found = false;
  for (TgkShape* mesh : workbench.Meshes()) {
    if (mesh->DisplayName == name) {
      fn(*mesh);
      found = true;
    }
  }
  if (!found) throw EUnknownMesh("no mesh named \"" + name + "\"");
}

}  // namespace

void ApplyRenderSettings(TWorkbench& workbench, const TRenderSettings& s) {
  workbench.SetViewTurn(s.ViewTurn);
  workbench.SetViewTilt(s.ViewTilt);
  for (int axis = 0; axis < 3; ++axis) {
    workbench.SetModelRotation(axis, s.Rotate[static_cast<size_t>(axis)]);
  }
  workbench.SetCameraDistance(s.Distance);
  workbench.SetModelOffset(s.Move);
  workbench.SetShadowEnabled(s.Shadow.Enabled);
  workbench.SetShadowDirection(s.Shadow.Direction);
  workbench.SetShadowDistance(s.Shadow.Distance);
  workbench.SetShadowOpacity(s.Shadow.Opacity);
  workbench.SetShadowSoftness(s.Shadow.Softness);
  workbench.SetShadowColor(s.Shadow.Color);
  for (const std::string& name : s.Hide) {
    ForMeshesNamed(workbench, name, [&](TgkShape& mesh) { workbench.SetMeshVisible(mesh, false); });
  }
  for (const auto& entry : s.Colors) {
    const uint32_t color = entry.second;
    ForMeshesNamed(workbench, entry.first,
                   [&](TgkShape& mesh) { workbench.SetMeshColor(mesh, color); });
  }
}
