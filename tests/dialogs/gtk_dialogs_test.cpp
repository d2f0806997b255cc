// The desktop dialogs: without a display they answer "cancelled"; with one they open, keep
// the program's loop running while open, and close on request. Under the offscreen driver
// the keep-alive lets the window draw and run its timers but keeps input from reaching it.
#include "platform/gtk_dialogs.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/platform/window_fixture.h"

namespace {

bool HaveDisplay() {
  const char* display = std::getenv("DISPLAY");
  return display != nullptr && *display != '\0';
}

TEST(GtkDialogs, WithoutADisplayEveryDialogIsCancelled) {
  if (HaveDisplay()) GTEST_SKIP() << "a display is present";
  int ticks = 0;
  TGtkDialogService dialogs(nullptr, [&] { ++ticks; });
  EXPECT_FALSE(TGtkDialogService::Available());
  EXPECT_EQ(dialogs.OpenFile({"", "3DS|*.3ds", 0}), std::nullopt);
  EXPECT_EQ(dialogs.SaveFile({"", "PNG|*.png", "png", "myicon.png", true}), std::nullopt);
  EXPECT_EQ(dialogs.ChooseColor(0xFF), std::nullopt);
  EXPECT_EQ(ticks, 0);
  EXPECT_THROW(dialogs.OpenFile({"", "broken", 0}), std::invalid_argument);
}

TEST(GtkDialogs, AnOpenDialogKeepsTheLoopGoingAndClosesWhenCancelled) {
  if (!HaveDisplay() || !TGtkDialogService::Available()) GTEST_SKIP() << "no display";
  int ticks = 0;
  TGtkDialogService* service = nullptr;
  TGtkDialogService dialogs(nullptr, [&] {
    ++ticks;
    EXPECT_TRUE(service->DialogOpen());
    if (ticks == 5) service->CancelOpenDialog();
  });
  service = &dialogs;
  EXPECT_EQ(dialogs.OpenFile({"", "所有文件 (*.3ds;*.md3)|*.3ds;*.md3", 0}), std::nullopt);
  EXPECT_EQ(ticks, 5);
  EXPECT_FALSE(dialogs.DialogOpen());
  ticks = 0;
  EXPECT_EQ(dialogs.SaveFile({"", "PNG|*.png", "png", "myicon.png", true}), std::nullopt);
  EXPECT_EQ(ticks, 5);
  ticks = 0;
  EXPECT_EQ(dialogs.ChooseColor(0x8C6FEEu), std::nullopt);
  EXPECT_EQ(ticks, 5);
}

class ModalKeepAliveTest : public WindowTest {};

TEST_F(ModalKeepAliveTest, DrawsAndRunsTimersButHoldsBackInputThatStartsSomething) {
  const auto frames = window_->FramesPainted();
  int posted = 0;
  loop_->Post([&] { ++posted; });
  window_->Invalidate();
  PushButton(true, SDL_BUTTON_LEFT, 10, 10);
  PushMotion(12, 12);
  PushKey(true, SDLK_a);
  PushKey(false, SDLK_a);
  PushButton(false, SDL_BUTTON_LEFT, 12, 12);
  ModalKeepAlive (*loop_)();
  EXPECT_EQ(posted, 1);
  EXPECT_EQ(window_->FramesPainted(), frames + 1);
  ASSERT_EQ(inputs_.size(), 2u) << "only the releases pass";
  EXPECT_EQ(inputs_[0].kind, TInputKind::KeyUp);
  EXPECT_EQ(inputs_[1].kind, TInputKind::MouseUp);
  EXPECT_FALSE(window_->MouseCaptureWanted()) << "no button stays held";

  // Afterwards the window takes its input again.
  PushButton(true, SDL_BUTTON_LEFT, 1, 1);
  loop_->ProcessPending();
  ASSERT_EQ(inputs_.size(), 3u);
  EXPECT_EQ(inputs_[2].kind, TInputKind::MouseDown);
}

}  // namespace
