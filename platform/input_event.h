// The window's input as the rest of the program sees it: mouse, wheel, keyboard and focus
// events in drawable pixels, free of the windowing library. Real events and events injected
// by tests both arrive as TInputEvent through TWindow::Dispatch.
#pragma once

#include <cstdint>

enum class TInputKind : std::uint8_t {
  MouseDown,
  MouseMove,
  MouseUp,
  MouseWheel,
  MouseEnter,
  MouseLeave,
  KeyDown,
  KeyUp,
  Char,  // a typed character (KeyChar), after KeyDown
  FocusIn,
  FocusOut,
};

enum TMouseButton : std::uint8_t { mbLeft, mbRight, mbMiddle };

// Modifier keys and held mouse buttons, as a bit set.
using TShiftState = std::uint16_t;
inline constexpr TShiftState ssShift = 1 << 0;
inline constexpr TShiftState ssAlt = 1 << 1;
inline constexpr TShiftState ssCtrl = 1 << 2;
inline constexpr TShiftState ssLeft = 1 << 3;
inline constexpr TShiftState ssRight = 1 << 4;
inline constexpr TShiftState ssMiddle = 1 << 5;
inline constexpr TShiftState ssDouble = 1 << 6;

// One notch of a mouse wheel.
inline constexpr int kWheelDeltaPerNotch = 120;

// Virtual key codes (the values of the classic desktop key codes, so that letters and digits
// are their upper-case ASCII codes).
inline constexpr std::uint16_t vkBack = 8;
inline constexpr std::uint16_t vkTab = 9;
inline constexpr std::uint16_t vkReturn = 13;
inline constexpr std::uint16_t vkShift = 16;
inline constexpr std::uint16_t vkControl = 17;
inline constexpr std::uint16_t vkMenu = 18;  // Alt
inline constexpr std::uint16_t vkPause = 19;
inline constexpr std::uint16_t vkCapital = 20;
inline constexpr std::uint16_t vkEscape = 27;
inline constexpr std::uint16_t vkSpace = 32;
inline constexpr std::uint16_t vkPrior = 33;  // Page Up
inline constexpr std::uint16_t vkNext = 34;   // Page Down
inline constexpr std::uint16_t vkEnd = 35;
inline constexpr std::uint16_t vkHome = 36;
inline constexpr std::uint16_t vkLeft = 37;
inline constexpr std::uint16_t vkUp = 38;
inline constexpr std::uint16_t vkRight = 39;
inline constexpr std::uint16_t vkDown = 40;
inline constexpr std::uint16_t vkInsert = 45;
inline constexpr std::uint16_t vkDelete = 46;
inline constexpr std::uint16_t vkNumpad0 = 96;  // ... vkNumpad0 + 9
inline constexpr std::uint16_t vkMultiply = 106;
inline constexpr std::uint16_t vkAdd = 107;
inline constexpr std::uint16_t vkSubtract = 109;
inline constexpr std::uint16_t vkDecimal = 110;
inline constexpr std::uint16_t vkDivide = 111;
inline constexpr std::uint16_t vkF1 = 112;  // ... vkF1 + 11 for F12

struct TInputEvent {
  TInputKind kind = TInputKind::MouseMove;
  TMouseButton button = mbLeft;  // MouseDown, MouseUp
  TShiftState shift = 0;
  float x = 0;  // pointer position in drawable pixels, origin top-left
  float y = 0;
  int wheel_delta = 0;    // MouseWheel: 120 per notch, positive away from the user
  std::uint16_t key = 0;  // KeyDown, KeyUp: virtual key code
  char32_t key_char = 0;  // Char: the typed character
  bool repeat = false;    // KeyDown: auto-repeat
};
