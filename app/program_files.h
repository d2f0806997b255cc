// Where the program's own files are: beside the command in the build folder, or under the
// installation prefix (bin/, libexec/facetmint/, share/facetmint/).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The folder of the running executable; empty when /proc cannot say.
std::filesystem::path ExecutableDir();

// The share/ folders an installed program's files may be in: the command runs from bin/, the
// window program from libexec/facetmint/.
std::vector<std::filesystem::path> InstalledShareDirs();

// The address of the help page shipped with the program (installed, or in the source tree for
// a program run from its build folder) in Language ("en": index.html, "zh_CN":
// index.zh_CN.html); empty when none is found.
std::string HelpPageUrl(const std::string& language = "en");

// The program that shows the window (it links the desktop libraries the command line does
// without); empty when it is not found.
std::filesystem::path WindowProgram();
