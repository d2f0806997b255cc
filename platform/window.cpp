#include "platform/window.h"

#include <EGL/egl.h>
#include <SDL.h>

#include <cmath>
#include <memory>
#include <stdexcept>

#include "platform/event_loop.h"
#include "platform/key_codes.h"
#include "platform/shell.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  throw std::runtime_error(std::string(what) + ": " + SDL_GetError());
}

// Decodes one UTF-8 sequence at Text, advancing it; malformed bytes give U+FFFD.
char32_t NextCodePoint(const char*& text) {
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  char32_t c = s[0];
  int extra = 0;
  if (c < 0x80) {
    extra = 0;
  } else if ((c & 0xE0) == 0xC0) {
    c &= 0x1F, extra = 1;
  } else if ((c & 0xF0) == 0xE0) {
    c &= 0x0F, extra = 2;
  } else if ((c & 0xF8) == 0xF0) {
    c &= 0x07, extra = 3;
  } else {
    ++text;
    return 0xFFFD;
  }
  for (int i = 1; i <= extra; ++i) {
    if ((s[i] & 0xC0) != 0x80) {
      text += i;
      return 0xFFFD;
    }
    c = (c << 6) | (s[i] & 0x3F);
  }
  text += extra + 1;
  return c;
}

}  // namespace

void WindowToDrawable(float& x, float& y, int window_width, int window_height, int drawable_width,
                      int drawable_height) {
  if (window_width > 0 && drawable_width > 0 && window_width != drawable_width) {
    x = x * static_cast<float>(drawable_width) / static_cast<float>(window_width);
  }
  if (window_height > 0 && drawable_height > 0 && window_height != drawable_height) {
    y = y * static_cast<float>(drawable_height) / static_cast<float>(window_height);
  }
}

TWindow::TWindow(TEventLoop& loop, const TWindowOptions& options) : loop_(loop) {
  Uint32 flags = SDL_WINDOW_ALLOW_HIGHDPI;
  flags |= options.visible ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
  if (options.resizable) flags |= SDL_WINDOW_RESIZABLE;
  if (options.opengl) {
    flags |= SDL_WINDOW_OPENGL;
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  }
  const int pos = options.centred ? SDL_WINDOWPOS_CENTERED : SDL_WINDOWPOS_UNDEFINED;
  window_ = SDL_CreateWindow(options.title.c_str(), pos, pos, std::max(1, options.width),
                             std::max(1, options.height), flags);
  if (!window_) Fail("Cannot create the window");
  if (options.opengl) {
    context_ = SDL_GL_CreateContext(window_);
    if (!context_) {
      const std::string reason = SDL_GetError();
      SDL_DestroyWindow(window_);
      throw std::runtime_error("Cannot create an OpenGL 3.3 context for the window: " + reason);
    }
    // Frames are drawn on request, so waiting for the display is cheap; where the driver
    // offers no synchronisation the frame is shown at once.
    if (SDL_GL_SetSwapInterval(-1) != 0) SDL_GL_SetSwapInterval(1);
  }
  id_ = SDL_GetWindowID(window_);
  if (options.min_width > 0 || options.min_height > 0) {
    SetMinimumSize(options.min_width, options.min_height);
  }
  loop_.AddWindow(this);
  resize_pending_ = true;  // the first frame is preceded by the drawable's size
  paint_pending_ = true;
}

TWindow::~TWindow() {
  loop_.RemoveWindow(this);
  if (captured_) SDL_CaptureMouse(SDL_FALSE);
  if (context_) {
    if (SDL_GL_GetCurrentContext() == context_) SDL_GL_MakeCurrent(window_, nullptr);
    SDL_GL_DeleteContext(context_);
  }
  SDL_DestroyWindow(window_);
  if (hand_cursor_ || busy_cursor_) SDL_SetCursor(SDL_GetDefaultCursor());
  if (hand_cursor_) SDL_FreeCursor(hand_cursor_);
  if (busy_cursor_) SDL_FreeCursor(busy_cursor_);
}

std::string TWindow::Title() const {
  return SDL_GetWindowTitle(window_);
}

void TWindow::SetTitle(const std::string& title) {
  SDL_SetWindowTitle(window_, title.c_str());
}

int TWindow::Width() const {
  int w = 0, h = 0;
  SDL_GetWindowSize(window_, &w, &h);
  return w;
}

int TWindow::Height() const {
  int w = 0, h = 0;
  SDL_GetWindowSize(window_, &w, &h);
  return h;
}

void TWindow::SetSize(int width, int height) {
  SDL_SetWindowSize(window_, std::max(1, width), std::max(1, height));
  // Some drivers report the change later or not at all; the next turn checks anyway.
  resize_pending_ = true;
  paint_pending_ = true;
}

void TWindow::SetMinimumSize(int width, int height) {
  SDL_SetWindowMinimumSize(window_, std::max(1, width), std::max(1, height));
}

void TWindow::MinimumSize(int& width, int& height) const {
  SDL_GetWindowMinimumSize(window_, &width, &height);
}

void TWindow::Centre() {
  SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
}

void TWindow::Position(int& x, int& y) const {
  SDL_GetWindowPosition(window_, &x, &y);
}

void TWindow::SetIcon(int width, int height, const std::uint32_t* argb) {
  if (width <= 0 || height <= 0 || !argb) return;
  // SDL copies the pixels (on X11 into _NET_WM_ICON) before it returns.
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
      const_cast<std::uint32_t*>(argb), width, height, 32, width * 4, SDL_PIXELFORMAT_ARGB8888);
  if (!surface) return;  // the window goes on with the desktop's default picture
  SDL_SetWindowIcon(window_, surface);
  SDL_FreeSurface(surface);
}

void TWindow::SetPointer(TPointerShape shape) {
  pointer_ = shape;
  SDL_Cursor* cursor = SDL_GetDefaultCursor();
  if (shape == TPointerShape::Hand) {
    if (!hand_cursor_) hand_cursor_ = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_HAND);
    cursor = hand_cursor_;
  } else if (shape == TPointerShape::Busy) {
    // The arrow with a small clock: the window goes on answering meanwhile.
    if (!busy_cursor_) busy_cursor_ = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_WAITARROW);
    cursor = busy_cursor_;
  }
  if (cursor) SDL_SetCursor(cursor);
}

void TWindow::Show() {
  SDL_ShowWindow(window_);
}

void TWindow::Hide() {
  SDL_HideWindow(window_);
}

bool TWindow::Visible() const {
  return (SDL_GetWindowFlags(window_) & SDL_WINDOW_SHOWN) != 0;
}

bool TWindow::MakeCurrent() {
  if (!context_) return false;
  if (IsCurrent()) return true;
  // The renderer's off-screen context may have been made current behind SDL's back, and SDL
  // skips a switch it believes done: clear its record first.
  if (SDL_GL_GetCurrentContext() == context_) SDL_GL_MakeCurrent(window_, nullptr);
  return SDL_GL_MakeCurrent(window_, context_) == 0;
}

bool TWindow::IsCurrent() const {
  // SDL's contexts are EGL contexts (see TVideoSystem), so EGL knows the truth.
  return context_ != nullptr && eglGetCurrentContext() == static_cast<EGLContext>(context_) &&
         eglGetCurrentSurface(EGL_DRAW) != EGL_NO_SURFACE;
}

void TWindow::SwapBuffers() {
  if (context_) SDL_GL_SwapWindow(window_);
}

namespace {

// The size in pixels of what the window draws into: its OpenGL drawable when it has one.
SDL_Point DrawableSize(SDL_Window* window, bool has_context) {
  SDL_Point size{0, 0};
  if (has_context) {
    SDL_GL_GetDrawableSize(window, &size.x, &size.y);
  } else {
    SDL_GetWindowSizeInPixels(window, &size.x, &size.y);
  }
  return size;
}

}  // namespace

int TWindow::DrawableWidth() const {
  return DrawableSize(window_, context_ != nullptr).x;
}

int TWindow::DrawableHeight() const {
  return DrawableSize(window_, context_ != nullptr).y;
}

void TWindow::TakeKeyboardFocus() {
  SDL_RaiseWindow(window_);
  // Refused by some desktops; the window is still usable without it.
  SDL_SetWindowInputFocus(window_);
}

void TWindow::SetMouseCapture(bool capture) {
  explicit_capture_ = capture;
  UpdateCapture();
}

void TWindow::UpdateCapture() {
  const bool want = MouseCaptureWanted();
  if (want == captured_) return;
  if (want) {
    // Needs the keyboard focus on X11 and is not offered by every driver: without it the
    // moves outside the window are simply not seen.
    captured_ = SDL_CaptureMouse(SDL_TRUE) == 0;
  } else {
    SDL_CaptureMouse(SDL_FALSE);
    captured_ = false;
  }
}

void TWindow::Dispatch(const TInputEvent& event) {
  if (OnInput) RunReportingErrors([&] { OnInput(event); });
}

TShiftState TWindow::ShiftNow() const {
  return static_cast<TShiftState>(ShiftFromSdlModifiers(SDL_GetModState()) | buttons_);
}

void TWindow::SetPointer(float window_x, float window_y) {
  int ww = 0, wh = 0;
  SDL_GetWindowSize(window_, &ww, &wh);
  WindowToDrawable(window_x, window_y, ww, wh, DrawableWidth(), DrawableHeight());
  mouse_x_ = window_x;
  mouse_y_ = window_y;
}

void TWindow::HandleSdlEvent(const SDL_Event& e) {
  TInputEvent ev;
  switch (e.type) {
    case SDL_DROPFILE: {
      // SDL hands over the name, which must be freed whatever the handler does.
      std::unique_ptr<char, decltype(&SDL_free)> file(e.drop.file, &SDL_free);
      if (file && OnDropFile) OnDropFile(file.get());
      return;
    }
    case SDL_WINDOWEVENT:
      HandleWindowEvent(e.window.event);
      return;
    case SDL_MOUSEMOTION:
      SetPointer(static_cast<float>(e.motion.x), static_cast<float>(e.motion.y));
      ev.kind = TInputKind::MouseMove;
      ev.shift = ShiftNow();
      ev.x = mouse_x_;
      ev.y = mouse_y_;
      Dispatch(ev);
      return;
    case SDL_MOUSEBUTTONDOWN:
      DispatchMouseButton(e, true);
      return;
    case SDL_MOUSEBUTTONUP:
      DispatchMouseButton(e, false);
      return;
    case SDL_MOUSEWHEEL: {
      float notches = e.wheel.preciseY != 0.0f ? e.wheel.preciseY : static_cast<float>(e.wheel.y);
      if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
      ev.wheel_delta = static_cast<int>(std::lround(notches * kWheelDeltaPerNotch));
      if (ev.wheel_delta == 0) return;  // a purely horizontal scroll
      ev.kind = TInputKind::MouseWheel;
      ev.shift = ShiftNow();
      ev.x = mouse_x_;
      ev.y = mouse_y_;
      Dispatch(ev);
      return;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      ev.kind = e.type == SDL_KEYDOWN ? TInputKind::KeyDown : TInputKind::KeyUp;
      ev.key = VirtualKeyFromSdl(e.key.keysym.sym);
      ev.shift = static_cast<TShiftState>(ShiftFromSdlModifiers(e.key.keysym.mod) | buttons_);
      ev.repeat = e.key.repeat != 0;
      ev.x = mouse_x_;
      ev.y = mouse_y_;
      Dispatch(ev);
      return;
    case SDL_TEXTINPUT:
      DispatchText(e.text.text);
      return;
    default:
      return;
  }
}

void TWindow::HandleWindowEvent(std::uint8_t kind) {
  TInputEvent ev;
  ev.x = mouse_x_;
  ev.y = mouse_y_;
  switch (kind) {
    case SDL_WINDOWEVENT_SIZE_CHANGED:
    case SDL_WINDOWEVENT_RESIZED:
      resize_pending_ = true;
      paint_pending_ = true;
      return;
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_RESTORED:
      paint_pending_ = true;
      return;
    case SDL_WINDOWEVENT_CLOSE:
      if (OnClose) {
        RunReportingErrors(OnClose);
      } else {
        loop_.Quit();
      }
      return;
    case SDL_WINDOWEVENT_ENTER:
      ev.kind = TInputKind::MouseEnter;
      Dispatch(ev);
      return;
    case SDL_WINDOWEVENT_LEAVE:
      ev.kind = TInputKind::MouseLeave;
      Dispatch(ev);
      return;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      has_focus_ = true;
      ev.kind = TInputKind::FocusIn;
      Dispatch(ev);
      return;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      has_focus_ = false;
      // Buttons released in another window are never reported here.
      buttons_ = 0;
      UpdateCapture();
      ev.kind = TInputKind::FocusOut;
      Dispatch(ev);
      return;
    default:
      return;
  }
}

void TWindow::DispatchMouseButton(const SDL_Event& e, bool down) {
  TMouseButton button;
  TShiftState flag;
  switch (e.button.button) {
    case SDL_BUTTON_LEFT:
      button = mbLeft, flag = ssLeft;
      break;
    case SDL_BUTTON_RIGHT:
      button = mbRight, flag = ssRight;
      break;
    case SDL_BUTTON_MIDDLE:
      button = mbMiddle, flag = ssMiddle;
      break;
    default:
      return;  // side buttons have no use here
  }
  SetPointer(static_cast<float>(e.button.x), static_cast<float>(e.button.y));
  if (down) {
    buttons_ |= flag;
  } else {
    buttons_ &= static_cast<TShiftState>(~flag);
  }
  UpdateCapture();
  TInputEvent ev;
  ev.kind = down ? TInputKind::MouseDown : TInputKind::MouseUp;
  ev.button = button;
  ev.shift = ShiftNow();
  if (down && e.button.clicks >= 2) ev.shift |= ssDouble;
  ev.x = mouse_x_;
  ev.y = mouse_y_;
  Dispatch(ev);
}

void TWindow::DispatchText(const char* utf8) {
  TInputEvent ev;
  ev.kind = TInputKind::Char;
  ev.shift = ShiftNow();
  ev.x = mouse_x_;
  ev.y = mouse_y_;
  TEventLoop& loop = loop_;
  while (*utf8 != '\0' && loop.HasWindow(this)) {
    ev.key_char = NextCodePoint(utf8);
    Dispatch(ev);
  }
}

void TWindow::Update() {
  if (resize_pending_) {
    resize_pending_ = false;
    const int w = DrawableWidth(), h = DrawableHeight();
    if (w != delivered_width_ || h != delivered_height_) {
      delivered_width_ = w;
      delivered_height_ = h;
      if (OnResize) {
        TEventLoop& loop = loop_;
        MakeCurrent();
        RunReportingErrors([&] { OnResize(w, h); });
        if (!loop.HasWindow(this)) return;  // the handler closed the window
      }
      paint_pending_ = true;
    }
  }
  if (paint_pending_) {
    paint_pending_ = false;
    ++frames_;
    if (OnPaint) {
      MakeCurrent();
      RunReportingErrors(OnPaint);
    }
  }
}
