// The window program's command: facetmint-window [MODEL]. Opens the window when the display
// can be opened; a display that cannot is reported as "facetmint: display NAME: cannot be
// opened (reason)" with status 1.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// args without the program name; returns the exit status.
int RunWindowCommand(const std::vector<std::string>& args, std::ostream& err);
