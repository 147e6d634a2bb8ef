#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Result.h"

namespace runwell {

/// The largest file Runwell reads: settings files, battery files and device data files alike.
/// A larger file is refused before any of it is read; one whose size is not known up front (a
/// pipe, a character device) is read in blocks and refused as soon as it passes this size.
inline constexpr std::uint64_t kMaxInputFileBytes = std::uint64_t{1} << 30;  // 1 GiB

/// The files of `folder` whose extension is `extension` (".json"), in name order; none when the
/// folder is missing or cannot be read.
std::vector<std::filesystem::path> FilesWithExtension(const std::filesystem::path& folder,
                                                      std::string_view extension);

/// The content of the data file `file`, at most `limit` bytes. Only a regular file (or a link to
/// one) is opened, since a pipe or a device could block or never end: anything else, or a file
/// that cannot be read, fails with "The file cannot be read."; a larger one with `tooLarge`.
Result<std::string> ReadDataFile(const std::filesystem::path& file, std::uint64_t limit,
                                 const std::string& tooLarge);

/// "The file "NAME" is larger than 1 GiB, the most Runwell reads; it was not read."
std::string FileTooLargeMessage(const std::filesystem::path& path);
/// "There is not enough memory to read the file "NAME"."
std::string OutOfMemoryMessage(const std::filesystem::path& path);

/// The whole content of a file as bytes. Fails with `cannotOpen` when it cannot be opened or
/// read, with FileTooLargeMessage beyond `limit` bytes and with OutOfMemoryMessage when the
/// memory for it cannot be had.
Result<std::string> ReadFileContent(const std::filesystem::path& path, const char* cannotOpen,
                                    std::uint64_t limit = kMaxInputFileBytes);

/// The whole content of a file as bytes, or nothing when it cannot be read (ReadFileContent).
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

/// Reads a file line by line as LineReader reads a text (a line ends at LF, a CR directly before
/// the LF is dropped, the last line needs no terminator), holding only one block of the file and
/// the line being read in memory, so a large file costs no memory of its own size.
class FileLineReader {
public:
    static constexpr std::size_t kDefaultBlock = std::size_t{1} << 18;

    /// Opens `path` for reading; isOpen() tells whether that worked. A folder is never open.
    /// A file larger than `limit` bytes is open but reads no line: tooLarge() tells.
    explicit FileLineReader(const std::filesystem::path& path,
                            std::size_t blockSize = kDefaultBlock,
                            std::uint64_t limit = kMaxInputFileBytes);

    bool isOpen() const { return file_ != nullptr; }
    /// The next line, valid until the next call; false at the end of the file or after a read
    /// error.
    bool Next(std::string_view& line);
    /// One-based number of the line last returned.
    int lineNumber() const { return lineNumber_; }
    /// True once reading failed; the lines returned before are still good.
    bool failed() const { return failed_; }
    /// True once the file turned out larger than the limit (then failed() is true too).
    bool tooLarge() const { return tooLarge_; }
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
    std::uint64_t limit_;
    std::uint64_t readSoFar_ = 0;  // bytes read from the file since its start
    int lineNumber_ = 0;
    bool atEnd_ = false;  // nothing more to read from the file
    bool failed_ = false;
    bool tooLarge_ = false;
};

}  // namespace runwell
