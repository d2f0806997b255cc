#include "app/large_master.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

#include "imaging/canvas.h"
#include "imaging/resample.h"
#include "render/gl_canvas.h"
#include "scene/canvas.h"
#include "scene/scene_bitmap.h"

namespace {

// The frame for a master of side size: 16 samples per master pixel.
std::unique_ptr<TgkBitmap> MakeFrame(int size, bool multisample) {
  if (multisample) {
    auto frame = std::make_unique<TgkBitmap>(2 * size, 2 * size);
    frame->Canvas().SetQuality(gkSuperHighQuality);
    const auto* gl = dynamic_cast<const TgkOpenGLCanvas*>(&frame->Canvas());
    if (gl && gl->Samples() >= 4) return frame;
  }
  return std::make_unique<TgkBitmap>(4 * size, 4 * size);
}

}  // namespace

void MakeLargeMaster(int size, TgkDummy& owner, TgkCamera& camera, TgkLight& light,
                     TgkShape* selected, const TShadowSettings& shadow, bool shift,
                     TpmBitmap& master, bool multisample) {
  if (size < kMasterSize || size % kMasterSize != 0) {
    throw std::invalid_argument("no master of size " + std::to_string(size));
  }
  std::unique_ptr<TgkBitmap> frame = MakeFrame(size, multisample);
  const int side = frame->Width();
  if (!RenderFrame(*frame, owner, camera, light, selected) || !frame->Bits()) {
    throw std::runtime_error("cannot render the " + std::to_string(size) + " x " +
                             std::to_string(size) + " icon off-screen");
  }
  master.SetSize(size, size);
  std::fill_n(master.Pixels(), static_cast<size_t>(size) * size, 0u);
  // The frame is reduced where it lies: a copy into a 2D bitmap would double the memory
  // of the largest image. ResampleDraw is the scaling behind DrawBitmap.
  const float s = static_cast<float>(size);
  const float f = static_cast<float>(side);
  TpmPixelImage source{frame->Bits(), side, side, side};
  TpmPixelTarget target{master.Pixels(), size, size, size};
  ResampleDraw(source, {0, 0, f, f}, target, {0, 0, s, s}, {TpmPixelBox{0, 0, size, size}}, 1,
               false);
  frame.reset();
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
