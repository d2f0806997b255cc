#include "platform/gtk_dialogs.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/event_loop.h"
#include "platform/shell.h"
#include "platform/window.h"

// The X11 headers come last: their macros (FocusIn, None, ...) clash with our names.
#include <SDL.h>
#include <SDL_syswm.h>
#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

namespace {

constexpr guint kKeepAliveMs = 16;

// GTK's own words for its buttons, in the user's language.
const char* GtkText(const char* msgid) {
  return g_dgettext("gtk30", msgid);
}

std::string TitleOr(const std::string& title) {
  return title.empty() ? ApplicationTitle() : title;
}

std::uint8_t ChannelByte(double v) {
  if (!(v > 0)) return 0;  // also NaN
  if (v >= 1) return 255;
  return static_cast<std::uint8_t>(std::lround(v * 255.0));
}

GtkFileFilter* MakeGtkFilter(const TFileFilter& entry) {
  GtkFileFilter* filter = gtk_file_filter_new();
  gtk_file_filter_set_name(filter, entry.name.c_str());
  for (const std::string& pattern : entry.patterns) {
    gtk_file_filter_add_pattern(filter, CaseInsensitivePattern(pattern).c_str());
  }
  return filter;
}

void AddFilters(GtkFileChooser* chooser, const std::vector<TFileFilter>& filters, int index) {
  for (std::size_t i = 0; i < filters.size(); ++i) {
    GtkFileFilter* filter = MakeGtkFilter(filters[i]);
    gtk_file_chooser_add_filter(chooser, filter);  // takes the floating reference
    if (static_cast<int>(i) == index) gtk_file_chooser_set_filter(chooser, filter);
  }
}

std::string TakeFileName(GtkFileChooser* chooser) {
  gchar* name = gtk_file_chooser_get_filename(chooser);
  if (name == nullptr) return {};
  std::string result = name;
  g_free(name);
  return result;
}

void MakeTransient(GtkWidget* dialog, TWindow* parent) {
#ifdef GDK_WINDOWING_X11
  if (parent == nullptr) return;
  SDL_Window* window = SDL_GetWindowFromID(parent->Id());
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (window == nullptr || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) {
    return;  // another desktop: the dialog is still modal, only not tied to our window
  }
  GdkDisplay* display = gtk_widget_get_display(dialog);
  if (!GDK_IS_X11_DISPLAY(display)) return;
  gtk_widget_realize(dialog);
  GdkWindow* foreign = gdk_x11_window_foreign_new_for_display(display, info.info.x11.window);
  if (foreign == nullptr) return;
  gdk_window_set_transient_for(gtk_widget_get_window(dialog), foreign);
  // The foreign window lives as long as the dialog that points at it.
  g_object_set_data_full(G_OBJECT(dialog), "facetmint-parent", foreign, g_object_unref);
#else
  (void)dialog;
  (void)parent;
#endif
}

// Runs GTK's pending work, so that a destroyed dialog leaves the screen although no GTK main
// loop runs between dialogs.
void FlushGtk() {
  for (int i = 0; i < 1000 && g_main_context_iteration(nullptr, FALSE); ++i) {
  }
}

// Owns a dialog widget until the end of the scope.
struct TDialogHolder {
  GtkWidget* widget;
  ~TDialogHolder() {
    gtk_widget_destroy(widget);
    FlushGtk();
  }
};

}  // namespace

std::uint32_t ColorRefFromChannels(double red, double green, double blue) {
  return static_cast<std::uint32_t>(ChannelByte(red)) |
         static_cast<std::uint32_t>(ChannelByte(green)) << 8 |
         static_cast<std::uint32_t>(ChannelByte(blue)) << 16;
}

void ChannelsFromColorRef(std::uint32_t color, double& red, double& green, double& blue) {
  red = (color & 0xFF) / 255.0;
  green = ((color >> 8) & 0xFF) / 255.0;
  blue = ((color >> 16) & 0xFF) / 255.0;
}

bool GtkFilterMatches(const TFileFilter& entry, const std::string& file_name) {
  GtkFileFilter* filter = MakeGtkFilter(entry);
  g_object_ref_sink(filter);
  GtkFileFilterInfo info{};
  info.contains = GTK_FILE_FILTER_DISPLAY_NAME;
  info.display_name = file_name.c_str();
  const bool matches = gtk_file_filter_filter(filter, &info);
  g_object_unref(filter);
  return matches;
}

std::function<void()> ModalKeepAlive(TEventLoop& loop) {
  return [&loop] {
    SDL_PumpEvents();
    SDL_FlushEvent(SDL_MOUSEMOTION);
    SDL_FlushEvent(SDL_MOUSEBUTTONDOWN);
    SDL_FlushEvent(SDL_MOUSEWHEEL);
    SDL_FlushEvent(SDL_KEYDOWN);
    SDL_FlushEvents(SDL_TEXTEDITING, SDL_TEXTINPUT);
    SDL_FlushEvents(SDL_DROPFILE, SDL_DROPCOMPLETE);
    loop.ProcessPending();
  };
}

TGtkDialogService::TGtkDialogService(TWindow* parent, std::function<void()> keep_alive)
    : parent_(parent), keep_alive_(std::move(keep_alive)) {}

TGtkDialogService::~TGtkDialogService() = default;

bool TGtkDialogService::Available() {
  static const bool available = [] {
    // Our window is an X11 one whenever SDL runs on X11 (XWayland included): GTK must be
    // too, or its dialogs cannot be tied to it.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver != nullptr && std::strcmp(driver, "x11") == 0) gdk_set_allowed_backends("x11,*");
    return gtk_init_check(nullptr, nullptr) != FALSE;
  }();
  return available;
}

void KeepGtkSettingsInMemoryWithoutSessionBus() {
  const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (bus != nullptr && *bus != '\0') return;
  // GDBus also finds a session bus at $XDG_RUNTIME_DIR/bus (systemd's user bus).
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime) {
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::path(runtime) / "bus", error)) return;
  }
  ::setenv("GSETTINGS_BACKEND", "memory", 0);  // a backend the user chose stays
}

int TGtkDialogService::Run(void* dialog) {
  GtkDialog* d = GTK_DIALOG(dialog);
  if (closing_ && closing_()) return GTK_RESPONSE_CANCEL;
  gtk_window_set_modal(GTK_WINDOW(d), TRUE);
  if (gtk_window_get_transient_for(GTK_WINDOW(d)) == nullptr) MakeTransient(GTK_WIDGET(d), parent_);
  void* outer = current_;
  current_ = dialog;
  const guint source = g_timeout_add(
      kKeepAliveMs,
      [](gpointer data) -> gboolean {
        auto* self = static_cast<TGtkDialogService*>(data);
        // No exception may cross GTK's C frames; a nested dialog opened by the window's own
        // work must not run the window again from inside.
        if (self->keep_alive_ && !self->in_keep_alive_) {
          self->in_keep_alive_ = true;
          RunReportingErrors(self->keep_alive_);
          self->in_keep_alive_ = false;
        }
        if (self->closing_ && self->closing_()) self->CancelOpenDialog();
        return G_SOURCE_CONTINUE;
      },
      this);
  const int response = gtk_dialog_run(d);
  g_source_remove(source);
  current_ = outer;
  return response;
}

void TGtkDialogService::CancelOpenDialog() {
  if (current_ != nullptr) gtk_dialog_response(GTK_DIALOG(current_), GTK_RESPONSE_CANCEL);
}

std::optional<std::string> TGtkDialogService::OpenFile(const TOpenFileRequest& request) {
  const std::vector<TFileFilter> filters = ParseFileFilter(request.filter);
  if (!Available()) return std::nullopt;
  TDialogHolder dialog{gtk_file_chooser_dialog_new(
      TitleOr(request.title).c_str(), nullptr, GTK_FILE_CHOOSER_ACTION_OPEN, GtkText("_Cancel"),
      GTK_RESPONSE_CANCEL, GtkText("_Open"), GTK_RESPONSE_ACCEPT, nullptr)};
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog.widget);
  gtk_file_chooser_set_local_only(chooser, TRUE);
  AddFilters(chooser, filters, request.filter_index);
  if (Run(dialog.widget) != GTK_RESPONSE_ACCEPT) return std::nullopt;
  std::string name = TakeFileName(chooser);
  if (name.empty()) return std::nullopt;
  return name;
}

std::optional<std::string> TGtkDialogService::SaveFile(const TSaveFileRequest& request) {
  const std::vector<TFileFilter> filters = ParseFileFilter(request.filter);
  if (!Available()) return std::nullopt;
  TDialogHolder dialog{gtk_file_chooser_dialog_new(
      TitleOr(request.title).c_str(), nullptr, GTK_FILE_CHOOSER_ACTION_SAVE, GtkText("_Cancel"),
      GTK_RESPONSE_CANCEL, GtkText("_Save"), GTK_RESPONSE_ACCEPT, nullptr)};
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog.widget);
  gtk_file_chooser_set_local_only(chooser, TRUE);
  gtk_file_chooser_set_do_overwrite_confirmation(chooser, request.confirm_overwrite);
  AddFilters(chooser, filters, 0);
  if (!request.file_name.empty())
    gtk_file_chooser_set_current_name(chooser, request.file_name.c_str());
  while (true) {
    if (Run(dialog.widget) != GTK_RESPONSE_ACCEPT) return std::nullopt;
    const std::string typed = TakeFileName(chooser);
    if (typed.empty()) return std::nullopt;
    const std::string name = WithDefaultExtension(typed, request.default_extension);
    // GTK asked about the name as typed; a file under the completed name must be asked about
    // here, or it would be replaced unasked.
    std::error_code error;
    if (name == typed || !request.confirm_overwrite || !std::filesystem::exists(name, error)) {
      return name;
    }
    const std::string base = std::filesystem::path(name).filename().string();
    TDialogHolder question{gtk_message_dialog_new(
        GTK_WINDOW(dialog.widget), GTK_DIALOG_DESTROY_WITH_PARENT, GTK_MESSAGE_QUESTION,
        GTK_BUTTONS_NONE, GtkText("A file named “%s” already exists.  Do you want to replace it?"),
        base.c_str())};
    gtk_dialog_add_buttons(GTK_DIALOG(question.widget), GtkText("_Cancel"), GTK_RESPONSE_CANCEL,
                           GtkText("_Replace"), GTK_RESPONSE_ACCEPT, nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(question.widget), GTK_RESPONSE_ACCEPT);
    if (Run(question.widget) == GTK_RESPONSE_ACCEPT) return name;
    // Declined: the chooser comes back with the completed name to change.
    gtk_file_chooser_set_current_name(chooser, base.c_str());
  }
}

std::optional<std::uint32_t> TGtkDialogService::ChooseColor(std::uint32_t initial) {
  if (!Available()) return std::nullopt;
  TDialogHolder dialog{gtk_color_chooser_dialog_new(ApplicationTitle().c_str(), nullptr)};
  GtkColorChooser* chooser = GTK_COLOR_CHOOSER(dialog.widget);
  gtk_color_chooser_set_use_alpha(chooser, FALSE);
  GdkRGBA rgba{};
  ChannelsFromColorRef(initial, rgba.red, rgba.green, rgba.blue);
  rgba.alpha = 1;
  gtk_color_chooser_set_rgba(chooser, &rgba);
  if (Run(dialog.widget) != GTK_RESPONSE_OK) return std::nullopt;
  gtk_color_chooser_get_rgba(chooser, &rgba);
  return ColorRefFromChannels(rgba.red, rgba.green, rgba.blue);
}

std::optional<std::string> TGtkDialogService::ChooseFolder(const std::string& title) {
  if (!Available()) return std::nullopt;
  TDialogHolder dialog{gtk_file_chooser_dialog_new(
      TitleOr(title).c_str(), nullptr, GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, GtkText("_Cancel"),
      GTK_RESPONSE_CANCEL, GtkText("_Select"), GTK_RESPONSE_ACCEPT, nullptr)};
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog.widget);
  gtk_file_chooser_set_local_only(chooser, TRUE);
  gtk_file_chooser_set_create_folders(chooser, TRUE);
  if (Run(dialog.widget) != GTK_RESPONSE_ACCEPT) return std::nullopt;
  std::string name = TakeFileName(chooser);
  if (name.empty()) return std::nullopt;
  return name;
}

bool TGtkDialogService::Confirm(const std::string& question) {
  if (!Available()) return false;
  TDialogHolder dialog{gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_QUESTION,
                                              GTK_BUTTONS_NONE, "%s", question.c_str())};
  gtk_window_set_title(GTK_WINDOW(dialog.widget), ApplicationTitle().c_str());
  gtk_dialog_add_buttons(GTK_DIALOG(dialog.widget), GtkText("_Cancel"), GTK_RESPONSE_CANCEL,
                         GtkText("_Replace"), GTK_RESPONSE_ACCEPT, nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog.widget), GTK_RESPONSE_CANCEL);
  return Run(dialog.widget) == GTK_RESPONSE_ACCEPT;
}

void TGtkDialogService::ShowError(const std::string& message) {
  ShowMessage(GTK_MESSAGE_ERROR, message);
}

void TGtkDialogService::ShowWarning(const std::string& message) {
  ShowMessage(GTK_MESSAGE_WARNING, message);
}

void TGtkDialogService::ShowMessage(int type, const std::string& message) {
  if (!Available()) {
    ShowErrorMessage(message);
    return;
  }
  TDialogHolder dialog{gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL,
                                              static_cast<GtkMessageType>(type), GTK_BUTTONS_CLOSE,
                                              "%s", message.c_str())};
  gtk_window_set_title(GTK_WINDOW(dialog.widget), ApplicationTitle().c_str());
  Run(dialog.widget);
}
