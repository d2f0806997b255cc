// Masters larger than the 256 one (512 and 1024 pixels): the same picture, sharper. Every
// master pixel gets the 16 samples of the 256 master (a 1024 render reduced 4:1): the model
// is rendered as a frame of four times the master's side, reduced with the same scaling,
// and given the shadow scaled with the master.
//
// The frame is rendered in tiles through the icon render's own 1024 target, a strip of
// tiles at a time, each strip reduced into the master before the next: a target of the
// whole frame would cost more to allocate than to draw (see bench_pipeline,
// BM_Master1024). Strips overlap by the scaling's reach, so that the master is the whole
// frame reduced; tiles the model does not reach (ProjectSilhouette) are not drawn.
#pragma once

#include "app/icon_pipeline.h"

class TgkBitmap;
class TgkCamera;
class TgkDummy;
class TgkLight;
class TgkShape;

enum class TLargeFrame {
  Tiles,        // through the tile target, in strips (the default)
  Multisample,  // one frame of twice the side with 4 samples per pixel
};

// size must be a multiple of 256; tiles is the 1024 render target (its pixels are
// overwritten). shadow.Enabled decides the shadow; shift as AddShadow's. Raises
// std::runtime_error when a frame cannot be rendered and std::invalid_argument for a size
// that is no multiple of 256.
void MakeLargeMaster(int size, TgkBitmap& tiles, TgkDummy& owner, TgkCamera& camera,
                     TgkLight& light, TgkShape* selected, const TShadowSettings& shadow, bool shift,
                     TpmBitmap& master, TLargeFrame method = TLargeFrame::Tiles);

// A master of half the side of master (its shadow included), reduced with the same scaling:
// every pixel then has four times the samples.
void HalveMaster(const TpmBitmap& master, TpmBitmap& half);
