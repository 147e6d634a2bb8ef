// Linux and macOS.

#include "platform/Platform.h"

#include <unistd.h>

#include <cstdint>
#include <system_error>

#if defined(__APPLE__)
#include <mach-o/dyld.h>
#endif

namespace runwell {

std::filesystem::path ExecutableFolder() {
    std::error_code ec;
#if defined(__APPLE__)
    std::uint32_t size = 0;
    _NSGetExecutablePath(nullptr, &size);  // tells the size needed
    std::string buffer(size, '\0');
    if (_NSGetExecutablePath(buffer.data(), &size) != 0) {
        return {};
    }
    buffer.resize(buffer.find('\0'));
    // The path may run through links; the real one is where the data files were installed.
    const std::filesystem::path exe = std::filesystem::canonical(buffer, ec);
#else
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
#endif
    return ec ? std::filesystem::path{} : exe.parent_path();
}

std::filesystem::path PathFromUtf8(std::string_view text) {
    return std::filesystem::path(std::string(text));
}

std::string PathToUtf8(const std::filesystem::path& path) {
    return path.native();
}

std::FILE* OpenForReading(const std::filesystem::path& path) {
    return std::fopen(path.c_str(), "rb");
}

std::FILE* CreateNewFile(const std::filesystem::path& path) {
    return std::fopen(path.c_str(), "wbx");
}

bool IsWritableFile(const std::filesystem::path& path) {
    return ::access(path.c_str(), W_OK) == 0;
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

void UseBinaryStandardStreams() {}

}  // namespace runwell
