// Translation of the windowing library's key codes and modifier state into the program's
// virtual key codes and shift state.
#pragma once

#include <cstdint>

#include "platform/input_event.h"

// The virtual key code for an SDL key code (SDL_Keycode), 0 for keys the program has no
// code for.
std::uint16_t VirtualKeyFromSdl(std::int32_t sdl_keycode);

// Shift, Ctrl and Alt from an SDL modifier set (SDL_Keymod), either side counting.
TShiftState ShiftFromSdlModifiers(std::uint32_t sdl_modifiers);

// The held-button flags (ssLeft, ssRight, ssMiddle) from an SDL button mask.
TShiftState ShiftFromSdlButtons(std::uint32_t sdl_button_mask);
