// The class reference DefaultCanvasClass3D and the canvas it makes while no renderer is
// installed: a canvas without a device, which never draws.
#include <memory>

#include "scene/canvas.h"
#include "scene/canvas_class_of.h"
#include "scene/scene_bitmap.h"

namespace {

class TgkNoDeviceCanvas final : public TgkCanvas {
 public:
  TgkNoDeviceCanvas(TgkCanvasWindow* window, int width, int height, bool transparency,
                    TgkQuality quality)
      : TgkCanvas(window, width, height, transparency, quality) {}
  explicit TgkNoDeviceCanvas(TgkBitmap& bitmap) : TgkCanvas(bitmap) {}
  ~TgkNoDeviceCanvas() override { FreeAllTextures(); }

  void PrepareState(TgkRenderState) override {}
  void ApplyState(TgkRenderState) override {}
  void UpdateBitmap(TgkBitmap& bitmap) override { bitmap.SetNeedsUpload(false); }
  void FreeBitmap(TgkBitmap& bitmap) override {
    bitmap.RemoveTextureHolder(this);
    RemoveTexture(&bitmap);
  }
  void Clear(std::uint32_t) override {}
  void CopyPixels(const std::uint32_t*) override {}
  void DrawLine(const TgkVector&, const TgkVector&, float) override {}
  void FillCube(const TgkVector&, const TgkVector&, float) override {}
  void FillMesh(const TgkVector&, const TgkVector&, float, const TgkMeshData&) override {}
  void FillPolygon(const TgkVector&, const TgkVector&, float, int, const TgkPolygon&) override {}
  void FillText(const std::string&, float, float, float) override {}
  TgkPoint MeasureText(const std::string&) override { return {}; }
  TgkPoint TextToPolygon(const std::string&, TgkPolygon& polygon) override {
    polygon.clear();
    return {};
  }
};

const TgkCanvasClassOf<TgkNoDeviceCanvas> kNoDeviceCanvasClass;
const TgkCanvasClass* g_canvas_class = nullptr;

}  // namespace

const TgkCanvasClass& DefaultCanvasClass3D() {
  return g_canvas_class ? *g_canvas_class : kNoDeviceCanvasClass;
}

void SetDefaultCanvasClass3D(const TgkCanvasClass* cls) {
  g_canvas_class = cls;
}

bool RendererInstalled() {
  return g_canvas_class != nullptr;
}
