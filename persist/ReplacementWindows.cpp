// FileReplacement on Windows: CreateFileW, FlushFileBuffers, MoveFileExW.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cwchar>
#include <string>

#include "persist/FileReplacement.h"

namespace runwell {
namespace {

namespace fs = std::filesystem;

HANDLE AsHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

/// The attributes the replacement carries over from the file it replaces: the ones a user or a
/// program sets on purpose. Read-only never gets here (WriteFileSafely refuses such a target).
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

}  // namespace

fs::path FileReplacement::TemporaryStem(const fs::path& target) {
    fs::path::string_type name = target.filename().native();
    if (name.size() > 200) {
        name.resize(200);
    }
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(L".");
    return folder / (L"." + name);
}

std::unique_ptr<FileReplacement> FileReplacement::Create(const fs::path& target,
                                                         bool targetExists) {
    const fs::path::string_type stem = TemporaryStem(target).native();
    // A name nobody else holds: CREATE_NEW fails on an existing one, and the next suffix is tried.
    unsigned long long seed = ::GetTickCount64() * 2654435761ULL ^ ::GetCurrentProcessId();
    for (int attempt = 0; attempt < 100; ++attempt) {
        wchar_t suffix[8];
        std::swprintf(suffix, 8, L".%06llx", (seed + static_cast<unsigned>(attempt)) & 0xFFFFFF);
        const fs::path temporary = stem + suffix;
        // The folder's inherited permissions apply, as to a file created there directly.
        const HANDLE handle = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr,
                                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            std::unique_ptr<FileReplacement> replacement(new FileReplacement(
                target, temporary, reinterpret_cast<std::intptr_t>(handle)));
            if (targetExists) {
                const DWORD attributes = ::GetFileAttributesW(target.c_str());
                if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & kKeptAttributes) != 0) {
                    // Best effort, as the permission bits on POSIX systems.
                    ::SetFileAttributesW(temporary.c_str(), attributes & kKeptAttributes);
                }
            }
            return replacement;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS) {
            return nullptr;
        }
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    }
    return nullptr;
}

FileReplacement::FileReplacement(fs::path target, fs::path temporary, std::intptr_t handle)
    : target_(std::move(target)), temporary_(std::move(temporary)), handle_(handle) {}

FileReplacement::~FileReplacement() {
    Close();
    if (!committed_) {
        ::DeleteFileW(temporary_.c_str());
    }
}

bool FileReplacement::Write(const char* data, std::size_t size) {
    while (size > 0) {
        const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!::WriteFile(AsHandle(handle_), data, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

bool FileReplacement::Close() {
    if (!open_) {
        return true;
    }
    open_ = false;
    return ::CloseHandle(AsHandle(handle_)) != 0;
}

bool FileReplacement::Commit() {
    // MoveFileExW replaces the target in one step where the file system can (NTFS renames within
    // a folder atomically); WRITE_THROUGH returns only once the rename is on disk.
    if (!::FlushFileBuffers(AsHandle(handle_)) || !Close() ||
        !::MoveFileExW(temporary_.c_str(), target_.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return false;
    }
    committed_ = true;
    return true;
}

}  // namespace runwell
