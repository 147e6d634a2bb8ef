#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace runwell::trace {

/// Blanks, tabs and a trailing CR taken off both ends.
std::string_view Trim(std::string_view text);
/// Blanks and one pair of double quotes around a field taken off.
std::string_view Unquote(std::string_view field);
/// Lower case, with the micro sign in its UTF-8 forms (U+00B5, U+03BC) and in Latin-1 as 'u'.
std::string Normalised(std::string_view text);

/// A column caption as its name and its unit: "Current(uA)", "I [mA]", "time_ms", "Current uA",
/// "Voltage mV".
struct Caption {
    std::string name;  // normalised
    std::string unit;  // normalised; empty when the caption names none
};
Caption SplitCaption(std::string_view field);
bool IsTimeName(std::string_view name);
bool IsCurrentName(std::string_view name);
/// "u", "v" or a name holding "voltage": a discharge log's voltage column.
bool IsVoltageName(std::string_view name);

/// The separator a header line uses: ';' when it holds one, else a tab when it holds one, else
/// ','. Where ',' does not separate, it is the decimal point ("1,5" in a ';' file).
char SeparatorOf(std::string_view headerLine);

/// The fields of a line split at `separator`, empty fields included.
void SplitAt(std::string_view line, char separator, std::vector<std::string_view>& fields);
/// `text` in double quotes as messages quote a file's bytes (QuotedForMessage): cut after 60
/// bytes, control bytes written as "\x1B" and the like.
std::string Quoted(std::string_view text);
bool IsBlankOrComment(std::string_view line);
/// Shortest text that reads back as `value`.
std::string NumberText(double value);

}  // namespace runwell::trace
