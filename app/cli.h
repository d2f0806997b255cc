// Runs the facetmint command line (see command_line.h) against one workbench. Errors go
// to err as "facetmint: FILE: reason" with status 1; usage errors print the usage with
// status 2.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// args without the program name; returns the exit status.
int RunFacetmint(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
