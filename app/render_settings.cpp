#include "app/render_settings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <optional>

#include "app/window_sliders.h"
#include "app/workbench.h"
#include "imaging/bitmap.h"
#include "scene/camera_light.h"
#include "scene/dummy.h"
#include "scene/material.h"
#include "scene/shape.h"

namespace {

// The shortest text that reads back as Value.
std::string NumberText(float value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// A setting takes the value its slider would hold (the workbench applies the slider's rule);
// a value outside the slider's range is changed, which the user is told. Sign -1 is for the
// distance, which its slider holds negated.
void NoteRange(std::vector<std::string>& notices, const std::string& option, float requested,
               const TpmTrackRange& range, float sign = 1) {
  const float slider = sign * requested;
  if (slider >= range.Min && slider <= range.Max - range.ViewportSize) return;
  const float used = sign * ApplyTrackValue(range, std::nanf(""), slider).value;
  const float low = std::min(sign * range.Min, sign * (range.Max - range.ViewportSize));
  const float high = std::max(sign * range.Min, sign * (range.Max - range.ViewportSize));
  notices.push_back(option + " " + NumberText(requested) + " is outside " + NumberText(low) +
                    " .. " + NumberText(high) + "; using " + NumberText(used));
}

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

TRenderSettings CurrentRenderSettings(TWorkbench& workbench) {
  TRenderSettings s;
  // The model's angles, not the sliders': those start at 2 while the model is not turned.
  const TgkPosition& angle = workbench.MeshOwner().RotateAngle();
  s.Rotate = {angle.X(), angle.Y(), angle.Z()};
  s.ViewTurn = workbench.CameraZ().RotateAngle().Z();
  s.ViewTilt = workbench.CameraX().RotateAngle().X();
  s.Distance = -workbench.Camera1().Position().Y();
  s.Move = workbench.MeshOwner().Position().Point();
  s.Shadow = workbench.Shadow();
  // Every mesh's colour, not only those the user chose: a mesh its file gives no colour gets
  // a start colour that depends on what the process made before, which only the recipe
  // keeps. A name stands for every mesh of that name, so a name whose meshes differ in
  // colour, or whose colour is translucent (the file's own), is left to the file.
  std::vector<std::string> names;
  std::map<std::string, std::optional<uint32_t>> colors;
  for (TgkShape* mesh : workbench.Meshes()) {
    const std::string& name = mesh->DisplayName;
    if (!mesh->Visible() && std::find(s.Hide.begin(), s.Hide.end(), name) == s.Hide.end()) {
      s.Hide.push_back(name);
    }
    const uint32_t color = StringToColor(mesh->Material().DiffuseText());
    const bool opaque = (color >> 24) == 0xFF;
    if (const auto known = colors.find(name); known == colors.end()) {
      names.push_back(name);
      colors.emplace(name, opaque ? std::optional(color) : std::nullopt);
    } else if (known->second != color) {
      known->second.reset();
    }
  }
  for (const std::string& name : names) {
    if (const std::optional<uint32_t> color = colors.at(name)) s.Colors.emplace_back(name, *color);
  }
  return s;
}

std::vector<std::string> RangeNotices(const TRenderSettings& s) {
  std::vector<std::string> notices;
  for (float angle : s.Rotate) NoteRange(notices, "--rotate", angle, kModelRotateTrack);
  NoteRange(notices, "--distance", s.Distance, kDistanceTrack, -1);
  NoteRange(notices, "--shadow-direction", s.Shadow.Direction, kShadowDirTrack);
  NoteRange(notices, "--shadow-distance", s.Shadow.Distance, kShadowDistTrack);
  NoteRange(notices, "--shadow-opacity", s.Shadow.Opacity, kShadowOpacityTrack);
  NoteRange(notices, "--shadow-softness", s.Shadow.Softness, kShadowSoftnessTrack);
  return notices;
}
