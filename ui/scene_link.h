// The 3D scene headers the vector layers need. The 3D math and the 2D geometry both name a
// constant PolygonBreak (a float and a point); units that see both libraries take the 3D
// one under another name, which they never use.
#pragma once

#define PolygonBreak PolygonBreak3D
#include "scene/layer.h"
#include "scene/scene.h"
#undef PolygonBreak
