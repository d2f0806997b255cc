#include "app/window_launch.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <stdexcept>
#include <vector>

#include "app/program_files.h"

void ExecWindowProgram(const std::optional<std::string>& model) {
  const std::filesystem::path program = WindowProgram();
  if (program.empty()) {
    throw std::runtime_error("the window program (facetmint-window) is not installed beside " +
                             ExecutableDir().string());
  }
  std::vector<std::string> args = {program.string()};
  if (model) args.push_back(*model);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  std::cout.flush();
  std::cerr.flush();
  execv(argv[0], argv.data());
  throw std::runtime_error("cannot start " + program.string() + ": " + std::strerror(errno));
}
