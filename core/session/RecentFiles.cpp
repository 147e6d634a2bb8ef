#include "session/RecentFiles.h"

#include <algorithm>
#include <fstream>
#include <string>
#include <system_error>
#include <utility>

namespace runwell {

std::vector<std::filesystem::path> ParseRecentFiles(std::string_view bytes) {
    std::vector<std::filesystem::path> paths;
    bytes = bytes.substr(0, RecentFiles::kMaxStoreBytes);
    while (!bytes.empty() && paths.size() < RecentFiles::kMax) {
        const std::size_t end = std::min(bytes.find('\n'), bytes.size());
        std::string_view line = bytes.substr(0, end);
        bytes.remove_prefix(std::min(end + 1, bytes.size()));
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        // A NUL ends a path on every system: such a line names nothing.
        if (line.empty() || line.find('\0') != std::string_view::npos) {
            continue;
        }
        // UTF-8 both ways: on POSIX the bytes pass unchanged, on Windows any name survives.
        std::filesystem::path path{std::u8string(line.begin(), line.end())};
        if (std::find(paths.begin(), paths.end(), path) == paths.end()) {
            paths.push_back(std::move(path));
        }
    }
    return paths;
}

RecentFiles::RecentFiles(std::filesystem::path store) : store_(std::move(store)) {
    std::ifstream in(store_, std::ios::binary);
    std::string bytes(kMaxStoreBytes, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    paths_ = ParseRecentFiles(bytes);
}

void RecentFiles::Add(const std::filesystem::path& path) {
    std::erase(paths_, path);
    paths_.insert(paths_.begin(), path);
    if (paths_.size() > kMax) {
        paths_.resize(kMax);
    }
    Write();
}

void RecentFiles::Remove(const std::filesystem::path& path) {
    std::erase(paths_, path);
    Write();
}

void RecentFiles::Write() const {
    if (store_.empty()) {
        return;
    }
    // Written beside and renamed over, so a reader never sees half a list.
    std::filesystem::path temporary = store_;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        for (const std::filesystem::path& path : paths_) {
            const std::u8string name = path.u8string();
            out.write(reinterpret_cast<const char*>(name.data()),
                      static_cast<std::streamsize>(name.size()));
            out << '\n';
        }
        if (!out.flush()) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, store_, ec);
    if (ec) {
        std::filesystem::remove(temporary, ec);
    }
}

}  // namespace runwell
