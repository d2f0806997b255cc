// facetmint-window: the window of facetmint, started by the facetmint command when a display
// is there.
#include <iostream>
#include <string>
#include <vector>

#include "app/window_command.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return RunWindowCommand(args, std::cerr);
}
