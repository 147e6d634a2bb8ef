// Reading a trace's bytes as lines for the parser: from a file in blocks, or from memory.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <system_error>
#include <vector>

#include "platform/Platform.h"
#include "trace/TraceFields.h"
#include "trace/TraceReader.h"

namespace runwell {

namespace trace {

Result<bool> ReadBlocks(std::FILE* file, const std::filesystem::path& path, std::uint64_t limit,
                        const std::function<bool(std::string_view)>& push,
                        const char* readError) {
    // The block is read straight into this buffer; stdio's own would only copy it once more.
    std::setvbuf(file, nullptr, _IONBF, 0);
    std::vector<char> block(std::size_t{1} << 18);
    std::uint64_t readSoFar = 0;
    while (true) {
        // Never more than one byte past the limit, which is enough to tell that the file passed
        // it: an endless source such as /dev/zero stops there.
        const std::uint64_t left = limit - readSoFar;
        const std::size_t wanted =
            left >= block.size() ? block.size() : static_cast<std::size_t>(left) + 1;
        const std::size_t n = std::fread(block.data(), 1, wanted, file);
        readSoFar += n;
        if (readSoFar > limit) {
            return Error{FileTooLargeMessage(path)};
        }
        if (n > 0 && !push(std::string_view(block.data(), n))) {
            return false;
        }
        if (n < wanted) {
            if (std::ferror(file) != 0) {
                return Error{readError};
            }
            return true;
        }
    }
}

Result<OpenFile> OpenBounded(const std::filesystem::path& path, std::uint64_t limit) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        return Error{"Cannot open file for reading."};
    }
    OpenFile file(OpenForReading(path), &std::fclose);
    if (!file) {
        return Error{"Cannot open file for reading."};
    }
    // A size that is known is checked before anything is read; a pipe or a device has none.
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (!ec && size > limit) {
        return Error{FileTooLargeMessage(path)};
    }
    return file;
}

bool ParseFieldNumber(std::string_view field, bool decimalComma, std::string& scratch,
                      double& value) {
    field = Unquote(field);
    if (decimalComma && field.find(',') != std::string_view::npos) {
        scratch.assign(field);
        for (char& c : scratch) {
            c = c == ',' ? '.' : c;
        }
        field = scratch;
    }
    if (!field.empty() && field.front() == '+') {
        field.remove_prefix(1);
    }
    const char* last = field.data() + field.size();
    const auto [ptr, ec] = std::from_chars(field.data(), last, value, std::chars_format::general);
    return ec == std::errc() && ptr == last && std::isfinite(value);
}

}  // namespace trace

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
    Result<trace::OpenFile> file = trace::OpenBounded(path, limit);
    if (!file) {
        return file.error();
    }
    TraceParser parser(format, sink);
    trace::LineSplitter<TraceParser> splitter(parser);
    const Result<bool> read = trace::ReadBlocks(
        file->get(), path, limit, [&](std::string_view block) { return splitter.Push(block); },
        "The trace could not be read to its end.");
    if (!read) {
        return read.error();
    }
    if (*read) {
        splitter.Finish();
    }
    return parser.Finish();
}

Result<TraceReadSummary> ReadTraceText(std::string_view text, const TraceFormat& format,
                                       TraceSampleSink& sink) {
    TraceParser parser(format, sink);
    trace::LineSplitter<TraceParser> splitter(parser);
    if (splitter.Push(text)) {
        splitter.Finish();
    }
    return parser.Finish();
}


}  // namespace runwell
