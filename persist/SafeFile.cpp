#include "persist/SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <streambuf>
#include <string>
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
/// one, whose file is then created), so the link itself stays a link.
fs::path ResolveLinks(const fs::path& target) {
    fs::path file = target;
    std::error_code ec;
    // The bound stops a loop of links; the rename then fails and the write reports it.
    for (int depth = 0; depth < 40 && fs::is_symlink(fs::symlink_status(file, ec)); ++depth) {
        const fs::path link = fs::read_symlink(file, ec);
        if (ec) {
            break;
        }
        file = link.is_absolute() ? link : file.parent_path() / link;
    }
    return file;
}

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
    const fs::path file = ResolveLinks(target);
    std::error_code ec;
    const fs::file_status status = fs::status(file, ec);
    const bool exists = fs::exists(status);
    // Only a regular file is replaced: renaming over a device or a folder would destroy it.
    if (exists && (!fs::is_regular_file(status) || ::access(file.c_str(), W_OK) != 0)) {
        return Error{msg::kCannotOpenForWriting};
    }

    // The temporary file sits beside the target so the rename stays within one file system.
    // A long name is shortened so the temporary name still fits the name limit.
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    std::string name = file.filename().string();
    if (name.size() > 200) {
        name.resize(200);
    }
    const std::string pattern = (folder / ("." + name + ".XXXXXX")).string();
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
