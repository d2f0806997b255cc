// Off-screen rendering for the renderer's tests: a bitmap with an OpenGL canvas, frames
// that start the way the icon render starts them, and small meshes in pixel coordinates.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "render/egl_context.h"
#include "render/gl_canvas.h"
#include "scene/material.h"
#include "scene/mesh_data.h"
#include "scene/scene_bitmap.h"

namespace rendertest {

inline std::uint8_t Alpha(std::uint32_t c) {
  return static_cast<std::uint8_t>(c >> 24);
}
inline std::uint8_t Red(std::uint32_t c) {
  return static_cast<std::uint8_t>(c >> 16);
}
inline std::uint8_t Green(std::uint32_t c) {
  return static_cast<std::uint8_t>(c >> 8);
}
inline std::uint8_t Blue(std::uint32_t c) {
  return static_cast<std::uint8_t>(c);
}

inline TgkMatrix Translation(float x, float y, float z) {
  TgkMatrix m = IdentityMatrix;
  m[3][0] = x;
  m[3][1] = y;
  m[3][2] = z;
  return m;
}

// The screen quad of a layer: unit square in the plane z = 0, texture top row at the top.
inline void MakeScreenQuad(TgkMeshData& mesh) {
  mesh.Vertices.clear();
  for (int i = 0; i < 2; ++i) {
    for (int j = 0; j < 2; ++j) {
      mesh.Vertices.push_back(MakeMeshVertex(static_cast<float>(j) - 0.5f,
                                             static_cast<float>(i) - 0.5f, 0, 0, 0, 1,
                                             static_cast<float>(j), static_cast<float>(i)));
    }
  }
  mesh.Indices = {0, 1, 2, 2, 1, 3};
}

// A screen-projection rectangle from (x0, y0) to (x1, y1) in pixels at depth z.
inline void FillScreenRect(TgkCanvas& canvas, float x0, float y0, float x1, float y1,
                           float opacity = 1, float z = 0) {
  canvas.SetRenderState(rsScreenMatrix);
  canvas.SetRenderState(rsCullNone);
  canvas.SetMatrix(Translation((x0 + x1) / 2, (y0 + y1) / 2, z));
  TgkMeshData quad;
  MakeScreenQuad(quad);
  canvas.FillMesh({}, MakeVector(x1 - x0, y1 - y0, 1, 0), opacity, quad);
}

class RenderTest : public ::testing::Test {
 protected:
  static constexpr int kSize = 64;

  void SetUp() override { Make(kSize, kSize); }

  void Make(int width, int height) {
    canvas.reset();
    bitmap = std::make_unique<TgkBitmap>(width, height);
    canvas = std::make_unique<TgkOpenGLCanvas>(*bitmap);
    ASSERT_TRUE(canvas->HasDevice())
        << "no off-screen OpenGL: " << TglEglContext::OffscreenContextError();
  }

  // A frame as the icon render starts one, with lighting off unless asked.
  void Begin(bool lighting = false, std::uint32_t clear = 0) {
    canvas->ResetState();
    canvas->SetLighting(lighting);
    ASSERT_TRUE(canvas->BeginScene());
    canvas->Clear(clear);
    for (TgkRenderState s :
         {rsShadeGouraud, rsCameraMatrix, rsZWriteOn, lighting ? rsLightingOn : rsLightingOff}) {
      canvas->SetRenderState(s);
    }
  }

  // Unlit, untextured surface colour.
  void Colour(std::uint32_t argb) {
    TgkMaterial m;
    m.SetDiffuse(argb);
    m.SetLighting(false);
    canvas->Material().Assign(m);
  }

  void ScreenRect(float x0, float y0, float x1, float y1, float opacity = 1, float z = 0) {
    FillScreenRect(*canvas, x0, y0, x1, y1, opacity, z);
  }

  std::uint32_t Pixel(int x, int y) const {
    return bitmap->Bits()[static_cast<size_t>(y) * static_cast<size_t>(bitmap->Width()) +
                          static_cast<size_t>(x)];
  }

  std::unique_ptr<TgkBitmap> bitmap;
  std::unique_ptr<TgkOpenGLCanvas> canvas;
};

}  // namespace rendertest
