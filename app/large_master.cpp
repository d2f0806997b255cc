#include "app/large_master.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

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

// Reduces rows first .. first + count and columns left .. right of a frame of scale times
// the master's side into master: pixels holds them, a row per stride pixels. Changes only
// the master pixels of those columns in rows keep_top .. keep_bottom.
void Reduce(const uint32_t* pixels, int stride, int scale, int first, int count, int left,
            int right, TpmBitmap& master, int keep_top, int keep_bottom) {
  const int size = master.Width();
  TpmPixelImage source{pixels, right - left, count, stride};
  TpmPixelTarget target{master.Pixels(), size, size, size};
  const float k = 1.0f / static_cast<float>(scale);
  ResampleDraw(source, {0, 0, static_cast<float>(right - left), static_cast<float>(count)}, target,
               {static_cast<float>(left) * k, static_cast<float>(first) * k,
                static_cast<float>(right) * k, static_cast<float>(first + count) * k},
               {TpmPixelBox{left / scale, keep_top, right / scale, keep_bottom}}, 1, false);
}

// The part of a frame side of `frame` pixels to render for a model from `from` to `to`:
// widened by pad, in whole master pixels (multiples of scale), within the frame.
std::pair<int, int> NeededSpan(float from, float to, float pad, int scale, int frame) {
  const float s = static_cast<float>(scale);
  const int low = static_cast<int>(std::floor((from - pad) / s)) * scale;
  const int high = static_cast<int>(std::ceil((to + pad) / s)) * scale;
  return {std::clamp(low, 0, frame), std::clamp(high, 0, frame)};
}

void RenderInTiles(int size, TgkBitmap& tiles, TgkDummy& owner, TgkCamera& camera, TgkLight& light,
                   TgkShape* selected, TpmBitmap& master) {
  const int frame = size * (kRenderSize / kMasterSize);
  const int tile = tiles.Width();
  const int scale = frame / size;
  if (tiles.Height() != tile || tile <= 2 * kGuard + scale) {
    throw std::invalid_argument("the tile target must be square and larger than its guards");
  }
  // Only the model's box is rendered: the rest of the frame is transparent anyway. The box
  // is widened so that what is left out lies beyond the scaling's reach of the model. A
  // vertex behind the camera leaves the box incomplete: then the whole frame is rendered.
  const TSilhouette model = ProjectSilhouette(owner, camera, static_cast<float>(frame));
  if (model.Empty && !model.Behind) return;
  const float pad = 2.0f * kGuard;
  auto [left, right] = NeededSpan(model.Left, model.Right, pad, scale, frame);
  auto [top, bottom] = NeededSpan(model.Top, model.Bottom, pad, scale, frame);
  if (model.Behind) left = top = 0, right = bottom = frame;
  if (left >= right || top >= bottom) return;  // the model lies outside the frame
  const int width = right - left;
  const int core = (tile - 2 * kGuard) / scale * scale;  // rows each strip adds, whole pixels
  // Left uninitialised: Reduce reads only pixels the tiles have just written.
  const std::unique_ptr<uint32_t[]> strip(new uint32_t[static_cast<size_t>(width) * tile]);
  // Each tile's frame is read straight into its place in the strip.
  struct TFrameIntoStrip {
    TgkCanvas& canvas;
    ~TFrameIntoStrip() { canvas.SetFrameDestination(nullptr); }
  } into_strip{tiles.Canvas()};
  for (int core_top = top; core_top < bottom; core_top += core) {
    const int core_bottom = std::min(bottom, core_top + core);
    // The strip's rows of the frame: its core with the guards, within the frame.
    const int first = std::max(0, core_top - kGuard);
    const int last = std::min(frame, core_bottom + kGuard);
    for (int x = left; x < right; x += tile) {
      into_strip.canvas.SetFrameDestination(strip.get() + (x - left), width);
      const TgkFrameTile part{frame, frame, x, first, std::min(tile, right - x), last - first};
      if (!RenderFrame(tiles, owner, camera, light, selected, part)) CannotRender(size);
    }
    Reduce(strip.get(), width, scale, first, last - first, left, right, master, core_top / scale,
           core_bottom / scale);
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
  Reduce(frame.Bits(), 2 * size, 2, 0, 2 * size, 0, 2 * size, master, 0, size);
}

}  // namespace

void MakeLargeMaster(int size, TgkBitmap& tiles, TgkDummy& owner, TgkCamera& camera,
                     TgkLight& light, TgkShape* selected, const TShadowSettings& shadow, bool shift,
                     TpmBitmap& master, TLargeFrame method) {
  if (size < kMasterSize || size % kMasterSize != 0) {
    throw std::invalid_argument("no master of size " + std::to_string(size));
  }
  // A fresh bitmap is transparent already, and its pages are touched only where drawn.
  if (master.Width() == size && master.Height() == size) {
    std::fill_n(master.Pixels(), static_cast<size_t>(size) * size, 0u);
  } else {
    master.SetSize(size, size);
  }
  if (method == TLargeFrame::Tiles) {
    RenderInTiles(size, tiles, owner, camera, light, selected, master);
  } else {
    RenderMultisampled(size, owner, camera, light, selected, master);
  }
  if (!shadow.Enabled) return;
  AddShadow(master, shadow, size / kMasterSize, shift);
}

void HalveMaster(const TpmBitmap& master, TpmBitmap& half) {
  const int size = master.Width() / 2;
  half.SetSize(size, size);
  half.Canvas().Clear(0);
  const float m = static_cast<float>(master.Width()), s = static_cast<float>(size);
  half.Canvas().DrawBitmap(master, {0, 0, m, m}, {0, 0, s, s}, 1, false);
}
