// How a pixel block's colour channels relate to its alpha: bitmaps say which form they hold,
// so that code converting between them (encoders, texture uploads) never has to guess.
#pragma once

enum class TAlphaForm {
  Straight,       // colour channels as the file stores them
  Premultiplied,  // colour channels multiplied by alpha / 255 (TpmBitmap)
};
