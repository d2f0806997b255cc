// facetmint: 3D models to application icons.
#include <iostream>
#include <string>
#include <vector>

#include "app/cli.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return RunFacetmint(args, std::cout, std::cerr);
}
