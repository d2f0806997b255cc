// The command line hands the window over to the window program (facetmint-window), so that
// the command-line paths never load the desktop libraries (GTK, SDL, X11) it needs.
#pragma once

#include <optional>
#include <string>

// Replaces this process with the window program, Model loaded when given. Returns only on
// failure, raising std::runtime_error with the reason.
void ExecWindowProgram(const std::optional<std::string>& model);
