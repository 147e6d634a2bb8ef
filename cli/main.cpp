// runwell-cli: the estimate without a window, for scripts. Each command lives in its own file.

#include <iostream>
#include <new>

#include "Command.h"
#include "CommandLine.h"
#include "platform/Platform.h"

int main(int argc, char** argv) {
    // Reports go to standard output byte for byte, CR LF line ends included, on every system.
    runwell::UseBinaryStandardStreams();
    try {
        return runwell::cli::RunCommandLine(runwell::CommandLineArguments(argc, argv), std::cout,
                                            std::cerr);
    } catch (const std::bad_alloc&) {
        // Readers refuse what they cannot hold with a message of their own; this is the last
        // word for anything else, so the tool never ends on an abort.
        std::cerr << "runwell-cli: Not enough memory to finish the command.\n";
        return runwell::cli::kFailed;
    }
}
