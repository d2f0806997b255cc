#include "render/gl_surface_target.h"

TglSurfaceTarget::~TglSurfaceTarget() {
  // The shared program lives in the surface's context: free it while that still exists.
  if (context_.Activate()) context_.ReleaseObjects();
}
