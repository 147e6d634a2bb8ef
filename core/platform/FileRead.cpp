#include "platform/FileRead.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/Platform.h"

namespace runwell {

namespace {

std::string QuotedName(const std::filesystem::path& path) {
    return "\"" + PathToUtf8(path.filename()) + "\"";
}

}  // namespace

std::string FileTooLargeMessage(const std::filesystem::path& path) {
    return "The file " + QuotedName(path) + " is larger than 1 GiB, the most Runwell reads; it " +
           "was not read.";
}

std::string OutOfMemoryMessage(const std::filesystem::path& path) {
    return "There is not enough memory to read the file " + QuotedName(path) + ".";
}

Result<std::string> ReadFileContent(const std::filesystem::path& path, const char* cannotOpen,
                                    std::uint64_t limit) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        return Error{cannotOpen};
    }
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenForReading(path),
                                                               &std::fclose);
    if (!file) {
        return Error{cannotOpen};
    }
    try {
        std::string content;
        char buffer[1 << 16];
        // A known size is checked and reserved once, so a large file is not copied while it
        // grows; a file of unknown size (a pipe, a device, /proc) is read in blocks and stops
        // one byte past the limit.
        const auto size = std::filesystem::file_size(path, ec);
        if (!ec) {
            if (size > limit) {
                return Error{FileTooLargeMessage(path)};
            }
            content.reserve(static_cast<std::size_t>(size));
        }
        while (true) {
            const std::size_t n = std::fread(buffer, 1, sizeof buffer, file.get());
            content.append(buffer, n);
            if (content.size() > limit) {
                return Error{FileTooLargeMessage(path)};
            }
            if (n < sizeof buffer) {
                break;
            }
        }
        if (std::ferror(file.get())) {
            return Error{cannotOpen};
        }
        return content;
    } catch (const std::bad_alloc&) {
        return Error{OutOfMemoryMessage(path)};
    }
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
    Result<std::string> content = ReadFileContent(path, "");
    if (!content) {
        return std::nullopt;
    }
    return std::move(content).value();
}

FileLineReader::FileLineReader(const std::filesystem::path& path, std::size_t blockSize,
                               std::uint64_t limit)
    : file_(nullptr, &std::fclose), limit_(limit) {
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
        if (!ec && size > limit_) {
            tooLarge_ = true;
            failed_ = true;
            return;
        }
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
    // Never more than one byte past the limit, which is enough to tell that the file passed it.
    const std::size_t wanted = static_cast<std::size_t>(
        std::min<std::uint64_t>(buffer_.size() - end_, limit_ + 1 - readSoFar_));
    const std::size_t n = std::fread(buffer_.data() + end_, 1, wanted, file_.get());
    end_ += n;
    readSoFar_ += n;
    if (readSoFar_ > limit_) {
        // An endless or growing file: what was read so far is not the whole file.
        tooLarge_ = true;
        failed_ = true;
        atEnd_ = true;
        return false;
    }
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
    readSoFar_ = 0;
    lineNumber_ = 0;
    atEnd_ = false;
    return true;
}

std::vector<std::filesystem::path> FilesWithExtension(const std::filesystem::path& folder,
                                                      std::string_view extension) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        if (it->path().extension() == extension) {
            files.push_back(it->path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

Result<std::string> ReadDataFile(const std::filesystem::path& file, std::uint64_t limit,
                                 const std::string& tooLarge) {
    constexpr const char* kCannotRead = "The file cannot be read.";
    std::error_code typeError;
    if (!std::filesystem::is_regular_file(file, typeError)) {
        return Error{kCannotRead};
    }
    std::error_code sizeError;
    const auto size = std::filesystem::file_size(file, sizeError);
    if (!sizeError && size > limit) {
        return Error{tooLarge};
    }
    Result<std::string> content = ReadFileContent(file, kCannotRead, limit);
    if (!content) {
        return content.error();
    }
    return content;
}

}  // namespace runwell
