// Masters larger than the 256 one (512 and 1024 pixels): the same picture, sharper. Every
// master pixel gets at least the 16 samples of the 256 master (a 1024 render reduced 4:1):
// the model is rendered at twice the master's side with 4 samples per pixel where the
// renderer multisamples (cheaper for a software rasteriser than a frame four times the
// side, see bench_pipeline), otherwise at four times the side; the frame is reduced with
// the same scaling as the 256 master and given the shadow scaled with the master.
#pragma once

#include "app/icon_pipeline.h"

class TgkCamera;
class TgkDummy;
class TgkLight;
class TgkShape;

// size must be a multiple of 256. shadow.Enabled decides the shadow; shift as AddShadow's.
// Raises std::runtime_error when the frame cannot be rendered (more than the graphics
// device holds, or the device is lost) and std::invalid_argument for a size that is no
// multiple of 256. multisample false forces the frame of four times the side.
void MakeLargeMaster(int size, TgkDummy& owner, TgkCamera& camera, TgkLight& light,
                     TgkShape* selected, const TShadowSettings& shadow, bool shift,
                     TpmBitmap& master, bool multisample = true);

// A master of half the side of master (its shadow included), reduced with the same scaling:
// every pixel then has four times the samples.
void HalveMaster(const TpmBitmap& master, TpmBitmap& half);
