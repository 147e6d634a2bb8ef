// Runs runwell-cli on every case folder under tests/cli/cases and compares its exit status,
// standard output, standard error and written files byte for byte.
//
// A case folder holds `args` (one argument a line; @DATA@ stands for the data folder, @CASE@ for
// the case folder, @OUT@ for an empty output folder), `exit` (the expected status), and the
// expected `stdout` and `stderr` (absent: expected empty) and `out/` (the files expected in
// @OUT@, and no others). In the captured streams the folders' real paths are written back as
// @DATA@, @CASE@ and @OUT@, since messages name the files they concern. The data folder is a fresh copy of the case's `data/`, or of the
// shipped data beside the executables when the case has none, since the tool creates
// CustomBattery.csv there.
//
// RUNWELL_CLI names another runwell-cli to check (with the shipped data beside it), and
// RUNWELL_CLI_RUNNER a command it runs under: the Windows build is checked with the same cases
// as RUNWELL_CLI=build-windows/bin/runwell-cli.exe RUNWELL_CLI_RUNNER=wine.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileRead.h"

namespace fs = std::filesystem;

namespace {

const fs::path kCases = fs::path(RUNWELL_SOURCE_DIR) / "tests/cli/cases";
std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

const fs::path kCli = Environment("RUNWELL_CLI").empty() ? fs::path(RUNWELL_BIN_DIR) / "runwell-cli"
                                                         : fs::path(Environment("RUNWELL_CLI"));
const fs::path kBin = kCli.parent_path();
const std::string kRunner = Environment("RUNWELL_CLI_RUNNER");

std::string ReadBytes(const fs::path& path) {
    return runwell::ReadWholeFile(path).value_or("");
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// Under wine the tool joins paths with the system's '\\'. Those become '/' so that one expected
// text serves both systems; a backslash that opens a byte escape (\x1B) is the tool's own
// quoting of a file's bytes and stays.
std::string SlashedPaths(std::string text) {
    const auto isHex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    for (std::size_t at = 0; at < text.size(); ++at) {
        const bool escape = at + 3 < text.size() && text[at + 1] == 'x' && isHex(text[at + 2]) &&
                            isHex(text[at + 3]);
        if (text[at] == '\\' && !escape) {
            text[at] = '/';
        }
    }
    return text;
}

std::string Quote(const std::string& arg) {
    return "'" + Replace(arg, "'", "'\\''") + "'";
}

std::vector<std::string> CaseNames() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(kCases)) {
        if (entry.is_directory()) {
            names.push_back(entry.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

class CliCase : public testing::TestWithParam<std::string> {};

TEST_P(CliCase, MatchesExpectedOutput) {
    const fs::path caseDir = kCases / GetParam();
    const fs::path work = fs::temp_directory_path() /
                      ("runwell-cli-" + std::to_string(::getpid()) + "-" + GetParam());
    fs::remove_all(work);
    const fs::path data = work / "data";
    const fs::path out = work / "out";
    fs::create_directories(out);
    if (fs::exists(caseDir / "data")) {
        fs::copy(caseDir / "data", data, fs::copy_options::recursive);
    } else {
        fs::create_directories(data);
        fs::copy(kBin / "Data", data / "Data", fs::copy_options::recursive);
        fs::copy_file(kBin / "StandardBattery.csv", data / "StandardBattery.csv");
        fs::copy(kBin / "BatteryModels", data / "BatteryModels", fs::copy_options::recursive);
    }

    std::string command = (kRunner.empty() ? "" : kRunner + " ") + Quote(kCli.string());
    std::istringstream args(ReadBytes(caseDir / "args"));
    for (std::string arg; std::getline(args, arg);) {
        arg = Replace(arg, "@DATA@", data.string());
        arg = Replace(arg, "@CASE@", caseDir.string());
        arg = Replace(arg, "@OUT@", out.string());
        command += " " + Quote(arg);
    }
    // A case may send standard output elsewhere (">/dev/full", ">&-" to close it); its stdout
    // file then stays empty.
    std::string redirect = ">" + Quote((work / "stdout").string());
    if (fs::exists(caseDir / "stdout-redirect")) {
        std::getline(std::istringstream(ReadBytes(caseDir / "stdout-redirect")), redirect);
        std::ofstream(work / "stdout").flush();
    }
    command += " " + redirect + " 2>" + Quote((work / "stderr").string());
    int status = std::system(command.c_str());
    // The tool says why whenever it fails. A failure that printed nothing under a runner is the
    // runner's own (wine now and then fails to start a process): run the case once more, saying so.
    if (!kRunner.empty() && status != 0 && ReadBytes(work / "stdout").empty() &&
        ReadBytes(work / "stderr").empty()) {
        std::cerr << "runner failed silently (status " << status << "); running again\n";
        fs::remove_all(out);
        fs::create_directories(out);
        status = std::system(command.c_str());
    }
    ASSERT_TRUE(WIFEXITED(status)) << command;

    EXPECT_EQ(std::stoi(ReadBytes(caseDir / "exit")), WEXITSTATUS(status)) << command;
    for (const char* stream : {"stdout", "stderr"}) {
        const fs::path expected = caseDir / stream;
        const std::string bytes = kRunner.empty() || std::string_view(stream) != "stderr"
                                      ? ReadBytes(work / stream)
                                      : SlashedPaths(ReadBytes(work / stream));
        const std::string actual =
            Replace(Replace(Replace(bytes, data.string(), "@DATA@"), out.string(), "@OUT@"),
                    caseDir.string(), "@CASE@");
        EXPECT_EQ(fs::exists(expected) ? ReadBytes(expected) : std::string(), actual)
            << stream << " of " << command;
    }
    std::set<std::string> expectedFiles, written;
    if (fs::exists(caseDir / "out")) {
        for (const auto& entry : fs::directory_iterator(caseDir / "out")) {
            const std::string name = entry.path().filename().string();
            expectedFiles.insert(name);
            EXPECT_EQ(ReadBytes(entry.path()), ReadBytes(out / name)) << name;
        }
    }
    for (const auto& entry : fs::directory_iterator(out)) {
        written.insert(entry.path().filename().string());
    }
    EXPECT_EQ(expectedFiles, written);
    fs::remove_all(work);
}

INSTANTIATE_TEST_SUITE_P(Cases, CliCase, testing::ValuesIn(CaseNames()),
                         [](const testing::TestParamInfo<std::string>& param) {
                             return Replace(param.param, "-", "_");
                         });

}  // namespace
