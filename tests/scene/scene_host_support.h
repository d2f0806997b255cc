// A window canvas without a device that records frames and draws, the canvas class that
// makes it, and a scene view that records what the scene asks of its window. Together they
// let the scene host run its frames, picking and input without a display.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "scene/canvas.h"
#include "scene/material.h"
#include "scene/mesh_data.h"
#include "scene/scene.h"
#include "scene/scene_bitmap.h"

class THostTestCanvas final : public TgkCanvas {
 public:
  struct Draw {
    const TgkMeshData* mesh;
    TgkVector size;
    float opacity;
    uint32_t diffuse;
    bool lighting;
    TgkBitmap* bitmap;  // the texture in effect
    bool screen;        // drawn in the screen projection
  };

  THostTestCanvas(TgkCanvasWindow* window, int w, int h, bool transparency, TgkQuality q)
      : TgkCanvas(window, w, h, transparency, q) {}
  ~THostTestCanvas() override { FreeAllTextures(); }

  bool begin_ok = true;
  int begins = 0, ends = 0, resizes = 0;
  std::vector<uint32_t> clears;
  std::vector<Draw> draws;
  std::vector<TgkRenderState> states;

  void PrepareState(TgkRenderState) override {}
  void ApplyState(TgkRenderState s) override { states.push_back(s); }
  void FreeBitmap(TgkBitmap& bitmap) override {
    bitmap.RemoveTextureHolder(this);
    RemoveTexture(&bitmap);
  }
  bool BeginScene() override {
    ++begins;
    return begin_ok;
  }
  void EndScene() override { ++ends; }
  void ResizeBuffer(int w, int h) override {
    ++resizes;
    TgkCanvas::ResizeBuffer(w, h);
  }
  void Clear(uint32_t color) override { clears.push_back(color); }
  void CopyPixels(const uint32_t*) override {}
  void DrawLine(const TgkVector&, const TgkVector&, float) override {}
  void FillCube(const TgkVector&, const TgkVector&, float) override {}
  void FillMesh(const TgkVector&, const TgkVector& size, float opacity,
                const TgkMeshData& mesh) override {
    draws.push_back({&mesh, size, opacity, Material().Diffuse(), Material().Lighting(),
                     Material().GetBitmap(), StateSet(rsScreenMatrix)});
  }
  void FillPolygon(const TgkVector&, const TgkVector&, float, int, const TgkPolygon&) override {}
  void FillText(const std::string&, float, float, float) override {}
  TgkPoint MeasureText(const std::string&) override { return {}; }
  TgkPoint TextToPolygon(const std::string&, TgkPolygon& polygon) override {
    polygon.clear();
    return {};
  }
};

class THostTestCanvasClass final : public TgkCanvasClass {
 public:
  std::unique_ptr<TgkCanvas> CreateFromWindow(TgkCanvasWindow* window, int w, int h,
                                              bool transparency, TgkQuality q) const override {
    return std::make_unique<THostTestCanvas>(window, w, h, transparency, q);
  }
  std::unique_ptr<TgkCanvas> CreateFromBitmap(TgkBitmap&) const override { return nullptr; }
};

// Installs the recording canvas class for the life of the object.
class TUseHostTestCanvas {
 public:
  TUseHostTestCanvas() : previous_(&DefaultCanvasClass3D()) { SetDefaultCanvasClass3D(&class_); }
  ~TUseHostTestCanvas() { SetDefaultCanvasClass3D(previous_); }

 private:
  THostTestCanvasClass class_;
  const TgkCanvasClass* previous_;
};

class THostTestView final : public TgkSceneView {
 public:
  int invalidations = 0;
  int focus_requests = 0;
  bool capture = false;
  TgkCanvasWindow canvas_window;

  void InvalidateView() override { ++invalidations; }
  void SetViewMouseCapture(bool c) override { capture = c; }
  void TakeViewFocus() override { ++focus_requests; }
  TgkCanvasWindow* CanvasWindow() override { return &canvas_window; }
};
