// The settings a headless render takes, each with the window's start value as default,
// and the one order in which they are applied. Orientation depends on the order of axis
// changes, so the window reproduces a setting by making its changes in the same order:
// view turn then tilt, model rotation X, Y, Z, then distance, offset, shadow, meshes.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/icon_pipeline.h"
#include "scene/math.h"

class TWorkbench;

struct TRenderSettings {
  std::array<float, 3> Rotate{0, 0, 0};
  float ViewTurn = -33;  // CameraZ about Z
  float ViewTilt = 20;   // CameraX about X
  float Distance = 10;
  TgkPoint Move{0, 0, 0};
  TShadowSettings Shadow;
  std::vector<std::string> Hide;                         // display names
  std::vector<std::pair<std::string, uint32_t>> Colors;  // display name, opaque ARGB
};

// A mesh name that matches no mesh of the model.
class EUnknownMesh : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One line for each setting outside its slider's range, naming the option and the value
// the render uses instead: "--distance 30 is outside 2 .. 20; using 20".
std::vector<std::string> RangeNotices(const TRenderSettings& settings);

// Applies every setting through the workbench (and so through the sliders' rule). Every
// mesh of a name is affected; a name that matches none raises EUnknownMesh.
void ApplyRenderSettings(TWorkbench& workbench, const TRenderSettings& settings);

// The settings as the workbench holds them, the reverse of ApplyRenderSettings: applied to
// the same model they give the same icons. The distance is the camera's (the window moves it
// by its slider and the wheel), the rotation the model's. Hide names each hidden mesh and
// Colors the colour of each mesh name, in mesh order; a name stands for every mesh of that
// name, as when they are applied.
TRenderSettings CurrentRenderSettings(TWorkbench& workbench);
