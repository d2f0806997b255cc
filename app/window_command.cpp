#include "app/window_command.h"

#include <new>
#include <optional>
#include <stdexcept>

#include "app/main_window.h"
#include "platform/display_probe.h"
#include "platform/gtk_dialogs.h"
#include "platform/video_system.h"

namespace {

// Whether the desktop can show a window; Why says why not.
bool WindowAvailable(std::string& why) {
  try {
    TVideoSystem video;
    return true;
  } catch (const std::exception& e) {
    why = e.what();
    return false;
  }
}

}  // namespace

int RunWindowCommand(const std::vector<std::string>& args, std::ostream& err) {
  std::optional<std::string> model;
  if (!args.empty()) model = args.front();
  KeepGtkSettingsInMemoryWithoutSessionBus();
  try {
    std::string why;
    if (!WindowAvailable(why)) {
      const std::string said = "Cannot open the display: ";
      if (why.rfind(said, 0) == 0) why.erase(0, said.size());
      err << "facetmint: display " << ConfiguredDisplay().name << ": cannot be opened (" << why
          << ")\n";
      return 1;
    }
    return RunMainWindow(model);
  } catch (const std::bad_alloc&) {
    err << "facetmint: out of memory\n";
  } catch (const std::exception& e) {
    err << "facetmint: " << e.what() << "\n";
  }
  return 1;
}
