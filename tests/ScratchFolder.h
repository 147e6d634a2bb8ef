#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>

#include "platform/FileRead.h"
#include "platform/Platform.h"

namespace runwell {

/// A fresh empty folder under the system's temporary folder, made writable again and removed
/// with everything in it when it goes. The random name keeps parallel runs apart; a name that
/// exists already is never reused.
class ScratchFolder {
public:
    ScratchFolder() {
        std::random_device random;
        do {
            path_ = std::filesystem::temp_directory_path() /
                    ("runwell-scratch-" + std::to_string(random()) + std::to_string(random()));
        } while (!std::filesystem::create_directory(path_));
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder() {
        namespace fs = std::filesystem;
        std::error_code ec, ignored;
        for (auto it = fs::recursive_directory_iterator(path_, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        }
        fs::remove_all(path_, ignored);
    }

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

    /// Writes `bytes` to `name` below the folder, creating the folders on the way.
    std::filesystem::path Put(const std::filesystem::path& name, const std::string& bytes) const {
        const std::filesystem::path file = path_ / name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }

    /// `path` below the folder, in UTF-8 with '/' between the names.
    std::string Name(const std::filesystem::path& path) const {
        std::string name = PathToUtf8(path.lexically_relative(path_));
        std::replace(name.begin(), name.end(), '\\', '/');
        return name;
    }

    /// Every path below the folder with the bytes of each file (through links): what a failed
    /// write must leave as it was, and where a left-over temporary file would show.
    std::set<std::string> Snapshot() const {
        std::set<std::string> paths;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(path_)) {
            paths.insert(Name(entry.path()) + "=" +
                         ReadWholeFile(entry.path()).value_or("<not a file>"));
        }
        return paths;
    }

private:
    std::filesystem::path path_;
};

}  // namespace runwell
