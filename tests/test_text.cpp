#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "model/Text.h"

namespace runwell {
namespace {

using Views = std::vector<std::string_view>;

TEST(SplitFields, RunsOfCommasCountAsOneSeparator) {
    struct Case {
        std::string_view line;
        Views expected;
    };
    const Case cases[] = {
        {"SLEEP,3.3V,25C,0,20", {"SLEEP", "3.3V", "25C", "0", "20"}},
        {"1200,,150", {"1200", "150"}},  // an empty field shifts the rest left
        {",,,RUN,3.3V", {"RUN", "3.3V"}},
        {"RUN,3.3V,,,", {"RUN", "3.3V"}},
        {"", {}},
        {",,,", {}},
        {"   ", {"   "}},                        // no trimming
        {" a ,\"b,c\"", {" a ", "\"b", "c\""}},  // quotes are ordinary characters
    };
    std::vector<std::string_view> reused{"left", "over"};
    for (const Case& c : cases) {
        EXPECT_EQ(SplitFields(c.line), c.expected) << "line: " << c.line;
        SplitFields(c.line, reused);
        EXPECT_EQ(reused, c.expected) << "line: " << c.line;
    }
}

TEST(SplitTokens, SplitsAtAnyOfTheSeparators) {
    EXPECT_EQ(SplitTokens("ADC[hOSC]", "[]"), (Views{"ADC", "hOSC"}));
    EXPECT_EQ(SplitTokens("[[x]][y", "[]"), (Views{"x", "y"}));
    EXPECT_EQ(SplitTokens("Timer1", "["), (Views{"Timer1"}));
    EXPECT_EQ(SplitTokens("[]", "[]"), Views{});
    EXPECT_EQ(SplitTokens("", "[]"), Views{});
}

TEST(DecodeNotes, QuotesProtectCommasAndAreDropped) {
    struct Case {
        std::string_view line;
        std::string expected;
    };
    const Case cases[] = {
        {"\"x,y\",z", "x,y\r\nz"},
        {"", ""},
        {"a\"\"b", "ab"},
        {"a,b,,c", "a\r\nb\r\n\r\nc"},
        {",lead", "\r\nlead"},
        {"\"open, never closed", "open, never closed"},
        {"Rev \xB1"
         "2 'ok'",
         "Rev \xB1"
         "2 'ok'"},  // other bytes are kept
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecodeNotes(c.line), c.expected) << "line: " << c.line;
    }
}

TEST(ToUpperAscii, UpperCasesAsciiLettersOnly) {
    EXPECT_EQ(ToUpperAscii("run 3.3v 25c 4mhz"), "RUN 3.3V 25C 4MHZ");
    EXPECT_EQ(ToUpperAscii("az{`@[AZ"), "AZ{`@[AZ");
    EXPECT_EQ(ToUpperAscii("\xE9t\xE9"), "\xE9T\xE9");
    EXPECT_EQ(ToUpperAscii(""), "");
}

TEST(LessIgnoringCase, FoldsLettersThenComparesBytesUnsigned) {
    struct Case {
        std::string_view a;
        std::string_view b;
        bool less;
    };
    const Case cases[] = {
        {"abc", "ABD", true}, {"ABD", "abc", false},     {"a", "B", true},
        {"B", "a", false},    {"Sleep", "SLEEP", false}, {"SLEEP", "sleep", false},
        {"ab", "abc", true},  {"abc", "ab", false},      {"", "a", true},
        {"", "", false},      {"_", "A", true},      // 'A' folds to 'a', which follows '_'
        {"z", "\xE9", true},  {"\xE9", "z", false},  // bytes above 127 sort last
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LessIgnoringCase(c.a, c.b), c.less) << '"' << c.a << "\" < \"" << c.b << '"';
    }
}

TEST(StartsWithIgnoringCase, ComparesThePrefixOnly) {
    EXPECT_TRUE(StartsWithIgnoringCase("Sleep", "SL"));
    EXPECT_TRUE(StartsWithIgnoringCase("SLEEP", "sleep"));
    EXPECT_TRUE(StartsWithIgnoringCase("x", ""));
    EXPECT_FALSE(StartsWithIgnoringCase("S", "SL"));
    EXPECT_FALSE(StartsWithIgnoringCase("RUN", "SL"));
    EXPECT_FALSE(StartsWithIgnoringCase("\xE9", "\xC9"));  // only ASCII letters fold
}

TEST(FindPrefixIgnoringCase, ReturnsTheFirstMatchingEntry) {
    const std::vector<std::string> entries{"RUN", "SLEEP", "sleep2"};
    EXPECT_EQ(FindPrefixIgnoringCase(entries, "sl"), 1);
    EXPECT_EQ(FindPrefixIgnoringCase(entries, "SLEEP2"), 2);
    EXPECT_EQ(FindPrefixIgnoringCase(entries, ""), 0);
    EXPECT_EQ(FindPrefixIgnoringCase(entries, "idle"), -1);
    EXPECT_EQ(FindPrefixIgnoringCase({}, ""), -1);
}

std::vector<std::string_view> ReadAll(std::string_view text) {
    LineReader reader(text);
    std::vector<std::string_view> lines;
    std::string_view line;
    while (reader.Next(line)) {
        lines.push_back(line);
        EXPECT_EQ(reader.lineNumber(), static_cast<int>(lines.size()));
    }
    EXPECT_FALSE(reader.Next(line));  // stays at the end
    return lines;
}

TEST(LineReader, SplitsAtLineFeedsAndDropsTheCarriageReturnBeforeThem) {
    struct Case {
        std::string_view text;
        Views expected;
    };
    const Case cases[] = {
        {"a\r\nb\nc", {"a", "b", "c"}},
        {"a\n", {"a"}},
        {"a\n\nb\n", {"a", "", "b"}},
        {"\n", {""}},
        {"", {}},
        {"a\r", {"a\r"}},      // a CR not followed by LF is kept
        {"a\r\r\n", {"a\r"}},  // only the CR directly before the LF goes
        {"\r\n\r\n", {"", ""}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadAll(c.text), c.expected);
    }
}

}  // namespace
}  // namespace runwell
