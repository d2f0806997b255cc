// A canvas without a device that records what the shapes ask of it.
#pragma once

#include <string>
#include <vector>

#include "scene/canvas.h"
#include "scene/material.h"
#include "scene/mesh_data.h"
#include "scene/scene_bitmap.h"

class TShapeTestCanvas final : public TgkCanvas {
 public:
  struct MeshDraw {
    TgkVector size;
    float opacity;
    const TgkMeshData* mesh;
    uint32_t diffuse;  // the canvas material's colour at the draw
    bool lighting;
    TgkBitmap* texture;  // the material's texture at the draw
  };

  TShapeTestCanvas() : TgkCanvas(nullptr, 100, 100, false, gkLowQuality) {}
  ~TShapeTestCanvas() override { FreeAllTextures(); }

  std::vector<MeshDraw> meshes;
  std::vector<TgkRenderState> states;
  std::vector<std::string> calls;
  int freed_bitmaps = 0;

  void PrepareState(TgkRenderState) override {}
  void ApplyState(TgkRenderState state) override { states.push_back(state); }
  void UpdateBitmap(TgkBitmap& bitmap) override {
    TgkCanvas::UpdateBitmap(bitmap);
    if (bitmap.Width() > 0 && bitmap.Height() > 0) AddTexture(&bitmap, 1);
    bitmap.SetNeedsUpload(false);
  }
  void FreeBitmap(TgkBitmap& bitmap) override {
    ++freed_bitmaps;
    bitmap.RemoveTextureHolder(this);
    RemoveTexture(&bitmap);
  }
  void Clear(uint32_t) override {}
  void CopyPixels(const uint32_t*) override {}
  void DrawLine(const TgkVector&, const TgkVector&, float) override { calls.push_back("DrawLine"); }
  void FillCube(const TgkVector&, const TgkVector&, float) override { calls.push_back("FillCube"); }
  void FillMesh(const TgkVector&, const TgkVector& size, float opacity,
                const TgkMeshData& mesh) override {
    calls.push_back("FillMesh");
    meshes.push_back({size, opacity, &mesh, Material().Diffuse(), Material().Lighting(),
                      Material().GetBitmap()});
  }
  void FillPolygon(const TgkVector&, const TgkVector&, float, int, const TgkPolygon&) override {
    calls.push_back("FillPolygon");
  }
  void FillText(const std::string& text, float, float, float) override {
    calls.push_back("FillText:" + text);
  }
  TgkPoint MeasureText(const std::string& text) override {
    return MakePoint(10.0f * text.size(), 12, 0);
  }
  TgkPoint TextToPolygon(const std::string& text, TgkPolygon& polygon) override {
    polygon.clear();
    if (text.empty()) return {};
    polygon = {MakePoint(0, 0, 0), MakePoint(72, 0, 0), MakePoint(72, 72, 0)};
    return MakePoint(72, 72, 0);
  }
};
