#include "app/main_window.h"

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <span>
#include <system_error>
#include <vector>

#include "app/embedded.h"
#include "app/program_files.h"
#include "app/translation.h"
#include "core/stream.h"
#include "imaging/bitmap.h"
#include "imaging/straight_alpha.h"
#include "platform/display_scale.h"
#include "platform/event_loop.h"
#include "platform/gtk_dialogs.h"
#include "platform/shell.h"
#include "platform/window.h"
#include "render/gl_canvas.h"
#include "render/gl_surface_target.h"
#include "scene/scene.h"
#include "scene/scene_window.h"
#include "ui/shown_text.h"

namespace {

// The program's icon (the one installed for the desktop) on the window.
void SetProgramIcon(TWindow& window) {
  std::span<const unsigned char> bytes = EmbeddedResource("facetmint.png");
  TMemoryStream stream(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  TpmBitmap icon(1, 1);
  if (!icon.LoadFromStream(stream)) return;  // the desktop's default picture then
  ToStraightAlpha(icon);
  window.SetIcon(icon.Width(), icon.Height(), icon.Pixels());
}

// The window's sizes were given in device pixels, which are its units on X11. Where the
// windowing library counts a window in the desktop's logical pixels and enlarges the drawable
// itself (Wayland at an output scale above 1), they are converted to those units before the
// first frame, or the window would open enlarged twice.
void SizeInDevicePixels(TWindow& window, const TWindowOptions& options) {
  const int window_width = window.Width(), window_height = window.Height();
  const int drawable_width = window.DrawableWidth(), drawable_height = window.DrawableHeight();
  if (window_width == drawable_width && window_height == drawable_height) return;
  auto to_units = [&](int& width, int& height) {
    float x = static_cast<float>(width), y = static_cast<float>(height);
    WindowToDrawable(x, y, drawable_width, drawable_height, window_width, window_height);
    width = static_cast<int>(std::lround(x));
    height = static_cast<int>(std::lround(y));
  };
  // The minimum first: the library keeps a new size within the one in force.
  if (options.min_width > 0 || options.min_height > 0) {
    int min_width = options.min_width, min_height = options.min_height;
    to_units(min_width, min_height);
    window.SetMinimumSize(min_width, min_height);
  }
  int width = options.width, height = options.height;
  to_units(width, height);
  window.SetSize(width, height);
}

}  // namespace

TMainWindow::TMainWindow(TEventLoop& loop, TDialogService* dialogs, bool visible) : loop_(loop) {
  InstallOpenGLRenderer();
  SetUpTranslation();
  TMainFormServices services;
  services.OpenUrl = [](const std::string& url) { return !url.empty() && ShellOpen(url); };
  services.HelpUrl = HelpPageUrl(WindowLanguage());
  services.Dialogs = dialogs;
  form_ = std::make_unique<TfrmMain>(services, loop.Timers());

  const float scale = DisplayScale();
  form_->SetDisplayScale(scale);
  auto device = [scale](int design) { return static_cast<int>(std::lround(design * scale)); };
  TWindowOptions options;
  options.title = form_->Caption();
  options.width = device(form_->ClientWidth());
  options.height = device(form_->ClientHeight());
  options.min_width = device(form_->MinClientWidth());
  options.min_height = device(form_->MinClientHeight());
  options.centred = form_->Centred();
  options.visible = visible;
  window_ = std::make_unique<TWindow>(loop, options);
  SizeInDevicePixels(*window_, options);
  SetProgramIcon(*window_);
  form_->SetShowPointer([this](TPointerShape shape) { window_->SetPointer(shape); });
  if (!dialogs) {
    auto gtk = std::make_unique<TGtkDialogService>(window_.get(), ModalKeepAlive(loop));
    // A quit request (SIGTERM and SIGINT arrive as one) closes an open dialog too, so that
    // the program ends.
    gtk->SetClosing([&loop] { return loop.QuitRequested(); });
    own_dialogs_ = std::move(gtk);
    form_->SetDialogs(own_dialogs_.get());
    dialogs = own_dialogs_.get();
  }

  target_ = std::make_unique<TglSurfaceTarget>(*window_);
  link_ = std::make_unique<TgkSceneWindow>(*window_, form_->Scene(), *target_);
  // The scene lays its layers out first, then the form places the hint.
  auto scene_resize = window_->OnResize;
  window_->OnResize = [this, scene_resize](int w, int h) {
    if (scene_resize) scene_resize(w, h);
    if (form_->OnResize) form_->OnResize(form_.get());
  };
  window_->OnDropFile = [this](const std::string& path) { form_->OpenFile(path); };
  // The desktop's usual keys for the tool bar's commands; everything else goes to the scene.
  auto scene_input = window_->OnInput;
  window_->OnInput = [this, scene_input](const TInputEvent& e) {
    if (e.kind == TInputKind::KeyDown && !e.repeat && Shortcut(e)) return;
    if (form_->PreviewKey(e)) return;
    if (scene_input) scene_input(e);
  };
  if (form_->OnResize) form_->OnResize(form_.get());
  // Errors of the window's work appear in the dialogs' message box, over the window, in its
  // language; the window's texts are shown in it too (last, so that a constructor that throws
  // leaves neither behind).
  previous_reporter_ = SetErrorReporter(
      [dialogs](const std::string& message) { dialogs->ShowError(TrMessage(message)); });
  previous_translator_ = SetTextTranslator([](const std::string& text) { return Tr(text); });
}

TMainWindow::~TMainWindow() {
  SetErrorReporter(std::move(previous_reporter_));
  if (window_) {
    window_->OnResize = nullptr;
    window_->OnDropFile = nullptr;
    window_->OnInput = nullptr;
  }
  link_.reset();  // before the scene, the surface and the window
  form_.reset();  // the scene and its window canvas
  own_dialogs_.reset();
  target_.reset();
  window_.reset();
  SetTextTranslator(std::move(previous_translator_));
}

bool TMainWindow::Shortcut(const TInputEvent& e) {
  const bool ctrl = (e.shift & (ssCtrl | ssAlt | ssShift)) == ssCtrl;
  const bool ctrl_shift = (e.shift & (ssCtrl | ssAlt | ssShift)) == (ssCtrl | ssShift);
  if (ctrl && e.key == 'O') {
    form_->btnLoadClick(form_.get());
  } else if (ctrl && e.key == 'S') {
    form_->btnSaveClick(form_.get());
  } else if (ctrl_shift && e.key == 'S') {
    form_->SaveRecipe();
  } else if (ctrl && e.key == 'Q') {
    loop_.Quit();
  } else if (e.key == vkF1 && !(e.shift & (ssCtrl | ssAlt | ssShift))) {
    form_->BitmapButton1Click(form_.get());
  } else if (e.key == 'F' && !(e.shift & (ssCtrl | ssAlt | ssShift))) {
    form_->FitIcon();
  } else {
    return false;
  }
  return true;
}

void TMainWindow::Run() {
  loop_.ResetQuit();
  loop_.Run();
}

int RunMainWindow(const std::optional<std::string>& model) {
  TEventLoop loop;
  TMainWindow window(loop);
  if (model) {
    // A model or recipe named on the command line must exist; a broken one is reported like
    // any other load error, and the window opens with the round cube.
    std::error_code error;
    if (!std::filesystem::exists(*model, error))
      ReportException(std::make_exception_ptr(std::runtime_error(*model + ": no such file")));
    else if (RunReportingErrors([&] { window.Form().OpenFile(*model); }))
      window.Form().UpdateTimerTimer();  // the first frame shows the model's icons at once
    // A quit request (SIGTERM, SIGINT) closed the message about a broken file: the program
    // ends instead of running on with the round cube.
    if (loop.QuitRequested()) return 0;
  }
  window.Run();
  return 0;
}
