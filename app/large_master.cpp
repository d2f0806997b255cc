#include "app/large_master.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/silhouette.h"
#include "imaging/canvas.h"
#include "imaging/resample.h"
#include "render/gl_canvas.h"
#include "scene/canvas.h"
#include "scene/scene_bitmap.h"

namespace {

// Rows of the frame a strip renders beyond its own at top and bottom: more than the 4:1
// scaling reaches (its cubic, widened by 4, reads 8 rows either way).
constexpr int kGuard = 16;

[[noreturn]] void CannotRender(int size) {
  throw std::runtime_error("cannot render the " + std::to_string(size) + " x " +
                           std::to_string(size) + " icon off-screen");
}

// Reduces the frame's rows first .. first + count and columns left .. right (held in
// pixels, a row per frame width) into master, changing only the master pixels of those
// columns in rows keep_top .. keep_bottom.
void Reduce(const uint32_t* pixels, int frame, int first, int count, int left, int right,
            TpmBitmap& master, int keep_top, int keep_bottom) {
  const int size = master.Width();
  const int scale = frame / size;
  TpmPixelImage source{pixels + left, right - left, count, frame};
  TpmPixelTarget target{master.Pixels(), size, size, size};
  const float k = 1.0f / static_cast<float>(scale);
  ResampleDraw(source, {0, 0, static_cast<float>(right - left), static_cast<float>(count)}, target,
               {static_cast<float>(left) * k, static_cast<float>(first) * k,
                static_cast<float>(right) * k, static_cast<float>(first + count) * k},
               {TpmPixelBox{left / scale, keep_top, right / scale, keep_bottom}}, 1, false);
}

void RenderInTiles(int size, TgkBitmap& tiles, TgkDummy& owner, TgkCamera& camera, TgkLight& light,
                   TgkShape* selected, TpmBitmap& master) {
  const int frame = size * (kRenderSize / kMasterSize);
  const int tile = tiles.Width();
  if (tiles.Height() != tile || frame % tile != 0 || tile <= 2 * kGuard) {
    throw std::invalid_argument("the tile target must be square and divide the frame");
  }
  // Tiles the model does not reach are left out: their pixels are transparent anyway. The
  // box is widened so that what is left out lies beyond the scaling's reach of the model.
  const TSilhouette model = ProjectSilhouette(owner, camera, static_cast<float>(frame));
  if (model.Empty && !model.Behind) return;
  const float pad = 2.0f * kGuard;
  const bool whole = model.Behind;
  const auto reaches = [&](float from, float to, float low, float high) {
    return whole || (to > low - pad && from < high + pad);
  };
  const int scale = frame / size;
  const int core = (tile - 2 * kGuard) / scale * scale;  // rows each strip adds, whole pixels
  // Left uninitialised: Reduce reads only rows and columns the tiles have just written.
  const std::unique_ptr<uint32_t[]> strip(new uint32_t[static_cast<size_t>(frame) * tile]);
  // Each tile's frame is read straight into its place in the strip.
  struct TFrameIntoStrip {
    TgkCanvas& canvas;
    ~TFrameIntoStrip() { canvas.SetFrameDestination(nullptr); }
  } into_strip{tiles.Canvas()};
  for (int top = 0; top < frame; top += core) {
    const int bottom = std::min(frame, top + core);
    if (!reaches(static_cast<float>(top), static_cast<float>(bottom), model.Top, model.Bottom)) {
      continue;
    }
    // The strip's rows of the frame: its core with the guards, within the frame.
    const int first = std::max(0, top - kGuard);
    const int last = std::min(frame, bottom + kGuard);
    int left_done = frame, right_done = 0;
    for (int left = 0; left < frame; left += tile) {
      if (!reaches(static_cast<float>(left), static_cast<float>(left + tile), model.Left,
                   model.Right)) {
        continue;
      }
      into_strip.canvas.SetFrameDestination(strip.get() + left, frame);
      if (!RenderFrame(tiles, owner, camera, light, selected, {frame, frame, left, first})) {
        CannotRender(size);
      }
      left_done = std::min(left_done, left);
      right_done = std::max(right_done, left + tile);
    }
    if (left_done < right_done) {
      Reduce(strip.get(), frame, first, last - first, left_done, right_done, master, top / scale,
             bottom / scale);
    }
  }
}

void RenderMultisampled(int size, TgkDummy& owner, TgkCamera& camera, TgkLight& light,
                        TgkShape* selected, TpmBitmap& master) {
  TgkBitmap frame(2 * size, 2 * size);
  frame.Canvas().SetQuality(gkSuperHighQuality);
  const auto* gl = dynamic_cast<const TgkOpenGLCanvas*>(&frame.Canvas());
  if (!gl || gl->Samples() < 4) {
    throw std::runtime_error("the renderer cannot take 4 samples per pixel");
  }
  if (!RenderFrame(frame, owner, camera, light, selected) || !frame.Bits()) CannotRender(size);
  Reduce(frame.Bits(), 2 * size, 0, 2 * size, 0, 2 * size, master, 0, size);
}

}  // namespace

void MakeLargeMaster(int size, TgkBitmap& tiles, TgkDummy& owner, TgkCamera& camera,
                     TgkLight& light, TgkShape* selected, const TShadowSettings& shadow, bool shift,
                     TpmBitmap& master, TLargeFrame method) {
  if (size < kMasterSize || size % kMasterSize != 0) {
    throw std::invalid_argument("no master of size " + std::to_string(size));
  }
  master.SetSize(size, size);
  std::fill_n(master.Pixels(), static_cast<size_t>(size) * size, 0u);
  if (method == TLargeFrame::Tiles) {
    RenderInTiles(size, tiles, owner, camera, light, selected, master);
  } else {
    RenderMultisampled(size, owner, camera, light, selected, master);
  }
  if (!shadow.Enabled) return;
  // The model goes on top of its shadow from the reduced picture: shifted by whole pixels,
  // which is an exact copy, instead of reducing the frame a second time.
  TpmBitmap model(size, size);
  std::memcpy(model.Pixels(), master.Pixels(), master.ByteSize());
  AddShadow(master, model, shadow, size / kMasterSize, shift);
}

void HalveMaster(const TpmBitmap& master, TpmBitmap& half) {
  const int size = master.Width() / 2;
  half.SetSize(size, size);
  half.Canvas().Clear(0);
  const float m = static_cast<float>(master.Width()), s = static_cast<float>(size);
  half.Canvas().DrawBitmap(master, {0, 0, m, m}, {0, 0, s, s}, 1, false);
}
