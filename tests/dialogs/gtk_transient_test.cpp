// On X11 a dialog is tied to the program's window: the desktop sees it as that window's
// transient, so it stays above it and is placed over it. Needs a display (skipped without).
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/event_loop.h"
#include "platform/gtk_dialogs.h"
#include "platform/timer_service.h"
#include "platform/window.h"

// The X11 headers come last: their macros clash with our names.
#include <SDL.h>
#include <SDL_syswm.h>
#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <X11/Xutil.h>
#include <gdk/gdkx.h>
#endif

namespace {

TEST(GtkDialogsOnX11, TheDialogIsTransientForTheProgramsWindow) {
#ifdef GDK_WINDOWING_X11
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') GTEST_SKIP() << "no display";
  setenv("SDL_VIDEODRIVER", "x11", 1);
  TTimerService timers;
  std::unique_ptr<TEventLoop> loop_holder;
  std::unique_ptr<TWindow> window_holder;
  TWindowOptions options;
  options.opengl = false;
  options.width = 200;
  options.height = 100;
  try {
    loop_holder = std::make_unique<TEventLoop>(timers);
    window_holder = std::make_unique<TWindow>(*loop_holder, options);
  } catch (const std::exception& e) {
    GTEST_SKIP() << "no X11 window: " << e.what();
  }
  TEventLoop& loop = *loop_holder;
  TWindow& window = *window_holder;
  // The video system stays up once started: another test of this process may have chosen
  // another driver.
  if (TVideoSystem::DriverName() != "x11")
    GTEST_SKIP() << "running on " << TVideoSystem::DriverName();
  if (!TGtkDialogService::Available()) GTEST_SKIP() << "GTK cannot start";

  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  ASSERT_TRUE(SDL_GetWindowWMInfo(SDL_GetWindowFromID(window.Id()), &info));
  ASSERT_EQ(info.subsystem, SDL_SYSWM_X11);
  const ::Window ours = info.info.x11.window;

  ::Window transient_for = 0;
  std::string message_text;
  int ticks = 0;
  TGtkDialogService* service = nullptr;
  auto keep_alive = ModalKeepAlive(loop);
  TGtkDialogService dialogs(&window, [&] {
    keep_alive();
    ++ticks;
    for (GList *l = gtk_window_list_toplevels(), *it = l; it != nullptr || (g_list_free(l), false);
         it = it->next) {
      GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(it->data));
      if (GTK_IS_DIALOG(it->data) && gdk != nullptr) {
        XGetTransientForHint(gdk_x11_display_get_xdisplay(gdk_window_get_display(gdk)),
                             gdk_x11_window_get_xid(gdk), &transient_for);
      }
      if (GTK_IS_MESSAGE_DIALOG(it->data)) {
        gchar* text = nullptr;
        g_object_get(it->data, "text", &text, nullptr);
        message_text = text ? text : "";
        g_free(text);
      }
    }
    if (ticks == 2) window.Invalidate();  // something behind the dialog changes
    if (ticks == 3) service->CancelOpenDialog();
  });
  service = &dialogs;
  EXPECT_EQ(dialogs.ChooseColor(0x00FF00), std::nullopt);
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(transient_for, ours);
  EXPECT_GT(window.FramesPainted(), 0u) << "the window went on drawing";

  // An error message is shown the same way, its line break kept.
  ticks = 0;
  transient_for = 0;
  const auto frames = window.FramesPainted();
  dialogs.ShowError("无法读取\nsecond line");
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(transient_for, ours);
  EXPECT_EQ(message_text, "无法读取\nsecond line");
  EXPECT_GT(window.FramesPainted(), frames) << "the window went on drawing";
#else
  GTEST_SKIP() << "GTK without X11";
#endif
}

}  // namespace
