// TMainWindow: the program's desktop window. It builds the window component (TfrmMain), opens
// a desktop window of the form's size with an OpenGL context, shows the form's scene in it,
// lets the desktop's dialogs and browser serve the form, and opens models and recipes dropped
// on it. Ctrl+O loads, Ctrl+S saves, Ctrl+Shift+S saves a recipe, Ctrl+Q quits and F1 opens
// the help page.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/main_form.h"
#include "app/program_files.h"
#include "platform/shell.h"
#include "ui/shown_text.h"

class TEventLoop;
class TWindow;
class TglSurfaceTarget;
class TgkSceneWindow;

class TMainWindow {
 public:
  // Dialogs: nullptr for the desktop's own (GTK). Raises when no window can be opened.
  explicit TMainWindow(TEventLoop& loop, TDialogService* dialogs = nullptr, bool visible = true);
  ~TMainWindow();
  TMainWindow(const TMainWindow&) = delete;
  TMainWindow& operator=(const TMainWindow&) = delete;

  TfrmMain& Form() { return *form_; }
  TWindow& Window() { return *window_; }
  // Runs the event loop until the window is closed.
  void Run();

 private:
  // Runs the command of a shortcut key; False when the key is none.
  bool Shortcut(const TInputEvent& e);

  TEventLoop& loop_;
  std::unique_ptr<TDialogService> own_dialogs_;
  std::unique_ptr<TfrmMain> form_;
  std::unique_ptr<TWindow> window_;
  std::unique_ptr<TglSurfaceTarget> target_;
  std::unique_ptr<TgkSceneWindow> link_;
  TErrorReporter previous_reporter_;
  TTextTranslator previous_translator_;
};

// Opens the window (with Model, a model or a recipe, opened when given) and runs it; returns the
// exit status.
int RunMainWindow(const std::optional<std::string>& model);
