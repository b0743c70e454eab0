#include "web/TextOps.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

// Byte notes for the GBK cases: 0x81..0xFE (and 0x80, 0xFF) lead a double-byte character
// whose second byte may look like ASCII: "\x81" "A" is one character, not 0x81 and 'A'.

namespace qelvo {
namespace {

std::vector<std::string> Strings(const std::vector<Text>& texts) {
    std::vector<std::string> out;
    for (const Text& t : texts)
        out.push_back(t.str());
    return out;
}

TEST(TextOpsTest, FindTextSearchesWholeCharactersFromStart) {
    struct Case {
        const char* text;
        const char* sought;
        int start;
        bool ignoreCase;
        int want;
    };
    const Case cases[] = {
        {"abcabc", "c", 1, false, 3},
        {"abcabc", "c", 4, false, 6},
        {"abcabc", "c", 6, false, 6},
        {"abcabc", "c", 7, false, -1},
        {"abcabc", "c", 100, false, -1},
        {"abcabc", "c", 0, false, 3},
        {"abcabc", "c", INT_MIN, false, 3},
        {"abcabc", "x", 1, false, -1},
        {"aaa", "aa", 2, false, 2},
        {"ab", "abc", 1, false, -1},
        {"", "a", 1, false, -1},
        // An empty sought text: 1 for a non-empty text, -1 for an empty one.
        {"abc", "", 1, false, 1},
        {"abc", "", 5, false, 1},
        {"", "", 1, false, -1},
        // Second bytes equal to ASCII never start an occurrence.
        {"\x81"
         "A",
         "A", 1, false, -1},
        {"\x81"
         "AA",
         "A", 1, false, 3},
        {"\x81|a|", "|", 1, false, 4},
        {"\x81;=\x81=;", ";", 1, false, 6},
        {"\x81:a:", ":", 1, false, 4},
        {"\xFF"
         "AA",
         "A", 1, false, 3},
        {"\x80"
         "A",
         "A", 1, false, -1},
        // A start on a second byte moves on to the next character.
        {"\x81"
         "AA",
         "A", 2, false, 3},
        {"\x81"
         "AA",
         "\x81"
         "A",
         2, false, -1},
        // A lone lead byte at the end is a character; nothing is read past the end.
        {"ab\x81", "\x81", 1, false, 3},
        {"ab\x81",
         "\x81"
         "A",
         1, false, -1},
        {"\x81", "b", 1, false, -1},
        // Ignoring case folds ASCII letters of single-byte characters only.
        {"xAbC", "abc", 1, true, 2},
        {"xAbC", "abc", 1, false, -1},
        {"\x81"
         "a",
         "\x81"
         "A",
         1, true, -1},
        {"\x81"
         "A",
         "a", 1, true, -1},
        {"\xD6\xD0"
         "A",
         "\xD6\xD0"
         "a",
         1, true, 1},
        {"HTTP://X", "http://", 1, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << "\" / \"" << c.sought << "\" from "
                                        << c.start << (c.ignoreCase ? " ic" : ""));
        EXPECT_EQ(FindText(c.text, c.sought, c.start, c.ignoreCase), c.want);
    }
}

TEST(TextOpsTest, FindLastTextGivesTheLastWholeCharacterOccurrence) {
    struct Case {
        const char* text;
        const char* sought;
        int want;
    };
    const Case cases[] = {
        {"a:b:c", ":", 4}, {"abc", ":", -1},       {"", ":", -1},
        {"aaa", "aa", 2},  {"a:\x81:", ":", 2},    {"a\x81", "\x81", 2},
        {"abc", "", 1},    {"server:444", ":", 7}, {"aBc", "b", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << "\" / \"" << c.sought << '"');
        EXPECT_EQ(FindLastText(c.text, c.sought), c.want);
    }
}

TEST(TextOpsTest, LeftRightMidCountBytesWithinBounds) {
    struct Case {
        Text got;
        const char* want;
    };
    const Text abc("abc");
    const Case cases[] = {
        {TextLeft(abc, 2), "ab"},
        {TextLeft(abc, 0), ""},
        {TextLeft(abc, -1), ""},
        {TextLeft(abc, 3), "abc"},
        {TextLeft(abc, INT_MAX), "abc"},
        {TextLeft(Text(), 2), ""},
        {TextRight(abc, 2), "bc"},
        {TextRight(abc, 0), ""},
        {TextRight(abc, -3), ""},
        {TextRight(abc, 9), "abc"},
        {TextRight(Text(), 1), ""},
        {TextMid(abc, 2, 1), "b"},
        {TextMid(abc, 2, 9), "bc"},
        {TextMid(abc, 2, INT_MAX), "bc"},
        {TextMid(abc, 3, 1), "c"},
        {TextMid(abc, 4, 1), ""},
        {TextMid(abc, 0, 2), ""},
        {TextMid(abc, 1, 0), ""},
        {TextMid(abc, 1, -1), ""},
        {TextMid(Text(), 1, 1), ""},
        // Byte counts: a double-byte character may be cut.
        {TextLeft("\xD6\xD0", 1), "\xD6"},
        {TextRight("\xD6\xD0", 1), "\xD0"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(testing::Message() << "case " << i);
        EXPECT_EQ(cases[i].got.str(), cases[i].want);
    }
}

TEST(TextOpsTest, SplitTextPieces) {
    struct Case {
        const char* text;
        const char* separator;
        std::vector<std::string> want;
    };
    const Case cases[] = {
        {"a\r\n\r\nb", "\r\n", {"a", "", "b"}},
        {"a\r\n", "\r\n", {"a"}},
        {"a\r\n\r\n", "\r\n", {"a", ""}},
        {"", "\r\n", {}},
        {"\r\n", "\r\n", {""}},
        {"\r\nb", "\r\n", {"", "b"}},
        {"ab", "\r\n", {"ab"}},
        {"a\rb\nc", "\r\n", {"a\rb\nc"}},
        {"a=1; b=2; c=3", "; ", {"a=1", "b=2", "c=3"}},
        {"a=1;b=2; c=3", "; ", {"a=1;b=2", "c=3"}},
        {"a; ; b", "; ", {"a", "", "b"}},
        // Separators inside double-byte characters are not separators.
        {"\x81;x;y", ";", {"\x81;x", "y"}},
        {"a\x81\r\nb", "\r\n", {"a\x81\r\nb"}},
        {"\x81; a; b", "; ", {"\x81; a", "b"}},
        {"a;\x81", ";", {"a", "\x81"}},
        {"abc", "", {"abc"}},
        {"", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << "\" at \"" << c.separator << '"');
        EXPECT_EQ(Strings(SplitText(c.text, c.separator)), c.want);
    }
}

TEST(TextOpsTest, TrimBlanksRemovesSpacesAndIdeographicSpacesOnly) {
    struct Case {
        const char* text;
        const char* want;
    };
    const Case cases[] = {
        {" \tx ", "\tx"},
        {"", ""},
        {"   ", ""},
        {"\xA1\xA1"
         "x\xA1\xA1",
         "x"},
        {" \xA1\xA1 a b \xA1\xA1 ", "a b"},
        {"\r\nx\r\n", "\r\nx\r\n"},
        // 81 20 is one character whose second byte is 0x20: not a blank.
        {" \x81 ", "\x81 "},
        // 81 A1 then a lone A1: no ideographic space here.
        {"x\x81\xA1\xA1", "x\x81\xA1\xA1"},
        {"\x81\xA1\xA1\xA1", "\x81\xA1"},
        {"\xA1\xA1\xA1", "\xA1"},
        {"\xA1", "\xA1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << '"');
        EXPECT_EQ(TrimBlanks(c.text).str(), c.want);
    }
}

TEST(TextOpsTest, ReplaceTextScansLeftToRightWithoutRescanning) {
    struct Case {
        const char* text;
        const char* sought;
        const char* replacement;
        bool ignoreCase;
        const char* want;
    };
    const Case cases[] = {
        {"aXbxc", "x", "-", true, "a-b-c"},
        {"aXbxc", "x", "-", false, "aXb-c"},
        {"aaa", "aa", "b", false, "ba"},
        {"abc", "b", "bb", false, "abbc"},
        {"abab", "ab", "", false, ""},
        {"abc", "", "z", false, "abc"},
        {"", "a", "b", false, ""},
        {"Set-Cookie: a=Set-cookie:b", "set-cookie:", "", true, " a=b"},
        {"\x81x\x81x", "x", "y", false, "\x81x\x81x"},
        {"\x81xx", "x", "y", false, "\x81xy"},
        {"\x81"
         "a",
         "\x81"
         "A",
         "z", true,
         "\x81"
         "a"},
        {"ab\x81", "\x81", "!", false, "ab!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << '"' << c.text << "\" \"" << c.sought << "\" -> \"" << c.replacement << '"');
        EXPECT_EQ(ReplaceText(c.text, c.sought, c.replacement, c.ignoreCase).str(), c.want);
    }
}

TEST(TextOpsTest, TextToIntReadsLeadingNumberNarrowsFullWidthAndSaturates) {
    struct Case {
        const char* text;
        int want;
    };
    const Case cases[] = {
        {"123", 123},
        {"  -42x", -42},
        {"+7", 7},
        {"\t\r\n\v\f 5", 5},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"+-1", 0},
        {"- 1", 0},
        {"0x1A", 0},
        {"1e5", 1},
        {"0000000000000000000042", 42},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-2147483649", INT_MIN},
        {"99999999999999999999999", INT_MAX},
        {"-99999999999999999999999", INT_MIN},
        // Full-width digits, sign and ideographic space count as their narrow forms.
        {"\xA3\xB1\xA3\xB2", 12},
        {"\xA1\xA1\xA3\xAD\xA3\xB3", -3},
        {"\xA3\xAB"
         "8",
         8},
        {"12\xA3\xB3", 123},
        {"\xA3\xB2\xA3\xB1\xA3\xB4\xA3\xB7\xA3\xB4\xA3\xB8\xA3\xB3\xA3\xB6\xA3\xB4\xA3\xB8",
         INT_MAX},
        // Narrowing follows characters: 81 A3 is one character, B1 a lone lead byte.
        {"\x81\xA3\xB1", 0},
        {"1\xA3", 1},
        {"\xA3", 0},
        {"\xA3\xA0"
         "1",
         0},
        {"\xA1\xA1", 0},
        {"\xFF"
         "1",
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << '"');
        EXPECT_EQ(TextToInt(c.text), c.want);
    }
}

TEST(TextOpsTest, TextBetweenTakesContentBetweenMarkers) {
    struct Case {
        Text text;
        Text start;
        Text end;
        const char* want;
    };
    const Case cases[] = {
        {"User-Agent: A\r\n", "User-Agent:", "\r\n", " A"},
        {"abc", "x", "c", ""},
        {"abc", "a", "x", ""},
        {"abc", "a", "b", ""},
        {"ab[", "[", "]", ""},
        {"", "[", "]", ""},
        {"x]a[y]", "[", "]", "y"},
        {"a=1; b=2", "b=", ";", ""},
        {"a=1; b=2", "a=", ";", "1"},
        {"user-agent: A\r\n", "User-Agent:", "\r\n", ""},
        {"k=\"v\" k=\"w\"", GbkText(u8"k=#引号"), GbkText(u8"#引号"), "v"},
        {"say \"hi\"", GbkText(u8"#引号"), GbkText(u8"#引号"), "hi"},
        // Markers inside double-byte characters are not markers.
        {"\x81[a[b]", "[", "]", "b"},
        {"[\x81]x]", "[", "]", "\x81]x"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(testing::Message() << "case " << i << ": \"" << cases[i].text.str() << '"');
        EXPECT_EQ(TextBetween(cases[i].text, cases[i].start, cases[i].end).str(), cases[i].want);
    }
}

TEST(TextOpsTest, TextBeforeTakesWhatPrecedesTheSeparator) {
    struct Case {
        const char* text;
        const char* separator;
        const char* want;
    };
    const Case cases[] = {
        {"Set-Cookie: a=1", ": ", "Set-Cookie"},
        {"Set-Cookie:a=1", ": ", ""},
        {": x", ": ", ""},
        {"", ": ", ""},
        {"\x81: x: y", ": ", "\x81: x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << '"');
        EXPECT_EQ(TextBefore(c.text, c.separator).str(), c.want);
    }
}

TEST(TextOpsTest, CaseMappingChangesAsciiLettersOfSingleByteCharactersOnly) {
    struct Case {
        const char* text;
        const char* lower;
        const char* upper;
    };
    const Case cases[] = {
        {"AbC-1", "abc-1", "ABC-1"},
        {"", "", ""},
        {"\x81"
         "Az",
         "\x81"
         "Az",
         "\x81"
         "AZ"},
        {"\x81"
         "aA",
         "\x81"
         "aa",
         "\x81"
         "aA"},
        {"\xD6\xD0"
         "X",
         "\xD6\xD0"
         "x",
         "\xD6\xD0"
         "X"},
        {"a\xFF", "a\xFF", "A\xFF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << '"');
        EXPECT_EQ(TextToLower(c.text).str(), c.lower);
        EXPECT_EQ(TextToUpper(c.text).str(), c.upper);
    }
}

}  // namespace
}  // namespace qelvo
