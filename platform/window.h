// A top-level desktop window with an OpenGL 3.3 core context. Sizes are in window units as
// the desktop counts them; the pointer positions the window reports and the drawable size
// are in drawable pixels, which differ from window units on HiDPI screens, so that screen
// layers stay pixel-exact and picking stays right. Requests to repaint are coalesced by the
// event loop into one frame per turn, and a size change into one resize before it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/gl_surface.h"
#include "platform/input_event.h"
#include "platform/pointer_shape.h"

class TEventLoop;
struct SDL_Window;
struct SDL_Cursor;
union SDL_Event;

struct TWindowOptions {
  std::string title = "Facetmint";
  int width = 800;  // window units
  int height = 600;
  int min_width = 0;  // 0: no minimum
  int min_height = 0;
  bool centred = true;
  bool resizable = true;
  bool visible = true;
  bool opengl = true;  // an OpenGL 3.3 core context with depth and stencil buffers
};

// Converts a pointer position from window units to drawable pixels.
void WindowToDrawable(float& x, float& y, int window_width, int window_height, int drawable_width,
                      int drawable_height);

class TWindow : public TGlSurface {
 public:
  // Raises std::runtime_error when the window or its context cannot be made.
  TWindow(TEventLoop& loop, const TWindowOptions& options = {});
  ~TWindow() override;
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;

  TEventLoop& Loop() const { return loop_; }
  std::uint32_t Id() const { return id_; }

  std::string Title() const;
  void SetTitle(const std::string& title);
  int Width() const;  // window units
  int Height() const;
  void SetSize(int width, int height);
  void SetMinimumSize(int width, int height);
  void MinimumSize(int& width, int& height) const;
  // Centres the window on its screen (a desktop may keep its own placement).
  void Centre();
  void Position(int& x, int& y) const;
  // The picture the desktop shows for the window (task bar, title bar): Width x Height
  // straight-alpha ARGB pixels, rows top to bottom.
  void SetIcon(int width, int height, const std::uint32_t* argb);
  // The pointer's shape over the window.
  void SetPointer(TPointerShape shape);
  TPointerShape Pointer() const { return pointer_; }
  void Show();
  void Hide();
  bool Visible() const;

  // ---- TGlSurface ----
  bool MakeCurrent() override;
  bool IsCurrent() const override;
  void SwapBuffers() override;
  int DrawableWidth() const override;
  int DrawableHeight() const override;
  bool HasGlContext() const { return context_ != nullptr; }

  // Asks for a frame; many requests before the loop's next turn give one OnPaint.
  void Invalidate() { paint_pending_ = true; }
  bool PaintPending() const { return paint_pending_; }
  std::uint64_t FramesPainted() const { return frames_; }

  // The keyboard focus among the desktop's windows.
  bool HasKeyboardFocus() const { return has_focus_; }
  void TakeKeyboardFocus();

  // All mouse input to this window, even outside it: held while a button is down and
  // while SetMouseCapture(true) asks for it. Desktops that refuse leave the capture off
  // (MouseCaptured False) and the window works on without it.
  void SetMouseCapture(bool capture);
  bool MouseCaptureWanted() const { return explicit_capture_ || buttons_ != 0; }
  bool MouseCaptured() const { return captured_; }
  // The last pointer position in drawable pixels.
  float MouseX() const { return mouse_x_; }
  float MouseY() const { return mouse_y_; }

  // ---- Events (each runs on the user-interface thread; an exception is reported) ----
  std::function<void()> OnPaint;
  // The drawable size after a change, in pixels, once per loop turn before the frame.
  std::function<void(int width, int height)> OnResize;
  std::function<void(const TInputEvent& event)> OnInput;
  // A file dropped on the window (its path).
  std::function<void(const std::string& path)> OnDropFile;
  // The user asked to close; the default (no handler) ends the event loop.
  std::function<void()> OnClose;

  // Delivers an input event to OnInput: the one path of real and injected input.
  void Dispatch(const TInputEvent& event);

 private:
  friend class TEventLoop;
  void HandleSdlEvent(const SDL_Event& event);
  void HandleWindowEvent(std::uint8_t kind);
  void DispatchMouseButton(const SDL_Event& event, bool down);
  void DispatchText(const char* utf8);
  TShiftState ShiftNow() const;
  void SetPointer(float window_x, float window_y);
  void UpdateCapture();
  // The loop's per-turn work: a pending resize, then a pending frame.
  void Update();

  TEventLoop& loop_;
  SDL_Window* window_ = nullptr;
  void* context_ = nullptr;
  std::uint32_t id_ = 0;
  bool paint_pending_ = false;
  bool resize_pending_ = false;
  int delivered_width_ = -1;
  int delivered_height_ = -1;
  std::uint64_t frames_ = 0;
  bool has_focus_ = false;
  bool explicit_capture_ = false;
  bool captured_ = false;
  SDL_Cursor* hand_cursor_ = nullptr;
  SDL_Cursor* busy_cursor_ = nullptr;
  TPointerShape pointer_ = TPointerShape::Arrow;
  TShiftState buttons_ = 0;
  float mouse_x_ = 0;
  float mouse_y_ = 0;
};
