#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// The few operating-system services the core needs, one implementation per system
// (PlatformPosix.cpp for Linux and macOS, PlatformWindows.cpp for Windows). Paths are
// std::filesystem::path throughout, wide on Windows; texts are UTF-8.

namespace runwell {

/// The folder of the running executable (its real path), where Data/ and the battery files are.
/// Empty when the system cannot tell.
std::filesystem::path ExecutableFolder();

/// A path from UTF-8 text (a command-line argument, a name in a message). On POSIX systems the
/// bytes are taken as they are, so a name in any encoding survives the round trip.
std::filesystem::path PathFromUtf8(std::string_view text);

/// The path as UTF-8 text, for messages and comparisons; the inverse of PathFromUtf8.
std::string PathToUtf8(const std::filesystem::path& path);

/// Opens a file for reading in binary mode, allowing others to read, write, rename and delete
/// it meanwhile (on Windows a file open without that sharing cannot be replaced). Null when it
/// cannot be opened.
std::FILE* OpenForReading(const std::filesystem::path& path);

/// Creates a new file for writing in binary mode; null when it exists already (never truncated)
/// or cannot be created.
std::FILE* CreateNewFile(const std::filesystem::path& path);

/// True when `path` names a file this process may write to: on Windows one without the
/// read-only attribute, on POSIX systems one its permissions let it write.
bool IsWritableFile(const std::filesystem::path& path);

/// The command-line arguments after the program's name, as UTF-8. On Windows they are read
/// wide from the system, since `argv` holds them in the current code page, which cannot
/// represent every name.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

/// Makes standard output and standard error binary, so a report written there keeps its exact
/// bytes (Windows would otherwise turn every LF, also the one of a CR LF, into CR LF).
void UseBinaryStandardStreams();

}  // namespace runwell
