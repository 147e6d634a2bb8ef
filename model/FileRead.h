#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace runwell {

/// The whole content of a file as bytes, or nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

/// Reads a file line by line as LineReader reads a text (a line ends at LF, a CR directly before
/// the LF is dropped, the last line needs no terminator), holding only one block of the file and
/// the line being read in memory, so a large file costs no memory of its own size.
class FileLineReader {
public:
    static constexpr std::size_t kDefaultBlock = std::size_t{1} << 18;

    /// Opens `path` for reading; isOpen() tells whether that worked. A folder is never open.
    explicit FileLineReader(const std::filesystem::path& path,
                            std::size_t blockSize = kDefaultBlock);

    bool isOpen() const { return file_ != nullptr; }
    /// The next line, valid until the next call; false at the end of the file or after a read
    /// error.
    bool Next(std::string_view& line);
    /// One-based number of the line last returned.
    int lineNumber() const { return lineNumber_; }
    /// True once reading failed; the lines returned before are still good.
    bool failed() const { return failed_; }
    /// Starts again at line 1. False (and nothing changed) when the file cannot be read again
    /// from its start, as a pipe cannot.
    bool Rewind();

private:
    /// Moves the unread bytes to the front and reads more after them; false at the end or on an
    /// error.
    bool Fill();

    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
    std::string buffer_;
    std::size_t begin_ = 0;  // first unread byte
    std::size_t end_ = 0;    // end of the bytes read into the buffer
    int lineNumber_ = 0;
    bool atEnd_ = false;  // nothing more to read from the file
    bool failed_ = false;
};

}  // namespace runwell
