// The desktop's own dialogs through GTK 3. GTK is started on first use; when it cannot start
// (no display), every dialog answers "cancelled". Each dialog is modal and transient for the
// program's window, and while it is open the window keeps drawing: the keep-alive call runs
// about sixty times a second from inside the dialog's own loop.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/dialogs.h"

class TEventLoop;
class TWindow;

// GTK colour channels (0 to 1) and the dialogs' 0x00BBGGRR.
std::uint32_t ColorRefFromChannels(double red, double green, double blue);
void ChannelsFromColorRef(std::uint32_t color, double& red, double& green, double& blue);

// The keep-alive for a window of Loop: drops the input that would start something in the
// window behind the modal dialog (presses, moves, wheel, keys, text, dropped files) and runs
// one turn of the loop, so that timers, animations and repaints go on. Releases pass, so that
// no button or key stays held down in the window's eyes.
std::function<void()> ModalKeepAlive(TEventLoop& loop);

// GTK's file chooser stores its settings through GSettings, whose dconf backend needs a
// session bus: without one it warns on the terminal at every change. This keeps them in
// memory then. Call before any thread starts (it sets GSETTINGS_BACKEND) and before GTK.
void KeepGtkSettingsInMemoryWithoutSessionBus();

// Whether the file type list entry, as the dialogs hand it to GTK, shows File.
bool GtkFilterMatches(const TFileFilter& entry, const std::string& file_name);

class TGtkDialogService : public TDialogService {
 public:
  // Parent may be null (no transient parent); KeepAlive may be empty.
  explicit TGtkDialogService(TWindow* parent = nullptr, std::function<void()> keep_alive = {});
  ~TGtkDialogService() override;
  TGtkDialogService(const TGtkDialogService&) = delete;
  TGtkDialogService& operator=(const TGtkDialogService&) = delete;

  // Starts GTK once per process; False when no display can be opened.
  static bool Available();

  std::optional<std::string> OpenFile(const TOpenFileRequest& request) override;
  std::optional<std::string> SaveFile(const TSaveFileRequest& request) override;
  std::optional<std::uint32_t> ChooseColor(std::uint32_t initial) override;
  std::optional<std::string> ChooseFolder(const std::string& title) override;
  bool Confirm(const std::string& question) override;
  // Without a display the message goes to standard error.
  void ShowError(const std::string& message) override;
  void ShowWarning(const std::string& message) override;

  // Closes the dialog that is open as if the user had cancelled it (for example when the
  // program is asked to quit meanwhile). Nothing happens when none is open.
  void CancelOpenDialog();
  bool DialogOpen() const { return current_ != nullptr; }
  // While Closing answers true (the program was asked to quit, by a signal for example), an
  // open dialog is cancelled within a keep-alive period and no further dialog opens.
  void SetClosing(std::function<bool()> closing) { closing_ = std::move(closing); }

 private:
  int Run(void* dialog);
  // A message box of a GtkMessageType (GTK's header stays out of this one).
  void ShowMessage(int type, const std::string& message);

  TWindow* parent_;
  std::function<void()> keep_alive_;
  std::function<bool()> closing_;
  void* current_ = nullptr;  // the GtkDialog being run
  bool in_keep_alive_ = false;
};
