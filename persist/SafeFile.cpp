#include "persist/SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <streambuf>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "model/Messages.h"

namespace runwell {
namespace {

namespace fs = std::filesystem;

/// An output buffer over a file descriptor: 4096 bytes, written out with write(2) on overflow and
/// sync. A failed write leaves the stream bad.
class DescriptorBuffer : public std::streambuf {
public:
    explicit DescriptorBuffer(int fd) : fd_(fd) { setp(buffer_, buffer_ + sizeof buffer_); }

protected:
    int_type overflow(int_type c) override {
        if (!Drain()) {
            return traits_type::eof();
        }
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }

    int sync() override { return Drain() ? 0 : -1; }

    /// A block at least as large as the buffer goes to the file directly, in one write, instead
    /// of in buffer-sized pieces.
    std::streamsize xsputn(const char* data, std::streamsize count) override {
        if (count < static_cast<std::streamsize>(sizeof buffer_)) {
            return std::streambuf::xsputn(data, count);
        }
        if (!Drain() || !WriteAll(data, static_cast<std::size_t>(count))) {
            return 0;
        }
        return count;
    }

private:
    bool Drain() {
        if (!WriteAll(pbase(), static_cast<std::size_t>(pptr() - pbase()))) {
            return false;
        }
        setp(buffer_, buffer_ + sizeof buffer_);
        return true;
    }

    bool WriteAll(const char* data, std::size_t size) {
        while (size > 0) {
            const ssize_t written = ::write(fd_, data, size);
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

    int fd_;
    char buffer_[4096];
};

/// The file a write to `target` really replaces: symbolic links are followed (also a dangling
/// one, whose file is then created), so the link itself stays a link. Nothing when the links do
/// not end within 40 steps (a loop): there is no file to write.
std::optional<fs::path> ResolveLinks(const fs::path& target) {
    constexpr int kMaxLinks = 40;
    fs::path file = target;
    std::error_code ec;
    for (int depth = 0; fs::is_symlink(fs::symlink_status(file, ec)); ++depth) {
        if (depth == kMaxLinks) {
            return std::nullopt;
        }
        const fs::path link = fs::read_symlink(file, ec);
        if (ec) {
            return std::nullopt;
        }
        file = link.is_absolute() ? link : file.parent_path() / link;
    }
    return file;
}

// Temporary files are named ".NAME.runwell-XXXXXX" beside the target NAME. One left behind by
// a writer that was killed is removed by the next save to the same target: any file of that
// pattern last written before this process started cannot belong to a save still running here,
// and a save of another program running now keeps writing to (and so touching) its own.

const fs::file_time_type kProcessStart = fs::file_time_type::clock::now();
constexpr std::string_view kTemporaryMark = ".runwell-";
constexpr std::size_t kRandomPart = 6;  // the XXXXXX mkstemp fills in

std::string TemporaryPrefix(const fs::path& file) {
    // A long name is shortened so the temporary name still fits the name limit.
    std::string name = file.filename().string();
    if (name.size() > 200) {
        name.resize(200);
    }
    return "." + name + std::string(kTemporaryMark);
}

void RemoveStaleTemporaries(const fs::path& folder, const std::string& prefix) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code fileError;
        if (name.size() == prefix.size() + kRandomPart && name.starts_with(prefix) &&
            it->is_regular_file(fileError) && !it->is_symlink(fileError) &&
            it->last_write_time(fileError) < kProcessStart && !fileError) {
            fs::remove(it->path(), fileError);  // best effort, like every clean-up
        }
    }
}

/// While it lives, a file size limit (RLIMIT_FSIZE) makes a write fail with EFBIG instead of
/// ending the process with SIGXFSZ in the middle of it, which would leave the temporary file
/// behind; the normal error path then removes the file and reports the failure. The previous
/// disposition comes back afterwards.
class FileSizeSignalIgnored {
public:
#if defined(SIGXFSZ)
    FileSizeSignalIgnored() : previous_(std::signal(SIGXFSZ, SIG_IGN)) {}
    ~FileSizeSignalIgnored() {
        if (previous_ != SIG_ERR) {
            std::signal(SIGXFSZ, previous_);
        }
    }

private:
    void (*previous_)(int);
#endif
};

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

/// Removes the temporary file unless it was renamed into place.
class TemporaryFile {
public:
    TemporaryFile(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        Close();
        if (!kept_) {
            ::unlink(path_.c_str());
        }
    }

    int fd() const { return fd_; }
    const std::string& path() const { return path_; }
    bool Close() {
        if (fd_ < 0) {
            return true;
        }
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0;
    }
    void Keep() { kept_ = true; }

private:
    std::string path_;
    int fd_;
    bool kept_ = false;
};

void SyncFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);  // best effort: the data itself is already on disk
        ::close(fd);
    }
}

}  // namespace

Status WriteFileSafely(const fs::path& target, const std::function<bool(std::ostream&)>& write) {
    const FileSizeSignalIgnored ignored;
    const std::optional<fs::path> resolved = ResolveLinks(target);
    if (!resolved) {
        return Error{msg::kCannotOpenForWriting};
    }
    const fs::path& file = *resolved;
    std::error_code ec;
    const fs::file_status status = fs::status(file, ec);
    const bool exists = fs::exists(status);
    // Only a regular file is replaced: renaming over a device or a folder would destroy it.
    if (exists && (!fs::is_regular_file(status) || ::access(file.c_str(), W_OK) != 0)) {
        return Error{msg::kCannotOpenForWriting};
    }

    // The temporary file sits beside the target so the rename stays within one file system.
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    const std::string prefix = TemporaryPrefix(file);
    RemoveStaleTemporaries(folder, prefix);
    const std::string pattern = (folder / (prefix + std::string(kRandomPart, 'X'))).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = ::mkstemp(buffer.data());
    if (fd < 0) {
        return Error{msg::kCannotOpenForWriting};
    }
    TemporaryFile temporary(std::string(buffer.data()), fd);

    // The new file keeps the permission bits (and, where allowed, the owner) of the one it
    // replaces; a new file gets what creating it directly would have given it.
    struct stat existing {};
    if (exists && ::stat(file.c_str(), &existing) == 0) {
        // Both are best effort: without them the file is still complete, only owned by the user
        // who wrote it, with the default bits.
        [[maybe_unused]] const int owned = ::fchown(fd, existing.st_uid, existing.st_gid);
        [[maybe_unused]] const int kept = ::fchmod(fd, existing.st_mode & 07777);
    } else {
        [[maybe_unused]] const int set = ::fchmod(fd, NewFileMode());
    }

    DescriptorBuffer streamBuffer(fd);
    std::ostream out(&streamBuffer);
    const bool written = write(out);
    out.flush();
    if (!written || !out.good() || ::fsync(temporary.fd()) != 0 || !temporary.Close() ||
        std::rename(temporary.path().c_str(), file.c_str()) != 0) {
        return Error{msg::kWriteFailed};
    }
    temporary.Keep();
    SyncFolder(folder);
    return {};
}

}  // namespace runwell
