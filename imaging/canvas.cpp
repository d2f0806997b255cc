#include "imaging/canvas.h"

#include <stdexcept>

namespace {
const TpmCanvasClass* g_default = nullptr;
}

const TpmCanvasClass& DefaultCanvasClass() {
  if (!g_default) throw std::logic_error("No 2D canvas implementation is registered");
  return *g_default;
}

void SetDefaultCanvasClass(const TpmCanvasClass* cls) {
  g_default = cls;
}
