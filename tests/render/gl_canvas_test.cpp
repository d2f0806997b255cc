#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <vector>

#include "render/gl_canvas.h"
#include "render_fixture.h"
#include "scene/layer.h"
#include "scene/material.h"
#include "scene/mesh_data.h"
#include "scene/scene_bitmap.h"

using namespace rendertest;

namespace {

int CountNonZero(const TgkBitmap& b) {
  int n = 0;
  for (size_t i = 0; i < b.PixelCount(); ++i) n += b.Bits()[i] != 0;
  return n;
}

}  // namespace

// ---- Frames, blending and the alpha test ----

TEST_F(RenderTest, ClearedFrameReadsBackAllZero) {
  bitmap->Clear(0xDEADBEEF);  // proves EndScene writes every pixel
  Begin();
  canvas->EndScene();
  EXPECT_EQ(CountNonZero(*bitmap), 0);
}

TEST_F(RenderTest, ClearColourIsStoredAsGiven) {
  Begin(false, 0x80402010);
  canvas->EndScene();
  EXPECT_EQ(Pixel(0, 0), 0x80402010u);
  EXPECT_EQ(Pixel(kSize - 1, kSize - 1), 0x80402010u);
}

TEST_F(RenderTest, HalfTransparentRedIsPremultipliedOverTransparentBlack) {
  Begin();
  Colour(0x80FF0000);
  ScreenRect(0, 0, kSize, kSize);
  canvas->EndScene();
  const std::uint32_t p = Pixel(kSize / 2, kSize / 2);
  EXPECT_EQ(Alpha(p), 128);
  EXPECT_NEAR(Red(p), 128, 1);
  EXPECT_EQ(Green(p), 0);
  EXPECT_EQ(Blue(p), 0);
}

TEST_F(RenderTest, FramesArePremultipliedAndGoWhereTheCallerAsks) {
  Begin();
  Colour(0x80FF0000);
  ScreenRect(0, 0, kSize, kSize);
  canvas->EndScene();
  EXPECT_EQ(bitmap->AlphaForm(), TAlphaForm::Premultiplied);
  const std::uint32_t first = Pixel(5, 5);

  std::vector<std::uint32_t> own(static_cast<size_t>(kSize) * kSize, 0xDEADBEEF);
  canvas->SetFrameDestination(own.data());
  Begin();
  Colour(0xFF0000FF);
  ScreenRect(0, 0, kSize, kSize / 2);
  canvas->EndScene();
  canvas->SetFrameDestination(nullptr);
  EXPECT_EQ(own[5 * kSize + 5], 0xFF0000FFu);
  EXPECT_EQ(own[(kSize - 1) * kSize + 5], 0u);  // every pixel of the frame is written
  EXPECT_EQ(Pixel(5, 5), first);                // and the bitmap keeps its last frame
}

// A target without pixels of its own (as the icon render's): a frame goes whole into the
// destination; one rendered without a destination is dropped, and the bitmap keeps none.
TEST_F(RenderTest, ATargetWithoutPixelsRendersIntoItsDestinationOnly) {
  canvas.reset();
  bitmap = std::make_unique<TgkBitmap>();
  bitmap->SetTargetSize(kSize, kSize / 2);
  canvas = std::make_unique<TgkOpenGLCanvas>(*bitmap);
  ASSERT_TRUE(canvas->HasDevice());
  EXPECT_EQ(canvas->Width(), kSize);
  EXPECT_EQ(canvas->Height(), kSize / 2);
  std::vector<std::uint32_t> own(static_cast<size_t>(kSize) * kSize / 2, 0xDEADBEEF);
  canvas->SetFrameDestination(own.data());
  Begin();
  Colour(0xFF00FF00);
  ScreenRect(0, 0, kSize / 2, kSize / 2);
  canvas->EndScene();
  canvas->SetFrameDestination(nullptr);
  EXPECT_EQ(own[5], 0xFF00FF00u);
  EXPECT_EQ(own[static_cast<size_t>(kSize / 2 - 1) * kSize + kSize - 1], 0u);
  Begin();
  canvas->EndScene();
  EXPECT_EQ(bitmap->Bits(), nullptr);
  EXPECT_EQ(bitmap->Width(), kSize);
}

// A frame sent into a part of a larger picture: rows a stride apart, nothing written
// beside them.
TEST_F(RenderTest, AFrameGoesIntoItsPlaceInsideALargerPicture) {
  const int stride = kSize * 2 + 3, offset = 5;
  std::vector<std::uint32_t> picture(static_cast<size_t>(stride) * (kSize + 1), 0xDEADBEEF);
  canvas->SetFrameDestination(picture.data() + offset, stride);
  Begin();
  Colour(0xFF00FF00);
  ScreenRect(0, 0, kSize, kSize / 2);
  canvas->EndScene();
  canvas->SetFrameDestination(nullptr);
  for (int y = 0; y <= kSize; ++y)
    for (int x = 0; x < stride; ++x) {
      const std::uint32_t p = picture[static_cast<size_t>(y) * stride + x];
      const bool inside = y < kSize && x >= offset && x < offset + kSize;
      const std::uint32_t want = !inside ? 0xDEADBEEF : y < kSize / 2 ? 0xFF00FF00 : 0;
      ASSERT_EQ(p, want) << x << "," << y;
    }
  // The next frame without a destination goes into the bitmap, packed as before.
  Begin();
  Colour(0xFF0000FF);
  ScreenRect(0, 0, kSize, kSize);
  canvas->EndScene();
  EXPECT_EQ(Pixel(kSize - 1, kSize - 1), 0xFF0000FFu);
  EXPECT_EQ(Pixel(0, 1), 0xFF0000FFu);
}

// A tile that wants only part of the canvas: that part is stored, with nothing written
// beyond it, and the next whole frame is stored whole again.
TEST_F(RenderTest, ATileStoresOnlyItsWantedPart) {
  const int used_width = kSize / 2 + 3, used_height = kSize / 4 + 1, stride = kSize + 7;
  std::vector<std::uint32_t> picture(static_cast<size_t>(stride) * (kSize + 1), 0xDEADBEEF);
  canvas->SetFrameTile({4 * kSize, 4 * kSize, kSize, 2 * kSize, used_width, used_height});
  canvas->SetFrameDestination(picture.data(), stride);
  Begin(false, 0x10203040);
  Colour(0xFF00FF00);
  ScreenRect(0, 0, kSize, kSize / 8);
  canvas->EndScene();
  canvas->SetFrameDestination(nullptr);
  for (int y = 0; y <= kSize; ++y)
    for (int x = 0; x < stride; ++x) {
      const std::uint32_t p = picture[static_cast<size_t>(y) * stride + x];
      const bool used = x < used_width && y < used_height;
      const std::uint32_t want = !used ? 0xDEADBEEF : y < kSize / 8 ? 0xFF00FF00 : 0x10203040;
      ASSERT_EQ(p, want) << x << "," << y;
    }
  canvas->SetFrameTile({});
  Begin(false, 0x10203040);
  Colour(0xFF0000FF);
  ScreenRect(0, kSize / 2, kSize, kSize);
  canvas->EndScene();
  EXPECT_EQ(Pixel(kSize - 1, 0), 0x10203040u);
  EXPECT_EQ(Pixel(kSize - 1, kSize - 1), 0xFF0000FFu);
  EXPECT_EQ(Pixel(0, kSize - 1), 0xFF0000FFu);
}

TEST_F(RenderTest, OpacityScalesTheUnlitVertexAlpha) {
  Begin();
  Colour(0xFFFFFFFF);
  ScreenRect(0, 0, kSize, kSize, 0.5f);  // alpha trunc(0.5 * 255) = 127
  canvas->EndScene();
  EXPECT_EQ(Alpha(Pixel(3, 3)), 127);
  EXPECT_NEAR(Red(Pixel(3, 3)), 127, 1);
}

TEST_F(RenderTest, AlphaZeroFragmentsWriteNoDepth) {
  Begin();
  canvas->SetRenderState(rsZTestOn);
  canvas->SetRenderState(rsZWriteOn);
  // In front (z = 0), fully transparent: discarded, so it must not hide what follows.
  Colour(0x00FF0000);
  ScreenRect(0, 0, kSize, kSize, 1, 0);
  // Behind it (z = 50 is farther from the viewer).
  Colour(0xFF00FF00);
  ScreenRect(0, 0, kSize, kSize, 1, 50);
  canvas->EndScene();
  EXPECT_EQ(Pixel(kSize / 2, kSize / 2), 0xFF00FF00u);
}

TEST_F(RenderTest, NearerOpaqueSurfaceHidesFartherOne) {
  // The counterpart of the test above: depth does work for visible fragments.
  Begin();
  canvas->SetRenderState(rsZTestOn);
  Colour(0xFFFF0000);
  ScreenRect(0, 0, kSize, kSize, 1, 0);
  Colour(0xFF00FF00);
  ScreenRect(0, 0, kSize, kSize, 1, 50);
  canvas->EndScene();
  EXPECT_EQ(Pixel(kSize / 2, kSize / 2), 0xFFFF0000u);
}

TEST_F(RenderTest, AlphaZeroDrawsNothingEvenAdditive) {
  Begin();
  canvas->SetRenderState(rsBlendAdditive);
  Colour(0x00FFFFFF);
  ScreenRect(0, 0, kSize, kSize);
  canvas->EndScene();
  EXPECT_EQ(CountNonZero(*bitmap), 0);
}

TEST_F(RenderTest, AdditiveBlendingAddsColourButAlphaCoverage) {
  Begin(false, 0xFF000040);
  canvas->SetRenderState(rsBlendAdditive);
  Colour(0x80FF0000);
  ScreenRect(0, 0, kSize, kSize);
  canvas->EndScene();
  const std::uint32_t p = Pixel(5, 5);
  EXPECT_NEAR(Red(p), 128, 1);
  EXPECT_EQ(Blue(p), 0x40);  // destination kept whole
  EXPECT_EQ(Alpha(p), 255);  // 128 + 255 * (1 - 128/255)
}

// ---- Meshes beyond one draw's buffers ----

TEST_F(RenderTest, MeshWithMoreVerticesThanOneDrawTakesIsDrawnWhole) {
  auto frame = [&](int vertex_count) {
    TgkMeshData mesh;
    MakeScreenQuad(mesh);
    mesh.Vertices.resize(static_cast<size_t>(vertex_count), mesh.Vertices[0]);
    Begin();
    Colour(0xFFFFFFFF);
    canvas->SetRenderState(rsScreenMatrix);
    canvas->SetRenderState(rsCullNone);
    canvas->SetMatrix(Translation(kSize / 2.0f, kSize / 2.0f, 0));
    canvas->FillMesh({}, MakeVector(kSize, kSize, 1, 0), 1, mesh);
    canvas->EndScene();
    return CountNonZero(*bitmap);
  };
  EXPECT_EQ(frame(kCanvasMaxVertices), kSize * kSize);
  EXPECT_EQ(frame(kCanvasMaxVertices + 1), kSize * kSize);
  EXPECT_EQ(frame(200000), kSize * kSize);
}

// Vertex colours multiply the material's colour, in one draw and in batches alike; a mesh
// without them (3DS, MD3) is drawn in the material's colour as before.
TEST_F(RenderTest, VertexColoursMultiplyTheMaterialColour) {
  auto centre = [&](uint32_t material, std::vector<uint32_t> colours, int vertex_count) {
    // The quad's vertices come last, after red ones no triangle names.
    TgkMeshData quad, mesh;
    MakeScreenQuad(quad);
    const size_t first = static_cast<size_t>(vertex_count) - 4;
    mesh.Vertices.assign(first, quad.Vertices[0]);
    mesh.Vertices.insert(mesh.Vertices.end(), quad.Vertices.begin(), quad.Vertices.end());
    for (uint32_t i : quad.Indices) mesh.Indices.push_back(static_cast<uint32_t>(first) + i);
    if (!colours.empty()) {
      mesh.Colors.assign(first, 0xFFFF0000);
      mesh.Colors.insert(mesh.Colors.end(), colours.begin(), colours.end());
    }
    Begin();
    Colour(material);
    canvas->SetRenderState(rsScreenMatrix);
    canvas->SetRenderState(rsCullNone);
    canvas->SetMatrix(Translation(kSize / 2.0f, kSize / 2.0f, 0));
    canvas->FillMesh({}, MakeVector(kSize, kSize, 1, 0), 1, mesh);
    canvas->EndScene();
    return Pixel(kSize / 2, kSize / 2);
  };
  const std::vector<uint32_t> green(4, 0xFF00FF00);
  EXPECT_EQ(centre(0xFFFFFFFF, green, 4), 0xFF00FF00u);
  EXPECT_EQ(centre(0xFFFFFFFF, green, kCanvasMaxVertices + 1), 0xFF00FF00u);
  const std::uint32_t tinted = centre(0xFF8080FF, green, 4);
  EXPECT_EQ(Red(tinted), 0);
  EXPECT_NEAR(Green(tinted), 128, 1);
  EXPECT_EQ(Blue(tinted), 0);
  EXPECT_EQ(centre(0xFF8080FF, {}, 4), 0xFF8080FFu);
}

TEST_F(RenderTest, MeshWithMoreIndicesThanOneDrawTakesIsDrawnWhole) {
  TgkMeshData mesh;
  MakeScreenQuad(mesh);
  mesh.Indices.resize(131073, 0);  // the first two triangles stay the real ones
  Begin();
  Colour(0xFFFFFFFF);
  canvas->SetRenderState(rsScreenMatrix);
  canvas->SetRenderState(rsCullNone);
  canvas->SetMatrix(Translation(kSize / 2.0f, kSize / 2.0f, 0));
  canvas->FillMesh({}, MakeVector(kSize, kSize, 1, 0), 1, mesh);
  canvas->EndScene();
  EXPECT_EQ(CountNonZero(*bitmap), kSize * kSize);
}

namespace {

using TTriangle = std::array<TgkMeshVertex, 3>;

// Cells x cells squares over the unit square, two triangles each, keeping the squares of
// every other 8 x 8 block: a checkerboard that shows where each triangle went.
std::vector<TTriangle> CheckerTriangles(int cells, std::vector<std::array<uint32_t, 3>>* corners) {
  auto at = [&](int i, int j) {
    return MakeMeshVertex(static_cast<float>(i) / static_cast<float>(cells) - 0.5f,
                          static_cast<float>(j) / static_cast<float>(cells) - 0.5f, 0, 0, 0, 1, 0,
                          0);
  };
  std::vector<TTriangle> out;
  for (int j = 0; j < cells; ++j) {
    for (int i = 0; i < cells; ++i) {
      if ((i / 8 + j / 8) % 2) continue;
      out.push_back({at(i, j), at(i + 1, j), at(i, j + 1)});
      out.push_back({at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)});
      if (corners) {
        const auto n = static_cast<uint32_t>(cells + 1);
        const auto a = static_cast<uint32_t>(j) * n + static_cast<uint32_t>(i);
        corners->push_back({a, a + 1, a + n});
        corners->push_back({a + 1, a + n + 1, a + n});
      }
    }
  }
  return out;
}

// Mesh := triangles [first, last), each with vertices of its own.
void SeparateMesh(const std::vector<TTriangle>& triangles, size_t first, size_t last,
                  TgkMeshData& mesh) {
  for (size_t t = first; t < last; ++t) {
    for (const TgkMeshVertex& v : triangles[t]) {
      mesh.Indices.push_back(static_cast<uint32_t>(mesh.Vertices.size()));
      mesh.Vertices.push_back(v);
    }
  }
}

}  // namespace

// A mesh beyond the buffers gives exactly the picture of the same triangles drawn in small
// meshes, filled and as wire frame, whether its vertices are shared or not.
TEST_F(RenderTest, LargeMeshDrawsLikeItsTrianglesInSmallMeshes) {
  constexpr int kSide = 128;
  Make(kSide, kSide);
  auto frame = [&](TgkFillMode fill, const std::vector<const TgkMeshData*>& meshes) {
    Begin();
    TgkMaterial m;
    m.SetDiffuse(0xFFFFFFFF);
    m.SetLighting(false);
    m.SetFillMode(fill);
    canvas->Material().Assign(m);
    canvas->SetRenderState(rsScreenMatrix);
    canvas->SetRenderState(rsCullNone);
    canvas->SetMatrix(Translation(kSide / 2.0f, kSide / 2.0f, 0));
    for (const TgkMeshData* mesh : meshes) {
      canvas->FillMesh({}, MakeVector(kSide, kSide, 1, 0), 1, *mesh);
    }
    canvas->EndScene();
    return std::vector<std::uint32_t>(bitmap->Bits(), bitmap->Bits() + bitmap->PixelCount());
  };
  auto expect_same_as_pieces = [&](const TgkMeshData& large, const std::vector<TTriangle>& tris) {
    std::vector<std::unique_ptr<TgkMeshData>> pieces;
    std::vector<const TgkMeshData*> reference;
    for (size_t t = 0; t < tris.size(); t += 5000) {
      pieces.push_back(std::make_unique<TgkMeshData>());
      SeparateMesh(tris, t, std::min(tris.size(), t + 5000), *pieces.back());
      reference.push_back(pieces.back().get());
    }
    for (TgkFillMode fill : {gkSolid, gkWireframe}) {
      const std::vector<std::uint32_t> expected = frame(fill, reference);
      const int covered = static_cast<int>(
          std::count_if(expected.begin(), expected.end(), [](std::uint32_t p) { return p; }));
      // About half the square, the edges of wire frames a little beyond it.
      EXPECT_GT(covered, kSide * kSide / 3) << "fill " << fill;
      EXPECT_LT(covered, kSide * kSide * (fill == gkSolid ? 6 : 8) / 10) << "fill " << fill;
      EXPECT_TRUE(frame(fill, {&large}) == expected) << "fill " << fill;
    }
  };

  // 300 x 300 squares over shared vertices: 90 601 vertices, 270 000 indices, with a
  // triangle naming a missing vertex now and then (left out, as in a small mesh).
  std::vector<std::array<uint32_t, 3>> corners;
  const std::vector<TTriangle> checker = CheckerTriangles(300, &corners);
  TgkMeshData shared;
  for (int j = 0; j <= 300; ++j) {
    for (int i = 0; i <= 300; ++i) {
      shared.Vertices.push_back(MakeMeshVertex(static_cast<float>(i) / 300 - 0.5f,
                                               static_cast<float>(j) / 300 - 0.5f, 0, 0, 0, 1, 0,
                                               0));
    }
  }
  for (size_t t = 0; t < corners.size(); ++t) {
    shared.Indices.insert(shared.Indices.end(), corners[t].begin(), corners[t].end());
    if (t % 1000 == 0) shared.Indices.insert(shared.Indices.end(), {0, 1, 90601});
  }
  ASSERT_GT(shared.VertexCount(), kCanvasMaxVertices);
  ASSERT_GT(shared.IndexCount(), kCanvasMaxIndices);
  expect_same_as_pieces(shared, checker);

  // 150 x 150 squares, every triangle with vertices of its own: 67 500 vertices.
  const std::vector<TTriangle> separate = CheckerTriangles(150, nullptr);
  TgkMeshData own;
  SeparateMesh(separate, 0, separate.size(), own);
  ASSERT_GT(own.VertexCount(), kCanvasMaxVertices);
  expect_same_as_pieces(own, separate);
}

TEST_F(RenderTest, ManyDrawsWrapTheRingBuffersWithinOneFrame) {
  // 40 draws of 3000 vertices pass the 65 535-vertex buffer twice; every one must land.
  TgkMeshData mesh;
  MakeScreenQuad(mesh);
  mesh.Vertices.resize(3000, mesh.Vertices[0]);
  Begin();
  Colour(0xFFFFFFFF);
  canvas->SetRenderState(rsScreenMatrix);
  canvas->SetRenderState(rsCullNone);
  for (int i = 0; i < 40; ++i) {
    const int x = (i % 8) * 8, y = (i / 8) * 8;
    canvas->SetMatrix(Translation(static_cast<float>(x) + 2, static_cast<float>(y) + 2, 0));
    canvas->FillMesh({}, MakeVector(4, 4, 1, 0), 1, mesh);
  }
  canvas->EndScene();
  EXPECT_EQ(CountNonZero(*bitmap), 40 * 16);
  EXPECT_EQ(Pixel(7 * 8 + 1, 4 * 8 + 1), 0xFFFFFFFFu);
}

TEST_F(RenderTest, TrianglesNamingMissingVerticesAreLeftOut) {
  TgkMeshData mesh;
  MakeScreenQuad(mesh);
  mesh.Indices = {0, 1, 2, 2, 1, 9};  // the second triangle names vertex 9 of 4
  Begin();
  Colour(0xFFFFFFFF);
  ScreenRect(0, 0, 0, 0);  // sets the screen states
  canvas->SetMatrix(Translation(kSize / 2.0f, kSize / 2.0f, 0));
  canvas->FillMesh({}, MakeVector(kSize, kSize, 1, 0), 1, mesh);
  canvas->EndScene();
  EXPECT_EQ(Pixel(2, 2), 0xFFFFFFFFu);         // first triangle, top left
  EXPECT_EQ(Pixel(kSize - 3, kSize - 3), 0u);  // the dropped one, bottom right
}

// ---- Matrices and projections ----

TEST_F(RenderTest, ScreenProjectionIsPixelExactAndTranslationSurvives) {
  Begin();
  Colour(0xFFFFFFFF);
  ScreenRect(10, 20, 14, 26);
  canvas->EndScene();
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const bool inside = x >= 10 && x < 14 && y >= 20 && y < 26;
      ASSERT_EQ(Pixel(x, y), inside ? 0xFFFFFFFFu : 0u) << x << "," << y;
    }
  }
}

TEST_F(RenderTest, CameraProjectionLooksDownMinusZWithoutACamera) {
  // Without a camera the view is the identity: the eye looks along -Z, +Y up, +X right.
  Begin();
  Colour(0xFFFFFFFF);
  canvas->SetRenderState(rsCullNone);
  canvas->SetMatrix(Translation(1, 1, -5));  // up and to the right of the centre
  TgkMeshData quad;
  MakeScreenQuad(quad);
  canvas->FillMesh({}, MakeVector(1, 1, 1, 0), 1, quad);
  canvas->EndScene();
  // tan(22.5 deg) * 5 = 2.07 units per half frame: the quad spans about x 0.24..0.72 of the
  // frame from the centre to the right edge, and the same upward.
  EXPECT_NE(Pixel(48, 16), 0u);
  EXPECT_EQ(Pixel(16, 48), 0u);
  EXPECT_EQ(Pixel(48, 48), 0u);
  EXPECT_EQ(Pixel(16, 16), 0u);
}

TEST_F(RenderTest, CullingHidesCounterClockwiseTrianglesOnly) {
  // Two triangles in pixel space: the left one clockwise on screen, the right one not.
  TgkMeshData mesh;
  mesh.Vertices = {
      MakeMeshVertex(0, 0, 0, 0, 0, 1, 0, 0),   MakeMeshVertex(30, 0, 0, 0, 0, 1, 0, 0),
      MakeMeshVertex(0, 30, 0, 0, 0, 1, 0, 0),  MakeMeshVertex(34, 0, 0, 0, 0, 1, 0, 0),
      MakeMeshVertex(34, 30, 0, 0, 0, 1, 0, 0), MakeMeshVertex(64, 0, 0, 0, 0, 1, 0, 0)};
  mesh.Indices = {0, 1, 2, 3, 4, 5};  // 3-4-5 runs down then right-up: counter-clockwise
  auto frame = [&](TgkRenderState cull) {
    Begin();
    Colour(0xFFFFFFFF);
    canvas->SetRenderState(rsScreenMatrix);
    canvas->SetRenderState(cull);
    canvas->SetMatrix(IdentityMatrix);
    canvas->FillMesh({}, MakeVector(1, 1, 1, 0), 1, mesh);
    canvas->EndScene();
    return std::make_pair(Pixel(5, 5) != 0, Pixel(40, 5) != 0);
  };
  EXPECT_EQ(frame(rsCullCCW), std::make_pair(true, false));
  EXPECT_EQ(frame(rsCullCW), std::make_pair(false, true));
  EXPECT_EQ(frame(rsCullNone), std::make_pair(true, true));
}

// ---- Fill modes ----

TEST_F(RenderTest, WireFrameDrawsEdgesOnly) {
  Begin();
  Colour(0xFFFFFFFF);
  canvas->SetRenderState(rsFrameWire);
  ScreenRect(8, 8, 56, 56);
  canvas->EndScene();
  EXPECT_EQ(Pixel(20, 40), 0u);  // inside, off the diagonal
  int edge = 0;
  for (int x = 8; x < 56; ++x) edge += Pixel(x, 8) != 0;
  EXPECT_GT(edge, 40);  // the top edge is there
  int total = CountNonZero(*bitmap);
  EXPECT_LT(total, 48 * 6);  // outline and diagonal, not the area
  EXPECT_GT(total, 48 * 3);
}

TEST_F(RenderTest, LinesAndBoxOutlinesAreDrawnInTheMaterialColour) {
  Begin();
  Colour(0xFF00FF00);
  canvas->SetRenderState(rsScreenMatrix);
  canvas->SetMatrix(IdentityMatrix);
  canvas->DrawLine(MakeVector(0, 10.5f, 0), MakeVector(64, 10.5f, 0), 1);
  canvas->DrawCube(MakeVector(40, 40, 0), MakeVector(20, 20, 0, 0), 1);
  canvas->EndScene();
  int row = 0;
  for (int x = 0; x < kSize; ++x) row += Pixel(x, 10) == 0xFF00FF00u;
  EXPECT_GE(row, 62);
  EXPECT_EQ(Pixel(5, 12), 0u);
  EXPECT_EQ(Pixel(40, 40), 0u);  // an outline only
  int outline = 0;
  for (int y = 25; y < 56; ++y) outline += Pixel(29, y) != 0 || Pixel(30, y) != 0;
  EXPECT_GE(outline, 18);  // the left edge of the box
}

// ---- Textures ----

class TextureTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    texture.SetSize(8, 8);
  }
  void Textured(std::uint32_t diffuse, TgkTexMode mode, TgkRenderState filter = rsTexNearest) {
    TgkMaterial m;
    m.SetDiffuse(diffuse);
    m.SetLighting(false);
    m.SetBitmapMode(mode);
    canvas->Material().SetDirectBitmap(&texture);
    canvas->Material().Assign(m);
    canvas->SetRenderState(filter);
  }
  TgkBitmap texture;
};

TEST_F(TextureTest, ModulateMultipliesTextureAndSurfaceColour) {
  texture.Clear(0xFF80FF40);
  Begin();
  Textured(0xFFFF8000, gkTexModulate);
  ScreenRect(0, 0, kSize, kSize);
  canvas->EndScene();
  const std::uint32_t p = Pixel(30, 30);
  EXPECT_NEAR(Red(p), 0x80, 1);
  EXPECT_NEAR(Green(p), 0x80, 1);
  EXPECT_EQ(Blue(p), 0);
  EXPECT_EQ(Alpha(p), 255);
}

TEST_F(TextureTest, ReplaceTakesTheTextureAlone) {
  texture.Clear(0xFF80FF40);
  Begin();
  Textured(0xFF0000FF, gkTexReplace);
  ScreenRect(0, 0, kSize, kSize);
  canvas->EndScene();
  EXPECT_EQ(Pixel(30, 30), 0xFF80FF40u);
}

TEST_F(TextureTest, TextureAlphaIsStraightAndComesOutPremultiplied) {
  texture.Clear(0x80FF0000);  // straight red at half coverage
  Begin();
  Textured(0xFFFFFFFF, gkTexModulate);
  ScreenRect(0, 0, kSize, kSize);
  canvas->EndScene();
  EXPECT_EQ(Alpha(Pixel(1, 1)), 128);
  EXPECT_NEAR(Red(Pixel(1, 1)), 128, 1);
}

TEST_F(TextureTest, RenderedBitmapAsTextureShowsTheSameColourAsAStraightOne) {
  texture.Clear(0x80800000);  // the same half-transparent red, premultiplied
  texture.SetAlphaForm(TAlphaForm::Premultiplied);
  Begin();
  Textured(0xFFFFFFFF, gkTexModulate);
  ScreenRect(0, 0, kSize, kSize);
  canvas->EndScene();
  EXPECT_EQ(Alpha(Pixel(1, 1)), 128);
  EXPECT_NEAR(Red(Pixel(1, 1)), 128, 1);
}

TEST_F(TextureTest, PixelExactScreenQuadShowsOneTexelPerPixel) {
  // A checkerboard layer of 8 x 8 texels at a whole-pixel position, sampled bilinearly as
  // layers are: any half-pixel error would blend neighbouring texels into grey.
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      texture.Bits()[y * 8 + x] = ((x + y) % 2) ? 0xFFFFFFFFu : 0xFF000000u;
    }
  }
  texture.Changed();
  Begin();
  Textured(0xFFFFFFFF, gkTexModulate, rsTexLinear);
  ScreenRect(13, 21, 21, 29);
  canvas->EndScene();
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      ASSERT_EQ(Pixel(13 + x, 21 + y), texture.Bits()[y * 8 + x]) << x << "," << y;
    }
  }
  EXPECT_EQ(Pixel(12, 21), 0u);
  EXPECT_EQ(Pixel(21, 29), 0u);
}

TEST_F(TextureTest, TextureIsUploadedAgainOnlyWhenMarked) {
  texture.Clear(0xFFFF0000);
  auto frame = [&] {
    Begin();
    Textured(0xFFFFFFFF, gkTexReplace);
    ScreenRect(0, 0, kSize, kSize);
    canvas->EndScene();
    return Pixel(3, 3);
  };
  EXPECT_EQ(frame(), 0xFFFF0000u);
  EXPECT_FALSE(texture.NeedsUpload());
  // Changed behind the canvas's back: the old texture stays.
  texture.Bits()[0] = 0xFF00FF00;
  for (size_t i = 0; i < texture.PixelCount(); ++i) texture.Bits()[i] = 0xFF00FF00;
  EXPECT_EQ(frame(), 0xFFFF0000u);
  texture.Changed();
  EXPECT_EQ(frame(), 0xFF00FF00u);
  // A new size makes a new texture.
  texture.SetSize(2, 2);
  texture.Clear(0xFF0000FF);
  EXPECT_EQ(frame(), 0xFF0000FFu);
}

TEST_F(TextureTest, TextureTileRepeatsTheBitmap) {
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) texture.Bits()[y * 8 + x] = x < 4 ? 0xFFFF0000u : 0xFF0000FFu;
  }
  texture.Changed();
  Begin();
  TgkMaterial m;
  m.SetDiffuse(0xFFFFFFFF);
  m.SetLighting(false);
  m.SetBitmapMode(gkTexReplace);
  m.SetBitmapTile(2);
  canvas->Material().SetDirectBitmap(&texture);
  canvas->Material().Assign(m);
  ScreenRect(0, 0, kSize, kSize);
  canvas->EndScene();
  // Two repeats across 64 pixels: red, blue, red, blue in 16-pixel bands.
  EXPECT_EQ(Pixel(8, 5), 0xFFFF0000u);
  EXPECT_EQ(Pixel(24, 5), 0xFF0000FFu);
  EXPECT_EQ(Pixel(40, 5), 0xFFFF0000u);
  EXPECT_EQ(Pixel(56, 5), 0xFF0000FFu);
}

TEST_F(TextureTest, BitmapRectShowsOnlyThatPartOfTheTexture) {
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) texture.Bits()[y * 8 + x] = x < 4 ? 0xFFFF0000u : 0xFF0000FFu;
  }
  texture.Changed();
  Begin();
  TgkMaterial m;
  m.SetLighting(false);
  m.SetBitmapMode(gkTexReplace);
  m.BitmapRect().SetLeft(4);  // the right half, in texture pixels
  m.BitmapRect().SetRight(8);
  m.BitmapRect().SetBottom(8);
  canvas->Material().SetDirectBitmap(&texture);
  canvas->Material().Assign(m);
  ScreenRect(0, 0, kSize, kSize);
  canvas->EndScene();
  EXPECT_EQ(Pixel(2, 2), 0xFF0000FFu);
  EXPECT_EQ(Pixel(kSize - 3, kSize - 3), 0xFF0000FFu);
}

TEST_F(TextureTest, FreedTextureBitmapLeavesTheCanvasConsistent) {
  auto doomed = std::make_unique<TgkBitmap>(4, 4);
  doomed->Clear(0xFFFFFFFF);
  canvas->UpdateBitmap(*doomed);
  EXPECT_NE(canvas->TextureOf(doomed.get()), 0u);
  ASSERT_EQ(doomed->TextureHolders().size(), 1u);
  TgkBitmap* raw = doomed.get();
  doomed.reset();
  EXPECT_EQ(canvas->TextureOf(raw), 0u);
  EXPECT_TRUE(canvas->Textures().empty());
}

TEST(RenderCanvasLifetime, CanvasFreedFirstLeavesNoHolderBehind) {
  TgkBitmap target(8, 8), texture(4, 4);
  {
    TgkOpenGLCanvas canvas(target);
    ASSERT_TRUE(canvas.HasDevice());
    canvas.UpdateBitmap(texture);
    EXPECT_EQ(texture.TextureHolders().size(), 1u);
  }
  EXPECT_TRUE(texture.TextureHolders().empty());
}

// ---- Without a device ----

TEST(RenderCanvasWithoutDevice, WindowWithoutContextGivesNoFrames) {
  TgkOpenGLCanvas canvas(nullptr, 100, 50, false, gkHighQuality);
  EXPECT_FALSE(canvas.HasDevice());
  EXPECT_FALSE(canvas.BeginScene());
  canvas.Clear(0xFFFFFFFF);  // harmless
  canvas.EndScene();
  EXPECT_EQ(canvas.Width(), 100);
}

TEST(RenderCanvasClass, InstalledRendererMakesBitmapCanvases) {
  InstallOpenGLRenderer();
  TgkBitmap target(16, 16);
  auto* gl = dynamic_cast<TgkOpenGLCanvas*>(&target.Canvas());
  ASSERT_NE(gl, nullptr);
  EXPECT_TRUE(gl->HasDevice());
  EXPECT_EQ(gl->Samples(), 0);  // bitmap canvases never multisample
  SetDefaultCanvasClass3D(nullptr);
}

TEST(RenderCanvasSharing, TwoBitmapCanvasesKeepTheirOwnState) {
  // Both draw with the one off-screen context; each must find its own targets and states.
  TgkBitmap a(16, 16), b(16, 16);
  TgkOpenGLCanvas ca(a), cb(b);
  ca.ResetState();
  cb.ResetState();
  ca.SetLighting(false);
  cb.SetLighting(false);
  ASSERT_TRUE(ca.BeginScene());
  ASSERT_TRUE(cb.BeginScene());
  ca.Clear(0xFF112233);
  cb.Clear(0xFF445566);
  TgkMeshData quad;
  MakeScreenQuad(quad);
  for (auto* c : {&ca, &cb}) {
    TgkMaterial m;
    m.SetDiffuse(0xFFFFFFFF);
    m.SetLighting(false);
    c->Material().Assign(m);
    c->SetRenderState(rsScreenMatrix);
    c->SetRenderState(rsCullNone);
    c->SetMatrix(Translation(8, 8, 0));
  }
  ca.SetRenderState(rsFrameWire);  // after the material, which asks for solid
  ca.FillMesh({}, MakeVector(12, 12, 1, 0), 1, quad);
  cb.FillMesh({}, MakeVector(12, 12, 1, 0), 1, quad);
  ca.EndScene();
  cb.EndScene();
  EXPECT_EQ(a.Bits()[0], 0xFF112233u);
  EXPECT_EQ(b.Bits()[0], 0xFF445566u);
  EXPECT_EQ(a.Bits()[8 * 16 + 5], 0xFF112233u);  // wire frame: inside stays clear
  EXPECT_EQ(b.Bits()[8 * 16 + 5], 0xFFFFFFFFu);  // solid
}

// ---- A screen layer through the render pass ----

TEST_F(RenderTest, CheckerboardScreenLayerReadsBackTexelForPixel) {
  TgkVisualObject root;
  root.SetProjection(true);
  auto layer = std::make_unique<TgkLayer>();
  layer->SetParent(&root);
  TgkLayer* l = layer.release();
  l->SetWidth(20);
  l->SetHeight(12);
  l->Position().SetPoint({31, 27, 0});  // box 21..41 x 21..33, whole pixels
  Begin();
  canvas->SetMatrix(root.GetAbsoluteMatrix());
  root.SetCanvas(canvas.get());
  // The pass sizes the layer's bitmap in BeforePaint; paint the pattern after it, as the
  // vector layers do, then draw.
  l->BeforePaint();
  ASSERT_EQ(l->Bitmap().Width(), 20);
  ASSERT_EQ(l->Bitmap().Height(), 12);
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 20; ++x) {
      l->Bitmap().Bits()[y * 20 + x] = ((x + y) % 2) ? 0xFFFFFFFFu : 0xFF102030u;
    }
  }
  l->Bitmap().Changed();
  root.PaintChildren();
  root.SetCanvas(nullptr);
  canvas->EndScene();
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 20; ++x) {
      ASSERT_EQ(Pixel(21 + x, 21 + y), l->Bitmap().Bits()[y * 20 + x]) << x << "," << y;
    }
  }
  EXPECT_EQ(Pixel(20, 21), 0u);
  EXPECT_EQ(Pixel(41, 21), 0u);
  EXPECT_EQ(Pixel(21, 33), 0u);
}

TEST_F(RenderTest, CopyPixelsFillsTheTargetTopRowFirst) {
  std::vector<std::uint32_t> block(kSize * kSize);
  for (int i = 0; i < kSize * kSize; ++i) block[static_cast<size_t>(i)] = 0xFF000000u | i;
  Begin();
  canvas->CopyPixels(block.data());
  canvas->EndScene();
  EXPECT_EQ(Pixel(0, 0), block[0]);
  EXPECT_EQ(Pixel(5, 9), block[9 * kSize + 5]);
}

TEST(RenderCanvasSharing, BothCanvasesSeeAChangedTexture) {
  // The window canvas and the icon canvas both hold textures of a model's bitmap; the one
  // upload mark of the bitmap must not leave the second canvas with old pixels.
  TgkBitmap a(4, 4), b(4, 4), texture(2, 2);
  TgkOpenGLCanvas ca(a), cb(b);
  auto frame = [&](TgkOpenGLCanvas& c, TgkBitmap& target) {
    c.ResetState();
    c.SetLighting(false);
    EXPECT_TRUE(c.BeginScene());
    c.Clear(0);
    TgkMaterial m;
    m.SetLighting(false);
    m.SetBitmapMode(gkTexReplace);
    c.Material().SetDirectBitmap(&texture);
    c.Material().Assign(m);
    FillScreenRect(c, 0, 0, 4, 4);
    c.EndScene();
    return target.Bits()[5];
  };
  texture.Clear(0xFFFF0000);
  EXPECT_EQ(frame(ca, a), 0xFFFF0000u);
  EXPECT_EQ(frame(cb, b), 0xFFFF0000u);
  texture.Clear(0xFF00FF00);  // marks it for upload once
  EXPECT_EQ(frame(ca, a), 0xFF00FF00u);
  EXPECT_FALSE(texture.NeedsUpload());
  EXPECT_EQ(frame(cb, b), 0xFF00FF00u);
}

// The shared context made on a thread of its own (beside a model's read) renders on the
// thread that then asks for it. A process of its own, where no context exists yet.
TEST(SharedContextDeathTest, PreparedOnAThreadItRendersOnTheCaller) {
  if (!TglEglContext::Shared()) GTEST_SKIP() << TglEglContext::OffscreenContextError();
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        TglEglContext::PrepareShared();
        TglEglContext::PrepareShared();  // once is enough; again changes nothing
        TgkBitmap bitmap(8, 8);
        TgkOpenGLCanvas canvas(bitmap);
        if (!canvas.HasDevice() || !canvas.BeginScene()) std::exit(2);
        canvas.Clear(0xFF00FF00);
        canvas.EndScene();
        std::exit(bitmap.Bits()[0] == 0xFF00FF00 && bitmap.Bits()[63] == 0xFF00FF00 ? 0 : 3);
      },
      ::testing::ExitedWithCode(0), "");
}
