// Facetmint's helper programs (the guarded model reader and texture decoder) are found
// where the program itself is: beside it (the build tree, a relocated install), in
// ../libexec/facetmint/ from it (an install), or at the paths the build knew.
#pragma once

#include <string>
#include <vector>

// The first of those places where name is an executable file; "" when none is.
std::string FindHelperProgram(const std::string& name, const std::vector<std::string>& known);
