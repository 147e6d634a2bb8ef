// FileReplacement on Linux and macOS: mkstemp, fsync, rename(2).

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "files/FileReplacement.h"

namespace runwell {
namespace {

namespace fs = std::filesystem;

/// The permission bits a newly created file gets: 0666 less the process's umask. The umask is read
/// from /proc where it is shown, since setting it to read it back affects every thread.
mode_t NewFileMode() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) {
            const unsigned long mask = std::strtoul(line.c_str() + 6, nullptr, 8);
            return static_cast<mode_t>(0666 & ~mask);
        }
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
}

void SyncFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);  // best effort: the data itself is already on disk
        ::close(fd);
    }
}

}  // namespace

fs::path FileReplacement::TemporaryStem(const fs::path& target) {
    fs::path::string_type name = target.filename().native();
    if (name.size() > 200) {
        name.resize(200);
    }
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    return folder / (fs::path::string_type(1, '.') + name + ".runwell");
}

std::unique_ptr<FileReplacement> FileReplacement::Create(const fs::path& target,
                                                         bool targetExists) {
    const std::string pattern = TemporaryStem(target).native() + "-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = ::mkstemp(buffer.data());
    if (fd < 0) {
        return nullptr;
    }
    std::unique_ptr<FileReplacement> replacement(
        new FileReplacement(target, fs::path(buffer.data()), fd));

    // Both are best effort: without them the file is still complete, only owned by the user who
    // wrote it, with the default bits.
    struct stat existing {};
    if (targetExists && ::stat(target.c_str(), &existing) == 0) {
        [[maybe_unused]] const int owned = ::fchown(fd, existing.st_uid, existing.st_gid);
        [[maybe_unused]] const int kept = ::fchmod(fd, existing.st_mode & 07777);
    } else {
        [[maybe_unused]] const int set = ::fchmod(fd, NewFileMode());
    }
    return replacement;
}

FileReplacement::FileReplacement(fs::path target, fs::path temporary, std::intptr_t handle)
    : target_(std::move(target)), temporary_(std::move(temporary)), handle_(handle) {}

FileReplacement::~FileReplacement() {
    Close();
    if (!committed_) {
        ::unlink(temporary_.c_str());
    }
}

bool FileReplacement::Write(const char* data, std::size_t size) {
    const int fd = static_cast<int>(handle_);
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool FileReplacement::Close() {
    if (!open_) {
        return true;
    }
    open_ = false;
    return ::close(static_cast<int>(handle_)) == 0;
}

bool FileReplacement::Commit() {
    if (::fsync(static_cast<int>(handle_)) != 0 || !Close() ||
        std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        return false;
    }
    committed_ = true;
    SyncFolder(target_.has_parent_path() ? target_.parent_path() : fs::path("."));
    return true;
}

}  // namespace runwell
