// The 3D scene headers the vector layers need.
#pragma once

#include "scene/layer.h"
#include "scene/scene.h"
