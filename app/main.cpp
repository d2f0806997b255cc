// facetmint: 3D models to application icons.
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "app/cli.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const int status = RunFacetmint(args, std::cout, std::cerr);
  // Every file is written and committed by now; tearing down the shared OpenGL context and
  // the libraries' static state would only cost time (a tenth of a render's samples).
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
  _exit(status);
}
