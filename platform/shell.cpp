#include "platform/shell.h"

#include <SDL.h>

#include <cstdio>
#include <stdexcept>
#include <utility>

namespace {

std::string& Title() {
  static std::string title = "Facetmint";
  return title;
}

TErrorReporter& Reporter() {
  static TErrorReporter reporter;
  return reporter;
}

}  // namespace

const std::string& ApplicationTitle() {
  return Title();
}

void SetApplicationTitle(const std::string& title) {
  Title() = title;
}

bool ShellOpen(const std::string& url) {
  if (url.empty()) return false;
  return SDL_OpenURL(url.c_str()) == 0;
}

void ShowErrorMessage(const std::string& message) {
  // The box needs a running video subsystem; without one SDL reports an error and the
  // message still reaches the user through standard error.
  if (SDL_WasInit(SDL_INIT_VIDEO) != 0 &&
      SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, Title().c_str(), message.c_str(),
                               SDL_GL_GetCurrentWindow()) == 0) {
    return;
  }
  std::fprintf(stderr, "%s: %s\n", Title().c_str(), message.c_str());
}

std::string ExceptionMessage(std::exception_ptr error) {
  if (!error) return "Unknown error";
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    std::string text = e.what();
    return text.empty() ? "Unknown error" : text;
  } catch (...) {
    return "Unknown error";
  }
}

TErrorReporter SetErrorReporter(TErrorReporter reporter) {
  return std::exchange(Reporter(), std::move(reporter));
}

void ReportException(std::exception_ptr error) {
  const std::string message = ExceptionMessage(error);
  try {
    if (Reporter()) {
      Reporter()(message);
    } else {
      ShowErrorMessage(message);
    }
  } catch (...) {
    std::fprintf(stderr, "%s: %s (the error report failed: %s)\n", Title().c_str(), message.c_str(),
                 ExceptionMessage(std::current_exception()).c_str());
  }
}

bool RunReportingErrors(const std::function<void()>& handler) {
  try {
    handler();
    return true;
  } catch (...) {
    ReportException(std::current_exception());
    return false;
  }
}
