// qmpack: builds and checks the installation media of the setup program.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "qmpack/cli.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return qmpack::RunQmpack(args, std::cout, std::cerr, isatty(STDERR_FILENO) != 0);
}
