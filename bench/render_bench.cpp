// Renderer benchmarks on the off-screen OpenGL canvas (software rendering on a machine
// without a GPU):
// - BM_RoundCubeFrame: one icon-render frame of the default round cube at the window's
//   camera rig into a 1024 x 1024 bitmap, read-back included.
// - BM_Mesh30kFrame: the same frame with a 30 000-triangle lit mesh.
// - BM_Mesh150kFrame: the same with a 150 000-triangle mesh of 75 551 vertices, beyond one
//   draw's buffers, so the canvas draws it in several.
// - BM_FirstBitmapCanvas vs BM_BareEglStartup: a fresh process creating its first bitmap
//   canvas (EGL start, context, shaders, targets) against one that only starts EGL and
//   makes a context current. Times are measured inside the child process.
#include <benchmark/benchmark.h>
#include <epoxy/egl.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <unistd.h>

#include "render/gl_canvas.h"
#include "scene/camera_light.h"
#include "scene/dummy.h"
#include "scene/scene_bitmap.h"
#include "scene/shape.h"
#include "tests/support/sphere_mesh.h"

namespace {

template <typename T>
T* Child(TgkObject* parent) {
  auto object = std::make_unique<T>();
  object->SetParent(parent);
  return object.release();
}

// The main window's camera rig and a model holder.
struct TRig {
  TRig() {
    camera_z = std::make_unique<TgkDummy>();
    camera_z->RotateAngle().SetZ(-33);
    auto* camera_x = Child<TgkDummy>(camera_z.get());
    camera_x->RotateAngle().SetX(20);
    camera = Child<TgkCamera>(camera_x);
    light = Child<TgkLight>(camera);
    light->Position().SetPoint({5, 0, 5});
    light->RotateAngle().SetZ(-20.9171f);
    light->RotateAngle().SetX(9.10299f);
    owner = std::make_unique<TgkDummy>();
  }
  void Frame(TgkCanvas& c) {
    c.ResetState();
    c.SetLighting(true);
    owner->Scale().SetPoint({2, 2, 2});
    c.SetCamera(camera);
    c.AddLight(light);
    if (c.BeginScene()) {
      c.Clear(0);
      for (TgkRenderState s : {rsShadeGouraud, rsCameraMatrix, rsZWriteOn, rsLightingOn}) {
        c.SetRenderState(s);
      }
      c.SetMatrix(owner->GetAbsoluteMatrix());
      owner->SetCanvas(&c);
      owner->BeforePaint();
      owner->Paint();
      owner->PaintChildren();
      owner->SetCanvas(nullptr);
      c.EndScene();
    }
    owner->Scale().SetPoint({1, 1, 1});
  }
  std::unique_ptr<TgkDummy> camera_z, owner;
  TgkCamera* camera = nullptr;
  TgkLight* light = nullptr;
};

void BM_RoundCubeFrame(benchmark::State& state) {
  TgkBitmap bitmap(1024, 1024);
  TgkOpenGLCanvas canvas(bitmap);
  if (!canvas.HasDevice()) {
    state.SkipWithError("no off-screen OpenGL");
    return;
  }
  TRig rig;
  Child<TgkRoundCube>(rig.owner.get());
  for (auto _ : state) {
    rig.Frame(canvas);
    benchmark::DoNotOptimize(bitmap.Bits()[512 * 1024 + 512]);
  }
}
BENCHMARK(BM_RoundCubeFrame)->Unit(benchmark::kMillisecond);

// A lit sphere of slices x stacks quads; 150 000 triangles pass the canvas's per-draw
// buffers, so that frame also measures drawing a mesh in batches.
void SphereFrame(benchmark::State& state, int slices, int stacks) {
  TgkBitmap bitmap(1024, 1024);
  TgkOpenGLCanvas canvas(bitmap);
  if (!canvas.HasDevice()) {
    state.SkipWithError("no off-screen OpenGL");
    return;
  }
  TRig rig;
  auto* mesh = Child<TgkMesh>(rig.owner.get());
  testsupport::BuildSphere(mesh->Data(), slices, stacks);
  state.counters["triangles"] = static_cast<double>(mesh->Data().TriangleCount());
  state.counters["vertices"] = static_cast<double>(mesh->Data().VertexCount());
  for (auto _ : state) {
    rig.Frame(canvas);
    benchmark::DoNotOptimize(bitmap.Bits()[512 * 1024 + 512]);
  }
}
void BM_Mesh30kFrame(benchmark::State& state) {
  SphereFrame(state, 150, 100);
}
BENCHMARK(BM_Mesh30kFrame)->Unit(benchmark::kMillisecond);
void BM_Mesh150kFrame(benchmark::State& state) {
  SphereFrame(state, 250, 300);
}
BENCHMARK(BM_Mesh150kFrame)->Unit(benchmark::kMillisecond);

// ---- Start-up, measured in a fresh process ----

double Milliseconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since)
      .count();
}

double BareEglStartup() {
  const auto start = std::chrono::steady_clock::now();
  EGLDisplay d =
      eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  EGLint major = 0, minor = 0;
  if (!eglInitialize(d, &major, &minor) || !eglBindAPI(EGL_OPENGL_API)) return -1;
  const EGLint attribs[] = {EGL_CONTEXT_MAJOR_VERSION,
                            3,
                            EGL_CONTEXT_MINOR_VERSION,
                            3,
                            EGL_CONTEXT_OPENGL_PROFILE_MASK,
                            EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                            EGL_NONE};
  EGLContext c = eglCreateContext(d, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attribs);
  if (c == EGL_NO_CONTEXT || !eglMakeCurrent(d, EGL_NO_SURFACE, EGL_NO_SURFACE, c)) return -1;
  return Milliseconds(start);
}

double FirstBitmapCanvas() {
  const auto start = std::chrono::steady_clock::now();
  TgkBitmap bitmap(1024, 1024);
  TgkOpenGLCanvas canvas(bitmap);
  if (!canvas.HasDevice()) return -1;
  return Milliseconds(start);
}

// A child run of this program measures one start-up and prints its milliseconds.
const bool kChildRun = [] {
  const char* what = std::getenv("FACETMINT_RENDER_BENCH_CHILD");
  if (!what) return false;
  const double ms = std::strcmp(what, "canvas") == 0 ? FirstBitmapCanvas() : BareEglStartup();
  std::printf("%f\n", ms);
  std::fflush(stdout);
  std::_Exit(0);
}();

void StartupInChild(benchmark::State& state, const char* what) {
  // The variable is set for the child's command only, not in this process.
  const std::string command = std::string("FACETMINT_RENDER_BENCH_CHILD=") + what + " /proc/" +
                              std::to_string(static_cast<long>(getpid())) + "/exe 2>/dev/null";
  for (auto _ : state) {
    FILE* pipe = popen(command.c_str(), "r");
    double ms = -1;
    if (!pipe || std::fscanf(pipe, "%lf", &ms) != 1) ms = -1;
    if (pipe) pclose(pipe);
    if (ms < 0) {
      state.SkipWithError("the child could not start OpenGL");
      return;
    }
    state.SetIterationTime(ms / 1000);
  }
}

void BM_BareEglStartup(benchmark::State& state) {
  StartupInChild(state, "egl");
}
void BM_FirstBitmapCanvas(benchmark::State& state) {
  StartupInChild(state, "canvas");
}
BENCHMARK(BM_BareEglStartup)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_FirstBitmapCanvas)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
