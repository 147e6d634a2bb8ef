// runwell-cli: the estimate without a window, for scripts.

#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Commands.h"
#include "model/BuildInfo.h"
#include "model/DataLocation.h"
#include "TraceCommand.h"
#include "model/DeviceCatalogue.h"
#include "model/Platform.h"

namespace {

constexpr const char* kUsage =
    "Usage:\n"
    "  runwell-cli report SETTINGS [--data DIR] [-o FILE] [--verbose]\n"
    "      Loads the settings file SETTINGS as the Load Settings button does and writes the\n"
    "      report that Create Report would write then: to standard output, or to FILE\n"
    "      (\".txt\" is appended when FILE holds no '.').\n"
    "  runwell-cli refresh SETTINGS OUTPUT [--data DIR] [--verbose]\n"
    "      Loads SETTINGS, recomputes every mode from the current device data as if it were\n"
    "      opened in the mode editor and confirmed unchanged, and saves the profile to OUTPUT\n"
    "      (\".set\" is appended when OUTPUT holds no '.'). A mode that cannot be recomputed\n"
    "      is kept as it was and named on standard error.\n"
    RUNWELL_TRACE_USAGE
    "  runwell-cli --help\n"
    "  runwell-cli --version\n"
    "\n"
    "DIR holds Data/, StandardBattery.csv and CustomBattery.csv (created when missing), as\n"
    "the program's own folder does. Without --data: the folder of runwell-cli when it holds\n"
    "Data/; else the installed data in ../share/runwell beside it, with CustomBattery.csv in\n"
    "$XDG_DATA_HOME/runwell (default ~/.local/share/runwell).\n"
    "Messages go to standard error; --verbose also names a CustomBattery.csv that could not\n"
    "be created. Exit status: 0 done; 1 a load, refresh or write failed (nothing written);\n"
    "2 usage error.\n";

int UsageError(const std::string& problem) {
    std::cerr << "runwell-cli: " << problem << "\n\n" << kUsage;
    return runwell::cli::kUsage;
}

}  // namespace

int main(int argc, char** argv) {
    // Reports go to standard output byte for byte, CR LF line ends included, on every system.
    runwell::UseBinaryStandardStreams();
    const std::vector<std::string> arguments = runwell::CommandLineArguments(argc, argv);
    const std::vector<std::string_view> args(arguments.begin(), arguments.end());
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << kUsage;
        return runwell::cli::kDone;
    }
    if (args.size() == 1 && args[0] == "--version") {
        std::cout << runwell::kToolProgramName << ' ' << runwell::kVersion << '\n';
        return runwell::cli::kDone;
    }
    if (args.empty()) {
        return UsageError("a command is needed");
    }
    const std::string_view command = args[0];
    if (command == "trace") {
        return runwell::cli::RunTrace({args.begin() + 1, args.end()}, std::cout, std::cerr);
    }
    if (command != "report" && command != "refresh") {
        return UsageError("unknown command \"" + std::string(command) + "\"");
    }

    std::optional<std::filesystem::path> data;
    std::optional<std::filesystem::path> output;
    std::vector<std::string_view> positional;
    bool verbose = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--data" || (arg == "-o" && command == "report")) {
            if (i + 1 >= args.size()) {
                return UsageError(std::string(arg) + " needs a value");
            }
            auto& target = arg == "--data" ? data : output;
            if (target) {
                return UsageError(std::string(arg) + " is given twice");
            }
            target = runwell::PathFromUtf8(args[++i]);
        } else if (arg == "--verbose") {
            verbose = true;
        } else if (arg.size() > 1 && arg.front() == '-') {
            return UsageError("unknown option \"" + std::string(arg) + "\"");
        } else {
            positional.push_back(arg);
        }
    }
    const runwell::DataLocation location =
        data ? runwell::PortableDataLocation(*data) : runwell::LocateData();
    if (command == "report") {
        if (positional.size() != 1) {
            return UsageError("report takes one settings file");
        }
        return runwell::cli::RunReport(location, runwell::PathFromUtf8(positional[0]), output,
                                       std::cout, std::cerr, verbose);
    }
    if (positional.size() != 2) {
        return UsageError("refresh takes a settings file and an output file");
    }
    return runwell::cli::RunRefresh(location, runwell::PathFromUtf8(positional[0]),
                                    runwell::PathFromUtf8(positional[1]), std::cerr, verbose);
}
