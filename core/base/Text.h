#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace runwell {

/// Splits a data line at commas, a run of commas counting as one separator: there are no empty
/// fields, and leading commas are ignored. Fields are views into `line`.
std::vector<std::string_view> SplitFields(std::string_view line);
/// The same into a caller's vector, which is cleared first (saves an allocation per line).
void SplitFields(std::string_view line, std::vector<std::string_view>& fields);

/// Splits at any of `separators`, a run of them counting as one; leading ones are skipped.
std::vector<std::string_view> SplitTokens(std::string_view text, std::string_view separators);

/// The notes line decoded: a double quote toggles quoting and is dropped, an unquoted comma
/// becomes CR LF, every other byte is kept.
std::string DecodeNotes(std::string_view line);

/// `text` between two `quote`s for a message: cut after 60 bytes with "...", and every control
/// byte (below 0x20, and 0x7F) written as \xHH, so no key or value of a file can flood a line or
/// reach a terminal as an escape sequence. Bytes from 0x80 are kept as they are.
std::string QuotedForMessage(std::string_view text, char quote = '\'');

/// The length of the well-formed UTF-8 sequence of two to four bytes at `at`, or 0 when none
/// starts there (an ASCII byte, a stray byte, an overlong form, a surrogate, a code point beyond
/// U+10FFFF, a sequence cut short).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);

/// The columns a terminal gives `text`: one per well-formed UTF-8 sequence and one per other
/// byte (an 8-bit file's Latin-1 character), so that neither kind of text loses its blanks.
std::size_t TextColumns(std::string_view text);

/// `rows` laid out as columns, one line each ending in '\n': every cell but a row's last is
/// followed by blanks up to its column's width, which is the widest cell of the column plus
/// `gap` blanks, or `minimumWidths[c]` when that is more. A row's last cell is not padded, so a
/// line ends in blanks only where that cell does. Widths count TextColumns.
std::string LayOutColumns(const std::vector<std::vector<std::string>>& rows,
                          const std::vector<std::size_t>& minimumWidths = {},
                          std::size_t gap = 2);

/// ASCII letters upper-cased; every other byte is kept as it is.
std::string ToUpperAscii(std::string_view text);

/// `byte` with an ASCII capital folded to lower case, as the sorted lists compare texts.
constexpr unsigned char FoldAscii(unsigned char byte) {
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
}

/// Orders texts the way the sorted lists show them: ASCII letters folded to lower case, then
/// byte order (bytes compared as unsigned).
bool LessIgnoringCase(std::string_view a, std::string_view b);

/// True when `text` begins with `prefix`, ASCII letters compared without regard to case.
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix);

/// Index of the first entry that begins with `prefix` ignoring case, or -1.
int FindPrefixIgnoringCase(const std::vector<std::string>& entries, std::string_view prefix);

/// Reads a text line by line: a line ends at LF, and a CR directly before the LF is dropped.
/// The last line needs no terminator.
class LineReader {
public:
    explicit LineReader(std::string_view text) : rest_(text) {}

    /// The next line, or false at the end of the text.
    bool Next(std::string_view& line);
    /// One-based number of the line last returned.
    int lineNumber() const { return lineNumber_; }

private:
    std::string_view rest_;
    int lineNumber_ = 0;
    bool done_ = false;
};

}  // namespace runwell
