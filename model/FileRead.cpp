#include "FileRead.h"

#include <cstdio>
#include <memory>

namespace runwell {

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        return std::nullopt;
    }
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                                &std::fclose);
    if (!file) {
        return std::nullopt;
    }
    std::string content;
    char buffer[1 << 16];
    // Reading in blocks works for files whose size is unknown up front (pipes, /proc); a known
    // size is reserved once so a large file is not copied while it grows.
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec) {
        content.reserve(static_cast<std::size_t>(size));
    }
    while (true) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, file.get());
        content.append(buffer, n);
        if (n < sizeof buffer) {
            break;
        }
    }
    if (std::ferror(file.get())) {
        return std::nullopt;
    }
    return content;
}

}  // namespace runwell
