// Window input: mouse buttons and capture, shift state, wheel units, keys and typed text,
// focus and leave events, and the window-to-drawable conversion of HiDPI screens.
#include <cstring>

#include "platform/key_codes.h"
#include "tests/platform/window_fixture.h"

TEST_F(WindowTest, ButtonsArriveWithPositionAndHeldStateAndHoldTheCapture) {
  PushButton(true, SDL_BUTTON_LEFT, 10, 20);
  loop_->ProcessPending();
  EXPECT_TRUE(window_->MouseCaptureWanted());
  PushButton(true, SDL_BUTTON_RIGHT, 11, 21);
  PushButton(false, SDL_BUTTON_LEFT, 12, 22);
  loop_->ProcessPending();
  EXPECT_TRUE(window_->MouseCaptureWanted()) << "the right button is still down";
  PushButton(false, SDL_BUTTON_RIGHT, 13, 23);
  PushButton(true, 4 /* a side button */, 1, 1);
  loop_->ProcessPending();
  EXPECT_FALSE(window_->MouseCaptureWanted());

  ASSERT_EQ(inputs_.size(), 4u);
  EXPECT_EQ(inputs_[0].kind, TInputKind::MouseDown);
  EXPECT_EQ(inputs_[0].button, mbLeft);
  EXPECT_EQ(inputs_[0].x, 10);
  EXPECT_EQ(inputs_[0].y, 20);
  EXPECT_EQ(inputs_[0].shift, ssLeft);
  EXPECT_EQ(inputs_[1].button, mbRight);
  EXPECT_EQ(inputs_[1].shift, ssLeft | ssRight);
  EXPECT_EQ(inputs_[2].kind, TInputKind::MouseUp);
  EXPECT_EQ(inputs_[2].button, mbLeft);
  EXPECT_EQ(inputs_[2].shift, ssRight) << "the released button is no longer held";
  EXPECT_EQ(inputs_[3].shift, 0);
  EXPECT_EQ(window_->MouseX(), 13);
}

TEST_F(WindowTest, ExplicitCaptureOutlastsTheButtons) {
  window_->SetMouseCapture(true);
  PushButton(true, SDL_BUTTON_LEFT, 1, 1);
  PushButton(false, SDL_BUTTON_LEFT, 1, 1);
  loop_->ProcessPending();
  EXPECT_TRUE(window_->MouseCaptureWanted());
  window_->SetMouseCapture(false);
  EXPECT_FALSE(window_->MouseCaptureWanted());
  EXPECT_FALSE(window_->MouseCaptured());
}

TEST_F(WindowTest, LosingTheFocusForgetsHeldButtons) {
  PushButton(true, SDL_BUTTON_LEFT, 1, 1);
  PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
  loop_->ProcessPending();
  EXPECT_FALSE(window_->MouseCaptureWanted());
  EXPECT_FALSE(window_->HasKeyboardFocus());
  PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
  PushWindowEvent(SDL_WINDOWEVENT_LEAVE);
  loop_->ProcessPending();
  EXPECT_TRUE(window_->HasKeyboardFocus());
  ASSERT_EQ(inputs_.size(), 4u);
  EXPECT_EQ(inputs_[1].kind, TInputKind::FocusOut);
  EXPECT_EQ(inputs_[2].kind, TInputKind::FocusIn);
  EXPECT_EQ(inputs_[3].kind, TInputKind::MouseLeave);
}

TEST_F(WindowTest, DoubleClickAndModifiersShowInTheShiftState) {
  SDL_SetModState(static_cast<SDL_Keymod>(KMOD_LSHIFT | KMOD_RCTRL));
  PushButton(true, SDL_BUTTON_LEFT, 3, 4, 2);
  PushMotion(30, 40);
  loop_->ProcessPending();
  SDL_SetModState(KMOD_NONE);
  ASSERT_EQ(inputs_.size(), 2u);
  EXPECT_EQ(inputs_[0].shift, ssShift | ssCtrl | ssLeft | ssDouble);
  EXPECT_EQ(inputs_[1].kind, TInputKind::MouseMove);
  EXPECT_EQ(inputs_[1].shift, ssShift | ssCtrl | ssLeft);
  EXPECT_EQ(inputs_[1].x, 30);
  EXPECT_EQ(inputs_[1].y, 40);
}

TEST_F(WindowTest, WheelTurnsCountOneHundredTwentyPerNotchAtThePointer) {
  PushMotion(70, 80);
  auto wheel = [&](int y, float precise, Uint32 direction, int x = 0) {
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.windowID = window_->Id();
    e.wheel.x = x;
    e.wheel.y = y;
    e.wheel.preciseY = precise;
    e.wheel.direction = direction;
    Push(e);
  };
  wheel(1, 1.0f, SDL_MOUSEWHEEL_NORMAL);
  wheel(-2, -2.0f, SDL_MOUSEWHEEL_NORMAL);
  wheel(1, 1.0f, SDL_MOUSEWHEEL_FLIPPED);
  wheel(0, 0.5f, SDL_MOUSEWHEEL_NORMAL);     // a touchpad's half notch
  wheel(3, 0.0f, SDL_MOUSEWHEEL_NORMAL);     // a driver without precise values
  wheel(0, 0.0f, SDL_MOUSEWHEEL_NORMAL, 1);  // sideways only: not a wheel turn here
  loop_->ProcessPending();
  std::vector<int> deltas;
  for (const auto& e : inputs_) {
    if (e.kind != TInputKind::MouseWheel) continue;
    deltas.push_back(e.wheel_delta);
    EXPECT_EQ(e.x, 70);
    EXPECT_EQ(e.y, 80);
  }
  EXPECT_EQ(deltas, (std::vector<int>{120, -240, -120, 60, 360}));
}

TEST_F(WindowTest, KeysArriveAsVirtualCodesAndTextAsCharacters) {
  PushKey(true, SDLK_TAB, KMOD_LSHIFT);
  PushKey(false, SDLK_TAB);
  PushKey(true, SDLK_a, KMOD_LCTRL);
  PushKey(true, SDLK_F5);
  SDL_Event text{};
  text.type = SDL_TEXTINPUT;
  text.text.windowID = window_->Id();
  // "a", e acute, the euro sign, a stray continuation byte, then an emoji.
  const char sample[] = "a\xC3\xA9\xE2\x82\xAC\x80\xF0\x9F\x98\x80";
  std::memcpy(text.text.text, sample, sizeof(sample));
  Push(text);
  loop_->ProcessPending();
  ASSERT_EQ(inputs_.size(), 9u);
  EXPECT_EQ(inputs_[0].kind, TInputKind::KeyDown);
  EXPECT_EQ(inputs_[0].key, vkTab);
  EXPECT_EQ(inputs_[0].shift, ssShift);
  EXPECT_EQ(inputs_[1].kind, TInputKind::KeyUp);
  EXPECT_EQ(inputs_[2].key, 'A');
  EXPECT_EQ(inputs_[2].shift, ssCtrl);
  EXPECT_EQ(inputs_[3].key, vkF1 + 4);
  std::u32string typed;
  for (size_t i = 4; i < inputs_.size(); ++i) {
    EXPECT_EQ(inputs_[i].kind, TInputKind::Char);
    typed += inputs_[i].key_char;
  }
  EXPECT_EQ(typed, U"a\u00E9\u20AC\uFFFD\U0001F600");
}

TEST_F(WindowTest, EventsOfOtherWindowsAreNotDelivered) {
  Push(testsupport::MouseMotionEvent(window_->Id() + 100, 11, 12));
  PushMotion(7, 9);  // the window's own, behind it, still arrives
  loop_->ProcessPending();
  ASSERT_EQ(inputs_.size(), 1u);
  EXPECT_EQ(inputs_[0].kind, TInputKind::MouseMove);
  EXPECT_EQ(inputs_[0].x, 7);
  EXPECT_EQ(inputs_[0].y, 9);
}

TEST(WindowCoordinates, HiDpiPositionsAreScaledToDrawablePixels) {
  float x = 100.5f, y = 40;
  WindowToDrawable(x, y, 800, 600, 1600, 1200);
  EXPECT_FLOAT_EQ(x, 201);
  EXPECT_FLOAT_EQ(y, 80);
  x = 7, y = 9;
  WindowToDrawable(x, y, 800, 600, 800, 600);
  EXPECT_FLOAT_EQ(x, 7);
  EXPECT_FLOAT_EQ(y, 9);
  WindowToDrawable(x, y, 0, 0, 800, 600);  // a window not yet sized
  EXPECT_FLOAT_EQ(x, 7);
}

TEST(KeyCodes, TranslateTheKeysTheProgramUses) {
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_z), 'Z');
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_7), '7');
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_KP_ENTER), vkReturn);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_KP_3), vkNumpad0 + 3);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_DELETE), vkDelete);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_RCTRL), vkControl);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_F12), vkF1 + 11);
  EXPECT_EQ(VirtualKeyFromSdl(SDLK_AUDIOPLAY), 0);
  EXPECT_EQ(ShiftFromSdlModifiers(KMOD_RSHIFT | KMOD_LALT), ssShift | ssAlt);
  EXPECT_EQ(ShiftFromSdlButtons(SDL_BUTTON_LMASK | SDL_BUTTON_MMASK), ssLeft | ssMiddle);
}
