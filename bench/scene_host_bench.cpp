// Measures one frame of the live viewport as the main window draws it: a 1066 x 657 window
// (SDL's offscreen driver, OpenGL on whatever Mesa offers, llvmpipe without a GPU) with five
// screen layers over a lit 30 000-triangle model. "Unchanged" draws the same scene again
// (the layer textures stay on the device); "ChangedLayers" rewrites every layer bitmap
// before each frame, so all five are uploaded again. Each iteration ends with glFinish, so
// the time includes the GPU (or software rasteriser) work, not only the command submission.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <sys/resource.h>

#include <cmath>
#include <cstdlib>
#include <memory>

#include "platform/event_loop.h"
#include "platform/window.h"
#include "render/gl_canvas.h"
#include "render/gl_surface_target.h"
#include "scene/camera_light.h"
#include "scene/dummy.h"
#include "scene/layer.h"
#include "scene/scene.h"
#include "scene/scene_window.h"
#include "scene/shape.h"
#include "tests/support/sphere_mesh.h"

namespace {

struct TViewport {
  TViewport() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    InstallOpenGLRenderer();
    loop = std::make_unique<TEventLoop>();
    TWindowOptions options;
    options.width = 1066;
    options.height = 657;
    window = std::make_unique<TWindow>(*loop, options);
    target = std::make_unique<TglSurfaceTarget>(*window);
    scene = std::make_unique<TgkScene>();
    scene->SetFillColor(0xFFDFDFDF);
    root = new TgkVisualObject(&form);
    scene->AddObject(root);
    auto* camera_z = new TgkDummy(&form);
    camera_z->SetParent(root);
    camera_z->RotateAngle().SetZ(-33);
    auto* camera_x = new TgkDummy(&form);
    camera_x->SetParent(camera_z);
    camera_x->RotateAngle().SetX(20);
    auto* camera = new TgkCamera(&form);
    camera->SetParent(camera_x);
    auto* light = new TgkLight(&form);
    light->SetParent(camera);
    light->Position().SetPoint({5, 0, 5});
    scene->SetCamera(camera);
    auto* owner = new TgkDummy(&form);
    owner->SetParent(root);
    model = new TgkMesh(&form);
    model->SetParent(owner);
    model->SetWidth(3);
    model->SetHeight(3);
    model->SetDepth(3);
    testsupport::BuildSphere(model->Data(), 100, 150);  // 30 000 triangles
    struct TLayerLayout {
      TgkLayerAlign align;
      float w, h, x, y;
    };
    for (TLayerLayout s : {TLayerLayout{gkLayerTop, 1068, 62, 533, 30},
                           TLayerLayout{gkLayerLeft, 256, 597, 127, 359},
                           TLayerLayout{gkLayerRight, 279, 597, 928, 359},
                           TLayerLayout{gkLayerNone, 345, 45, 546, 627},
                           TLayerLayout{gkLayerNone, 461, 191, 511, 156}}) {
      auto* layer = new TgkLayer(&form);
      layer->SetParent(root);
      layer->SetProjection(true);
      layer->SetWidth(s.w);
      layer->SetHeight(s.h);
      layer->Position().SetPoint({s.x, s.y, 0});
      layer->SetLayerAlign(s.align);
      layers.push_back(layer);
    }
    link = std::make_unique<TgkSceneWindow>(*window, *scene, *target);
    loop->ProcessPending();
    for (TgkLayer* l : layers) Paint(*l, 0);
    Frame();
  }
  ~TViewport() {
    link.reset();
    scene.reset();  // frees the roots, then the canvas
    target.reset();
    window.reset();
    loop.reset();
  }

  // Stands in for the vector layers drawing their panels: new pixels in every layer bitmap.
  static void Paint(TgkLayer& layer, uint32_t shade) {
    layer.BeforePaint();
    TgkBitmap& b = layer.Bitmap();
    uint32_t* p = b.Bits();
    const size_t n = b.PixelCount();
    for (size_t i = 0; i < n; ++i) p[i] = 0xC0000000u | ((shade + static_cast<uint32_t>(i)) & 0xFF);
    b.Changed();
  }

  void Frame() {
    scene->Render();
    glFinish();
  }

  TComponent form;
  std::unique_ptr<TEventLoop> loop;
  std::unique_ptr<TWindow> window;
  std::unique_ptr<TglSurfaceTarget> target;
  std::unique_ptr<TgkScene> scene;
  TgkVisualObject* root = nullptr;
  TgkMesh* model = nullptr;
  std::vector<TgkLayer*> layers;
  std::unique_ptr<TgkSceneWindow> link;
};

// CPU time of the whole process (the rasteriser's worker threads included), in ms.
double ProcessCpuMs() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
         (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

TViewport& Viewport() {
  static TViewport viewport;
  return viewport;
}

void BM_SceneFrameUnchanged(benchmark::State& state) {
  TViewport& v = Viewport();
  if (!static_cast<TgkOpenGLCanvas*>(v.scene->Canvas())->HasDevice()) {
    state.SkipWithError("no OpenGL device for the window canvas");
    return;
  }
  const double cpu = ProcessCpuMs();
  for (auto _ : state) v.Frame();
  // On a busy machine the wall time mostly waits for a core; this is the work itself.
  state.counters["process_cpu_ms"] = (ProcessCpuMs() - cpu) / state.iterations();
  state.counters["triangles"] = 30000;
  // 1 when the frame is drawn straight into the window, 0 when it is copied there.
  state.counters["into_window"] =
      static_cast<TgkOpenGLCanvas*>(v.scene->Canvas())->DrawsIntoWindow() ? 1 : 0;
}
BENCHMARK(BM_SceneFrameUnchanged)->Unit(benchmark::kMillisecond);

// The frame's fixed part: clearing the 1066 x 657 target and showing it in the window.
void BM_SceneFrameEmpty(benchmark::State& state) {
  TViewport& v = Viewport();
  v.root->SetVisible(false);
  const double cpu = ProcessCpuMs();
  for (auto _ : state) v.Frame();
  state.counters["process_cpu_ms"] = (ProcessCpuMs() - cpu) / state.iterations();
  v.root->SetVisible(true);
}
BENCHMARK(BM_SceneFrameEmpty)->Unit(benchmark::kMillisecond);

// The two halves of an unchanged frame: the lit model alone, the five layers alone.
void BM_SceneFrameModelOnly(benchmark::State& state) {
  TViewport& v = Viewport();
  for (TgkLayer* l : v.layers) l->SetVisible(false);
  const double cpu = ProcessCpuMs();
  for (auto _ : state) v.Frame();
  state.counters["process_cpu_ms"] = (ProcessCpuMs() - cpu) / state.iterations();
  for (TgkLayer* l : v.layers) l->SetVisible(true);
}
BENCHMARK(BM_SceneFrameModelOnly)->Unit(benchmark::kMillisecond);

void BM_SceneFrameLayersOnly(benchmark::State& state) {
  TViewport& v = Viewport();
  v.model->SetVisible(false);
  const double cpu = ProcessCpuMs();
  for (auto _ : state) v.Frame();
  state.counters["process_cpu_ms"] = (ProcessCpuMs() - cpu) / state.iterations();
  v.model->SetVisible(true);
}
BENCHMARK(BM_SceneFrameLayersOnly)->Unit(benchmark::kMillisecond);

void BM_SceneFrameChangedLayers(benchmark::State& state) {
  TViewport& v = Viewport();
  uint32_t shade = 0;
  const double cpu = ProcessCpuMs();
  for (auto _ : state) {
    ++shade;
    for (TgkLayer* l : v.layers) TViewport::Paint(*l, shade);
    v.Frame();
  }
  state.counters["process_cpu_ms"] = (ProcessCpuMs() - cpu) / state.iterations();
}
BENCHMARK(BM_SceneFrameChangedLayers)->Unit(benchmark::kMillisecond);

}  // namespace
