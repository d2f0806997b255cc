// bench_egl_start: the floor of any headless render here. Starts EGL surfaceless (Mesa,
// llvmpipe on this machine), makes an OpenGL 3.3 core context current and ends. The
// whole-process time of facetmint's commands is measured against it (startup_bench.cpp).
#include <cstdio>

#include "bench/bare_egl_context.h"

int main() {
  const TBareEglContext context;
  if (!context.Ok()) return 1;
  std::puts("EGL 3.3 core context current");
  return 0;
}
