#include "platform/key_codes.h"

#include <SDL.h>

std::uint16_t VirtualKeyFromSdl(std::int32_t sdl_keycode) {
  const SDL_Keycode k = sdl_keycode;
  if (k >= SDLK_a && k <= SDLK_z) return static_cast<std::uint16_t>('A' + (k - SDLK_a));
  if (k >= SDLK_0 && k <= SDLK_9) return static_cast<std::uint16_t>('0' + (k - SDLK_0));
  if (k >= SDLK_F1 && k <= SDLK_F12) return static_cast<std::uint16_t>(vkF1 + (k - SDLK_F1));
  if (k >= SDLK_KP_1 && k <= SDLK_KP_9) {
    return static_cast<std::uint16_t>(vkNumpad0 + 1 + (k - SDLK_KP_1));
  }
  switch (k) {
    case SDLK_BACKSPACE:
      return vkBack;
    case SDLK_TAB:
      return vkTab;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return vkReturn;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
      return vkShift;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
      return vkControl;
    case SDLK_LALT:
    case SDLK_RALT:
      return vkMenu;
    case SDLK_PAUSE:
      return vkPause;
    case SDLK_CAPSLOCK:
      return vkCapital;
    case SDLK_ESCAPE:
      return vkEscape;
    case SDLK_SPACE:
      return vkSpace;
    case SDLK_PAGEUP:
      return vkPrior;
    case SDLK_PAGEDOWN:
      return vkNext;
    case SDLK_END:
      return vkEnd;
    case SDLK_HOME:
      return vkHome;
    case SDLK_LEFT:
      return vkLeft;
    case SDLK_UP:
      return vkUp;
    case SDLK_RIGHT:
      return vkRight;
    case SDLK_DOWN:
      return vkDown;
    case SDLK_INSERT:
      return vkInsert;
    case SDLK_DELETE:
      return vkDelete;
    case SDLK_KP_0:
      return vkNumpad0;
    case SDLK_KP_MULTIPLY:
      return vkMultiply;
    case SDLK_KP_PLUS:
      return vkAdd;
    case SDLK_KP_MINUS:
      return vkSubtract;
    case SDLK_KP_PERIOD:
      return vkDecimal;
    case SDLK_KP_DIVIDE:
      return vkDivide;
    default:
      return 0;
  }
}

TShiftState ShiftFromSdlModifiers(std::uint32_t sdl_modifiers) {
  TShiftState s = 0;
  if (sdl_modifiers & KMOD_SHIFT) s |= ssShift;
  if (sdl_modifiers & KMOD_CTRL) s |= ssCtrl;
  if (sdl_modifiers & KMOD_ALT) s |= ssAlt;
  return s;
}

TShiftState ShiftFromSdlButtons(std::uint32_t sdl_button_mask) {
  TShiftState s = 0;
  if (sdl_button_mask & SDL_BUTTON_LMASK) s |= ssLeft;
  if (sdl_button_mask & SDL_BUTTON_RMASK) s |= ssRight;
  if (sdl_button_mask & SDL_BUTTON_MMASK) s |= ssMiddle;
  return s;
}
