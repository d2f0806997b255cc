// RecordingCanvas: a render canvas without a device that logs what is asked of it, for
// tests of render passes, materials and states. Header-only; link facetmint_scene.
//
// Every call lands in `log` as one line ("ApplyState rsLightingOn", "SetMatrix",
// "FillMesh v=4 i=6", ...); draws are also kept in `draws` with the world matrix, the
// material colour and the states in effect at that moment.
#pragma once

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "scene/canvas.h"
#include "scene/material.h"
#include "scene/mesh_data.h"
#include "scene/scene_bitmap.h"

namespace testsupport {

class RecordingCanvas : public TgkCanvas {
 public:
  struct Draw {
    std::string op;  // DrawLine, FillCube, FillMesh, FillPolygon, FillText
    TgkMatrix world;
    std::uint32_t diffuse = 0;
    float opacity = 1;
    TgkVector center, size;
    int vertices = 0, indices = 0;
    std::string text;
    std::array<bool, kRenderStateCount> states{};  // the cache at the draw
    bool StateSet(TgkRenderState s) const { return states[s]; }
  };

  RecordingCanvas(int width = 640, int height = 480)
      : TgkCanvas(nullptr, width, height, false, gkLowQuality) {}
  explicit RecordingCanvas(TgkBitmap& bitmap) : TgkCanvas(bitmap) {}
  ~RecordingCanvas() override { FreeAllTextures(); }

  // What BeginScene reports.
  bool begin_result = true;
  std::vector<std::string> log;
  std::vector<Draw> draws;

  // Lines of the log that start with prefix.
  std::vector<std::string> Calls(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& line : log) {
      if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
    }
    return out;
  }
  void ClearLog() {
    log.clear();
    draws.clear();
  }

  void ApplyMaterial() override {
    char line[64];
    std::snprintf(line, sizeof line, "ApplyMaterial #%08X", Material().Diffuse());
    log.push_back(line);
    TgkTextureTransform transform;
    TgkBitmap* texture = MaterialTexture(transform);
    SetMaterialStates(texture != nullptr);
  }
  void PrepareState(TgkRenderState state) override {
    log.push_back(std::string("PrepareState ") + RenderStateName(state));
  }
  void ApplyState(TgkRenderState state) override {
    log.push_back(std::string("ApplyState ") + RenderStateName(state));
  }
  void UpdateBitmap(TgkBitmap& bitmap) override {
    TgkCanvas::UpdateBitmap(bitmap);
    if (bitmap.Width() == 0 || bitmap.Height() == 0) return;
    // A stand-in texture handle: the bitmap's address.
    if (TextureOf(&bitmap) == 0) AddTexture(&bitmap, reinterpret_cast<TgkTexture>(&bitmap));
    bitmap.SetNeedsUpload(false);
    log.push_back("UpdateBitmap");
  }
  void FreeBitmap(TgkBitmap& bitmap) override {
    bitmap.RemoveTextureHolder(this);
    RemoveTexture(&bitmap);
    log.push_back("FreeBitmap");
  }
  bool BeginScene() override {
    log.push_back("BeginScene");
    if (!begin_result) return false;
    SetRenderState(rsCameraMatrix);
    return true;
  }
  void EndScene() override { log.push_back("EndScene"); }
  void Clear(std::uint32_t color) override {
    char line[32];
    std::snprintf(line, sizeof line, "Clear #%08X", color);
    log.push_back(line);
  }
  void CopyPixels(const std::uint32_t*) override { log.push_back("CopyPixels"); }
  void SetMatrix(const TgkMatrix& m) override {
    TgkCanvas::SetMatrix(m);
    log.push_back("SetMatrix");
  }
  void DrawLine(const TgkVector& start, const TgkVector& finish, float opacity) override {
    Record("DrawLine", start, finish, opacity);
  }
  void DrawCube(const TgkVector& center, const TgkVector& size, float opacity) override {
    log.push_back("DrawCube");
    TgkCanvas::DrawCube(center, size, opacity);
  }
  void FillCube(const TgkVector& center, const TgkVector& size, float opacity) override {
    Record("FillCube", center, size, opacity);
  }
  void FillMesh(const TgkVector& center, const TgkVector& size, float opacity,
                const TgkMeshData& mesh) override {
    Draw& d = Record("FillMesh", center, size, opacity);
    d.vertices = mesh.VertexCount();
    d.indices = mesh.IndexCount();
    log.back() += " v=" + std::to_string(d.vertices) + " i=" + std::to_string(d.indices);
  }
  void FillPolygon(const TgkVector& center, const TgkVector& size, float opacity, int count,
                   const TgkPolygon& polygon) override {
    Record("FillPolygon", center, size, opacity).vertices = count;
  }
  void FillText(const std::string& text, float x, float y, float opacity) override {
    Record("FillText", MakeVector(x, y, 0, 1), {}, opacity).text = text;
  }
  // Fixed metrics: 8 font pixels per printable character, 16 per line.
  TgkPoint MeasureText(const std::string& text) override {
    int n = 0;
    for (unsigned char c : text) n += c >= 32 && (c & 0xC0) != 0x80;
    return n ? TgkPoint{8.0f * static_cast<float>(n), 16, 0} : TgkPoint{};
  }
  // A 10 x 10 square per printable character, side by side.
  TgkPoint TextToPolygon(const std::string& text, TgkPolygon& polygon) override {
    polygon.clear();
    float x = 0;
    for (unsigned char c : text) {
      if (c < 32 || (c & 0xC0) == 0x80) continue;
      if (!polygon.empty()) polygon.push_back({PolygonBreak3D, PolygonBreak3D, PolygonBreak3D});
      for (auto [dx, dy] : {std::pair{0, 0}, {10, 0}, {10, 10}, {0, 10}}) {
        polygon.push_back({x + static_cast<float>(dx), static_cast<float>(dy), 0});
      }
      x += 12;
    }
    return polygon.empty() ? TgkPoint{} : TgkPoint{x - 2, 10, 0};
  }

  // Exposed for tests of the base class.
  using TgkCanvas::BuildCube;
  using TgkCanvas::BuildPolygonSolid;
  using TgkCanvas::LightSetup;

 private:
  Draw& Record(const char* op, const TgkVector& center, const TgkVector& size, float opacity) {
    Draw d;
    d.op = op;
    d.world = World();
    d.diffuse = Material().Diffuse();
    d.opacity = opacity;
    d.center = center;
    d.size = size;
    for (int s = 0; s < kRenderStateCount; ++s) d.states[s] = StateSet(TgkRenderState(s));
    draws.push_back(d);
    log.push_back(op);
    return draws.back();
  }
};

}  // namespace testsupport
