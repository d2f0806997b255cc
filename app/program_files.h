// Where the program's own files are: beside the command in the build folder, or under the
// installation prefix (bin/, libexec/facetmint/, share/facetmint/).
#pragma once

#include <filesystem>
#include <string>

// The folder of the running executable; empty when /proc cannot say.
std::filesystem::path ExecutableDir();

// The address of the help page shipped with the program (installed beside it, or in the
// source tree for a program run from its build folder); empty when none is found.
std::string HelpPageUrl();

// The program that shows the window (it links the desktop libraries the command line does
// without); empty when it is not found.
std::filesystem::path WindowProgram();
