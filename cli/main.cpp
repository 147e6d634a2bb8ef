// runwell-cli: the estimate without a window, for scripts. Each command lives in its own file.

#include <iostream>

#include "CommandLine.h"
#include "platform/Platform.h"

int main(int argc, char** argv) {
    // Reports go to standard output byte for byte, CR LF line ends included, on every system.
    runwell::UseBinaryStandardStreams();
    return runwell::cli::RunCommandLine(runwell::CommandLineArguments(argc, argv), std::cout,
                                        std::cerr);
}
