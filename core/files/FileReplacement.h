#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

namespace runwell {

/// The system-specific half of WriteFileSafely (SafeFile.h): a new temporary file in the target's
/// folder, so the final rename never crosses file systems, which takes the target's place in one
/// step once it is complete and on disk. ReplacementPosix.cpp and ReplacementWindows.cpp
/// implement it.
class FileReplacement {
public:
    /// Creates the temporary file for `target` (a file whose links are resolved). It gets the
    /// permissions (POSIX: permission bits and, where allowed, owner) of an existing target, or
    /// those a file created directly would get. Null when it cannot be created.
    static std::unique_ptr<FileReplacement> Create(const std::filesystem::path& target,
                                                   bool targetExists);

    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;
    /// Removes the temporary file unless it took the target's place.
    ~FileReplacement();

    /// Appends all `size` bytes; false when the system refused some (disk full, I/O error).
    bool Write(const char* data, std::size_t size);
    /// Flushes the temporary file to disk, closes it and renames it over the target (POSIX:
    /// rename(2) and a sync of the folder; Windows: FlushFileBuffers and MoveFileExW with
    /// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH). False when any step failed; the
    /// target is then as it was.
    bool Commit();

    /// The temporary file's name stem: "." and the target's name shortened to 200 characters, so
    /// the random suffix still fits the file system's name limit, then ".runwell"; the file is
    /// the stem, '-' and six random characters.
    static std::filesystem::path TemporaryStem(const std::filesystem::path& target);

private:
    FileReplacement(std::filesystem::path target, std::filesystem::path temporary,
                    std::intptr_t handle);
    bool Close();

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    std::intptr_t handle_;  // POSIX: file descriptor, -1 once closed; Windows: HANDLE
    bool open_ = true;
    bool committed_ = false;
};

}  // namespace runwell
