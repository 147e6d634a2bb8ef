#pragma once

#include <cstddef>
#include <filesystem>
#include <string_view>
#include <vector>

namespace runwell {

/// The settings files last loaded or saved, newest first, at most kMax. They are kept in a small
/// text file of the user's folder, one path a line in UTF-8; a store that is
/// missing, unreadable or damaged reads as the lines it holds that name a path, or none, and a
/// store that cannot be written loses only the list.
class RecentFiles {
public:
    static constexpr std::size_t kMax = 8;
    /// Only this much of a store is read: eight paths never need more.
    static constexpr std::size_t kMaxStoreBytes = 64 * 1024;

    /// No store: the list lives as long as the object.
    RecentFiles() = default;
    /// Reads `store`.
    explicit RecentFiles(std::filesystem::path store);

    const std::vector<std::filesystem::path>& paths() const { return paths_; }
    /// `path` becomes the newest; the oldest beyond kMax go. The store is written.
    void Add(const std::filesystem::path& path);
    /// `path` leaves the list (it no longer exists). The store is written.
    void Remove(const std::filesystem::path& path);

private:
    void Write() const;

    std::filesystem::path store_;
    std::vector<std::filesystem::path> paths_;
};

/// The paths a store's bytes list: non-empty lines (LF or CR LF), first kMax distinct ones.
std::vector<std::filesystem::path> ParseRecentFiles(std::string_view bytes);

}  // namespace runwell
