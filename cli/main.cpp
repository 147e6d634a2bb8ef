// runwell-cli: the estimate without a window, for scripts. Each command lives in its own file.

#include <iostream>

#include "CommandLine.h"

int main(int argc, char** argv) {
    return runwell::cli::RunCommandLine(argc, argv, std::cout, std::cerr);
}
