#include "persist/SafeFile.h"

#include <memory>
#include <ostream>
#include <streambuf>
#include <system_error>

#include "model/Messages.h"
#include "model/Platform.h"
#include "persist/FileReplacement.h"

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

}  // namespace

Status WriteFileSafely(const fs::path& target, const std::function<bool(std::ostream&)>& write) {
    const fs::path file = ResolveLinks(target);
    std::error_code ec;
    const fs::file_status status = fs::status(file, ec);
    const bool exists = fs::exists(status);
    // Only a regular file is replaced: renaming over a device or a folder would destroy it.
    if (exists && (!fs::is_regular_file(status) || !IsWritableFile(file))) {
        return Error{msg::kCannotOpenForWriting};
    }

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
