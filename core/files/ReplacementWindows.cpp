// FileReplacement on Windows: CreateFileW, FlushFileBuffers, MoveFileExW.

#include "platform/WindowsHeaders.h"

#include <cwchar>
#include <string>

#include "files/FileReplacement.h"

namespace runwell {
namespace {

namespace fs = std::filesystem;

HANDLE AsHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

/// Best effort, as the folder sync on POSIX systems: the rename itself is on disk once the
/// folder's entries are.
void FlushFolder(const fs::path& folder) {
    const HANDLE handle = ::CreateFileW(folder.c_str(), GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        ::FlushFileBuffers(handle);
        ::CloseHandle(handle);
    }
}

}  // namespace

fs::path FileReplacement::TemporaryStem(const fs::path& target) {
    fs::path::string_type name = target.filename().native();
    if (name.size() > 200) {
        name.resize(200);
    }
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(L".");
    return folder / (L"." + name + L".runwell");
}

std::unique_ptr<FileReplacement> FileReplacement::Create(const fs::path& target,
                                                         [[maybe_unused]] bool targetExists) {
    const fs::path::string_type stem = TemporaryStem(target).native();
    // A name nobody else holds: CREATE_NEW fails on an existing one, and the next suffix is tried.
    unsigned long long seed = ::GetTickCount64() * 2654435761ULL ^ ::GetCurrentProcessId();
    for (int attempt = 0; attempt < 100; ++attempt) {
        wchar_t suffix[8];
        std::swprintf(suffix, 8, L"-%06llx", (seed + static_cast<unsigned>(attempt)) & 0xFFFFFF);
        const fs::path temporary = stem + suffix;
        // The folder's inherited permissions apply, as to a file created there directly; an
        // existing target's are taken over when it is replaced.
        const HANDLE handle = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr,
                                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            // ReplaceFileW wants full paths.
            std::error_code ec;
            return std::unique_ptr<FileReplacement>(new FileReplacement(
                fs::absolute(target, ec), fs::absolute(temporary, ec),
                reinterpret_cast<std::intptr_t>(handle)));
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
    if (!::FlushFileBuffers(AsHandle(handle_)) || !Close()) {
        return false;
    }
    // ReplaceFileW keeps what the target had beside its bytes (attributes, permissions, creation
    // time), as a file edited in place would, and works while another program holds the target
    // open with FILE_SHARE_DELETE, as this program's readers do; one that holds it open without
    // that sharing makes it fail, and the target stays as it was.
    // A target that may not be deleted (another program holds it open without FILE_SHARE_DELETE)
    // cannot be replaced; asking first keeps ReplaceFileW from trying, since some of its
    // implementations move the target aside under a name of their own first and leave that file
    // behind when the rest fails.
    const HANDLE probe = ::CreateFileW(target_.c_str(), DELETE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_SHARING_VIOLATION) {
        return false;
    }
    if (probe != INVALID_HANDLE_VALUE) {
        ::CloseHandle(probe);
    }
    bool replaced = ::ReplaceFileW(target_.c_str(), temporary_.c_str(), nullptr,
                                   REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS,
                                   nullptr, nullptr) != 0;
    const DWORD error = replaced ? ERROR_SUCCESS : ::GetLastError();
    // A target that vanished meanwhile (or never existed) is created by the rename; in the one
    // failure that leaves the target's name empty, the rename puts the new file there.
    if (!replaced && (error == ERROR_FILE_NOT_FOUND || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 ||
                      !fs::exists(target_))) {
        replaced = ::MoveFileExW(temporary_.c_str(), target_.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    }
    if (!replaced) {
        return false;
    }
    committed_ = true;
    FlushFolder(target_.parent_path());
    return true;
}

}  // namespace runwell
