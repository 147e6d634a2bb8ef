// Reading a trace's bytes as lines for the parser: from a file in blocks, or from memory.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>
#include <vector>

#include "platform/Platform.h"
#include "trace/TraceReader.h"

namespace runwell {
namespace {

/// Cuts blocks of a file into lines for the parser (a line ends at LF; a CR before it is
/// dropped; the last line needs no LF), holding at most kMaxTraceLine bytes of an unfinished
/// line: a longer line is handed on as too long, so no file can make the reader hold more.
class LineSplitter {
public:
    explicit LineSplitter(TraceParser& parser) : parser_(parser) {}

    /// False once the parser wants no more lines.
    bool Push(std::string_view block) {
        if (firstLine_) {
            LookForLoneCr(block);
        }
        while (!block.empty() && going_) {
            const void* lf = std::memchr(block.data(), '\n', block.size());
            const std::size_t n = lf == nullptr ? block.size()
                                                : static_cast<std::size_t>(
                                                      static_cast<const char*>(lf) - block.data());
            const std::string_view piece = block.substr(0, n);
            if (lf == nullptr) {
                Keep(piece);
                return going_;
            }
            block.remove_prefix(n + 1);
            if (tooLong_ || (pending_.empty() && piece.size() > kMaxTraceLine)) {
                going_ = parser_.FeedTooLong();
            } else if (pending_.empty()) {
                Line(piece);
            } else {
                Keep(piece);
                if (tooLong_) {
                    going_ = parser_.FeedTooLong();
                } else {
                    Line(pending_);
                }
            }
            pending_.clear();
            tooLong_ = false;
        }
        return going_;
    }

    /// The last line, when the data did not end with LF.
    void Finish() {
        if (!going_) {
            return;
        }
        if (tooLong_) {
            parser_.FeedTooLong();
        } else if (!pending_.empty()) {
            // A CR at the very end is kept, as the device files' reader keeps it; the field
            // reader trims it.
            parser_.Feed(pending_);
        }
    }

private:
    /// Tells the parser when the first line (as far as kMaxTraceLine + 1 bytes) holds a CR with
    /// something other than LF after it: a file whose lines end with CR alone.
    void LookForLoneCr(std::string_view block) {
        for (std::size_t i = 0; i < block.size() && firstLine_; ++i, ++scanned_) {
            const char c = block[i];
            if (afterCr_ && c != '\n') {
                parser_.NoteLoneCr();
                firstLine_ = false;
            } else if (c == '\n' || scanned_ > kMaxTraceLine) {
                firstLine_ = false;
            }
            afterCr_ = c == '\r';
        }
    }
    void Keep(std::string_view piece) {
        if (tooLong_ || pending_.size() + piece.size() > kMaxTraceLine) {
            tooLong_ = true;
            pending_.clear();
            return;
        }
        pending_.append(piece);
    }
    void Line(std::string_view line) {
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        going_ = parser_.Feed(line);
    }

    TraceParser& parser_;
    std::string pending_;
    bool tooLong_ = false;
    bool going_ = true;
    bool firstLine_ = true;  // still looking at the first line's bytes for a lone CR
    bool afterCr_ = false;
    std::size_t scanned_ = 0;
};

}  // namespace

bool TraceParser::FeedTooLong() {
    ++lineNumber_;
    if (refusal_) {
        return false;
    }
    const std::string text = "ine " + std::to_string(lineNumber_) + " is longer than " +
                             std::to_string(kMaxTraceLine) + " bytes";
    if (!haveHeader_) {
        haveHeader_ = true;
        refusal_ = Error{"The header l" + text + "."};
        return false;
    }
    Problem("L" + text + ".");
    return true;
}

Result<TraceReadSummary> ReadTraceFile(const std::filesystem::path& path, const TraceFormat& format,
                                       TraceSampleSink& sink, std::uint64_t limit) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        return Error{"Cannot open file for reading."};
    }
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenForReading(path),
                                                              &std::fclose);
    if (!file) {
        return Error{"Cannot open file for reading."};
    }
    // A size that is known is checked before anything is read; a pipe or a device has none.
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (!ec && size > limit) {
        return Error{FileTooLargeMessage(path)};
    }
    // The block is read straight into this buffer; stdio's own would only copy it once more.
    std::setvbuf(file.get(), nullptr, _IONBF, 0);
    TraceParser parser(format, sink);
    LineSplitter splitter(parser);
    std::vector<char> block(std::size_t{1} << 18);
    std::uint64_t readSoFar = 0;
    while (true) {
        // Never more than one byte past the limit, which is enough to tell that the file passed
        // it: an endless source such as /dev/zero stops there.
        const std::uint64_t left = limit - readSoFar;
        const std::size_t wanted =
            left >= block.size() ? block.size() : static_cast<std::size_t>(left) + 1;
        const std::size_t n = std::fread(block.data(), 1, wanted, file.get());
        readSoFar += n;
        if (readSoFar > limit) {
            return Error{FileTooLargeMessage(path)};
        }
        if (n > 0 && !splitter.Push(std::string_view(block.data(), n))) {
            break;
        }
        if (n < wanted) {
            if (std::ferror(file.get()) != 0) {
                return Error{"The trace could not be read to its end."};
            }
            splitter.Finish();
            break;
        }
    }
    return parser.Finish();
}

Result<TraceReadSummary> ReadTraceText(std::string_view text, const TraceFormat& format,
                                       TraceSampleSink& sink) {
    TraceParser parser(format, sink);
    LineSplitter splitter(parser);
    if (splitter.Push(text)) {
        splitter.Finish();
    }
    return parser.Finish();
}


}  // namespace runwell
