#include "files/SafeFile.h"

#include <csignal>
#include <memory>
#include <optional>
#include <ostream>
#include <streambuf>
#include <string>
#include <system_error>

#include "base/Messages.h"
#include "files/FileReplacement.h"
#include "platform/Platform.h"

namespace runwell {
namespace {

namespace fs = std::filesystem;

/// An output buffer over a FileReplacement: 4096 bytes, written out on overflow and sync. A failed
/// write leaves the stream bad.
class ReplacementBuffer : public std::streambuf {
public:
    explicit ReplacementBuffer(FileReplacement& file) : file_(file) {
        setp(buffer_, buffer_ + sizeof buffer_);
    }

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

    bool WriteAll(const char* data, std::size_t size) { return file_.Write(data, size); }

    FileReplacement& file_;
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

// Temporary files are named ".NAME.runwell-XXXXXX" beside the target NAME (FileReplacement). One
// left behind by a writer that was killed is removed by the next save to the same target: any
// file of that pattern last written before this process started cannot belong to a save still
// running here, and a save of another program running now keeps writing to (and so touching)
// its own.

const fs::file_time_type kProcessStart = fs::file_time_type::clock::now();
constexpr std::size_t kRandomPart = 6;  // the XXXXXX filled in when the file is created

void RemoveStaleTemporaries(const fs::path& file) {
    const fs::path stem = FileReplacement::TemporaryStem(file);
    const fs::path::string_type prefix =
        stem.filename().native() + fs::path::string_type(1, '-');
    const fs::path folder = stem.has_parent_path() ? stem.parent_path() : fs::path(".");
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path::string_type name = it->path().filename().native();
        std::error_code fileError;
        if (name.size() == prefix.size() + kRandomPart &&
            name.compare(0, prefix.size(), prefix) == 0 && it->is_regular_file(fileError) &&
            !it->is_symlink(fileError) && it->last_write_time(fileError) < kProcessStart &&
            !fileError) {
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

}  // namespace

Status WriteFileSafely(const fs::path& target, const std::function<bool(std::ostream&)>& write) {
    [[maybe_unused]] const FileSizeSignalIgnored ignored;
    const std::optional<fs::path> resolved = ResolveLinks(target);
    if (!resolved) {
        return Error{msg::kCannotOpenForWriting};
    }
    const fs::path& file = *resolved;
    std::error_code ec;
    const fs::file_status status = fs::status(file, ec);
    const bool exists = fs::exists(status);
    // Only a regular file is replaced: renaming over a device or a folder would destroy it.
    if (exists && (!fs::is_regular_file(status) || !IsWritableFile(file))) {
        return Error{msg::kCannotOpenForWriting};
    }

    RemoveStaleTemporaries(file);
    // The new file keeps the permissions of the one it replaces; a new file gets what creating
    // it directly would have given it.
    const std::unique_ptr<FileReplacement> replacement = FileReplacement::Create(file, exists);
    if (!replacement) {
        return Error{msg::kCannotOpenForWriting};
    }
    ReplacementBuffer streamBuffer(*replacement);
    std::ostream out(&streamBuffer);
    const bool written = write(out);
    out.flush();
    if (!written || !out.good() || !replacement->Commit()) {
        return Error{msg::kWriteFailed};
    }
    return {};
}

}  // namespace runwell
