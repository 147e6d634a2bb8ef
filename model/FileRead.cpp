#include "FileRead.h"

#include <cstring>

#include "Platform.h"

namespace runwell {

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        return std::nullopt;
    }
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenForReading(path),
                                                               &std::fclose);
    if (!file) {
        return std::nullopt;
    }
    std::string content;
    char buffer[1 << 16];
    // Reading in blocks works for files whose size is unknown up front (pipes, /proc); a known
    // size is reserved once so a large file is not copied while it grows.
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec) {
        content.reserve(static_cast<std::size_t>(size));
    }
    while (true) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, file.get());
        content.append(buffer, n);
        if (n < sizeof buffer) {
            break;
        }
    }
    if (std::ferror(file.get())) {
        return std::nullopt;
    }
    return content;
}

FileLineReader::FileLineReader(const std::filesystem::path& path, std::size_t blockSize)
    : file_(nullptr, &std::fclose) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        return;
    }
    file_.reset(OpenForReading(path));
    if (file_) {
        // The block is read straight into this buffer; stdio's own would only copy it once more.
        std::setvbuf(file_.get(), nullptr, _IONBF, 0);
        // A small file gets a buffer of its own size (and one byte, so the first read already
        // finds its end); the buffer grows anyway should the file grow.
        const auto size = std::filesystem::file_size(path, ec);
        if (!ec && size < blockSize) {
            blockSize = static_cast<std::size_t>(size) + 1;
        }
        buffer_.resize(blockSize < 2 ? 2 : blockSize);
    }
}

bool FileLineReader::Fill() {
    if (atEnd_ || !file_) {
        return false;
    }
    // The unread part of the buffer is the start of a line: keep it, and make room for at least
    // half a block more (the buffer doubles for a line longer than it).
    const std::size_t kept = end_ - begin_;
    if (kept > 0 && begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, kept);
    }
    begin_ = 0;
    end_ = kept;
    if (buffer_.size() - end_ < buffer_.size() / 2) {
        buffer_.resize(buffer_.size() * 2);
    }
    const std::size_t wanted = buffer_.size() - end_;
    const std::size_t n = std::fread(buffer_.data() + end_, 1, wanted, file_.get());
    end_ += n;
    if (n < wanted) {
        atEnd_ = true;
        failed_ = std::ferror(file_.get()) != 0;
    }
    return n > 0;
}

bool FileLineReader::Next(std::string_view& line) {
    std::size_t searched = begin_;  // bytes before this hold no LF
    while (true) {
        if (failed_) {
            return false;
        }
        const void* lf = std::memchr(buffer_.data() + searched, '\n', end_ - searched);
        if (lf != nullptr) {
            const auto at = static_cast<std::size_t>(static_cast<const char*>(lf) - buffer_.data());
            line = std::string_view(buffer_.data() + begin_, at - begin_);
            begin_ = at + 1;
            if (!line.empty() && line.back() == '\r') {
                line.remove_suffix(1);
            }
            ++lineNumber_;
            return true;
        }
        const std::size_t scanned = end_ - begin_;
        if (!Fill()) {
            if (failed_ || begin_ == end_) {
                return false;
            }
            // The last line has no terminator; a CR at its end is part of it.
            line = std::string_view(buffer_.data() + begin_, end_ - begin_);
            begin_ = end_;
            ++lineNumber_;
            return true;
        }
        searched = scanned;  // Fill moved the unread bytes to the front
    }
}

bool FileLineReader::Rewind() {
    if (!file_ || failed_ || std::fseek(file_.get(), 0, SEEK_SET) != 0) {
        return false;
    }
    std::clearerr(file_.get());
    begin_ = 0;
    end_ = 0;
    lineNumber_ = 0;
    atEnd_ = false;
    return true;
}

}  // namespace runwell
