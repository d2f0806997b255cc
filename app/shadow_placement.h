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
// shift false keeps model and shadow where they are (Shift stays (0, 0)): for a framing
// that already left room for the shadow.
TShadowPlacement PlaceShadow(const TpmShadowEffect& effect, int master_width, int master_height,
                             bool shift = true);

// The shadow's measures in pixels of a master scale times 256, each the 256 master's
// times scale: how far the blur reaches, where the shadow falls, the blur's radius.
struct TShadowGeometry {
  float Spread = 0;
  float Dx = 0;
  float Dy = 0;
  int Radius = 0;
  int Scale = 1;
};
TShadowGeometry ShadowGeometry(const TShadowSettings& settings, int scale);
// The placement for a master of that size with the geometry of ShadowGeometry.
TShadowPlacement PlaceShadow(const TShadowGeometry& geometry, int master_width, int master_height,
                             bool shift = true);
