// Where the drop shadow goes in the icon master, and the shadow effect made from the
// slider values.
#pragma once

#include <memory>

#include "app/icon_pipeline.h"
#include "imaging/effects.h"
#include "imaging/geometry.h"

// Effect is the effect rectangle already moved by Shift; Shift moves model and shadow
// together so that a shadow falling up or left keeps its upper and left edges inside the
// master.
struct TShadowPlacement {
  TpmRect Effect;
  TpmPoint Shift;
  TpmPoint Offset;  // where the master goes inside the shadow's work bitmap
  int Width = 0;    // size of that work bitmap
  int Height = 0;
};

std::unique_ptr<TpmShadowEffect> MakeShadowEffect(const TShadowSettings& settings);
TShadowPlacement PlaceShadow(const TpmShadowEffect& effect, int master_width, int master_height);
