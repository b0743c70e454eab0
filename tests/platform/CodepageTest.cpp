#include "platform/codepage/Codepage.h"

#include <gtest/gtest.h>

#include <ostream>

#include "platform/com/Com.h"

namespace qelvo::platform::codepage {
namespace {

struct ConvertCase {
    const char* name;
    std::string input;
    const char* from;
    const char* to;
    std::optional<std::string> expected;
};

// Keeps the case name, not a dump of its bytes, in test listings.
void PrintTo(const ConvertCase& c, std::ostream* os) {
    *os << c.name;
}

class ConvertTest : public ::testing::TestWithParam<ConvertCase> {};

TEST_P(ConvertTest, GivesExpectedBytes) {
    const auto& c = GetParam();
    EXPECT_EQ(Convert(c.input, c.from, c.to), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ConvertTest,
    ::testing::Values(
        ConvertCase{"Utf8ToGbk", "\xE4\xB8\xAD", "UTF-8", "GBK", "\xD6\xD0"},
        ConvertCase{"GbkToUtf8", "\xD6\xD0", "gbk", "utf-8", "\xE4\xB8\xAD"},
        ConvertCase{"Gb2312IsReadAsGbk", "\x81\x40", "GB2312", "UTF-8", "\xE4\xB8\x82"},
        ConvertCase{"AsciiUnchanged", "abc 123", "UTF-8", "GBK", "abc 123"},
        ConvertCase{"EmptyInput", "", "UTF-8", "GBK", ""},
        ConvertCase{"NamesIgnoreCase", "\xE4\xB8\xAD", "uTf-8", "GbK", "\xD6\xD0"},
        ConvertCase{"Gb18030", "\xE4\xB8\xAD", "UTF-8", "GB18030", "\xD6\xD0"},
        ConvertCase{"Big5", "\xE4\xB8\xAD", "UTF-8", "BIG5", "\xA4\xA4"},
        ConvertCase{"UnicodeIsUtf16LeWithoutBom", "A\xE4\xB8\xAD", "UTF-8", "Unicode",
                    std::string("A\0\x2D\x4E", 4)},
        ConvertCase{"Utf16BomDropped",
                    std::string("\xFF\xFE"
                                "A\0",
                                4),
                    "UTF-16LE", "UTF-8", "A"},
        ConvertCase{"Utf8BomDropped", "\xEF\xBB\xBFok", "UTF-8", "GBK", "ok"},
        ConvertCase{"Latin1", "\xE9", "ISO-8859-1", "UTF-8", "\xC3\xA9"},
        ConvertCase{"UsAsciiHighByteIsReplaced", "a\xE9", "US-ASCII", "UTF-8", "a\xEF\xBF\xBD"},
        // Bad input never cuts the rest of the text short.
        ConvertCase{"InvalidUtf8ByteBecomesQuestionMark",
                    "a\xFF"
                    "b",
                    "UTF-8", "GBK", "a?b"},
        ConvertCase{"EachBadByteIsOneMark", "\x80\x80", "UTF-8", "GBK", "??"},
        ConvertCase{"TruncatedUtf8AtEnd", "ab\xE4\xB8", "UTF-8", "GBK", "ab?"},
        ConvertCase{"OddGbkLeadByteAtEnd", "a\xD6", "GBK", "UTF-8", "a\xEF\xBF\xBD"},
        // A bad lead byte costs only itself: the ASCII byte after it is read again.
        ConvertCase{"GbkLeadByteBeforeAscii", "\xD6 x", "GBK", "UTF-8", "\xEF\xBF\xBD x"},
        ConvertCase{"GbkEuroSign", "\x80", "GBK", "UTF-8", "\xE2\x82\xAC"},
        ConvertCase{"EuroSignToGbk", "\xE2\x82\xAC", "UTF-8", "GBK", "\x80"},
        ConvertCase{"GbkFFInvalid", "\xFFx", "GBK", "UTF-8", "\xEF\xBF\xBDx"},
        // Forms UTF-8 forbids never decode to a character (no NUL, no lone surrogate).
        ConvertCase{"OverlongUtf8", "\xC0\x80", "UTF-8", "UTF-16LE",
                    std::string("\xFD\xFF\xFD\xFF", 4)},
        ConvertCase{"EncodedSurrogateUtf8", "\xED\xA0\x80", "UTF-8", "GBK", "???"},
        ConvertCase{"BeyondUnicodeUtf8", "\xF4\x90\x80\x80", "UTF-8", "GBK", "????"},
        ConvertCase{"GbkLacksCharacter", "x\xF0\x9F\x98\x80y", "UTF-8", "GBK", "x?y"},
        ConvertCase{"NulBytesKept", std::string("a\0b", 3), "UTF-8", "GBK", std::string("a\0b", 3)},
        ConvertCase{"UnknownSource", "a", "klingon", "GBK", std::nullopt},
        ConvertCase{"UnknownTarget", "a", "UTF-8", " ", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CodepageTest, LoneSurrogateEncodesAsQuestionMark) {
    std::u16string text = u"a";
    text.push_back(char16_t(0xD800));
    text += u"b";
    EXPECT_EQ(Encode(text, "UTF-8"), "a?b");
}

TEST(CodepageTest, LargeInputRoundTrips) {
    std::string big;
    for (int i = 0; i < 100000; ++i)
        big += "\xD6\xD0x";
    auto utf8 = Convert(big, "GBK", "UTF-8");
    ASSERT_TRUE(utf8);
    EXPECT_EQ(utf8->size(), 400000u);
    EXPECT_EQ(Convert(*utf8, "UTF-8", "GBK"), big);
}

TEST(ComTest, CountsPerThreadAndNeverGoesNegative) {
    EXPECT_EQ(com::InitCount(), 0);
    com::Initialize();
    com::Initialize();
    EXPECT_EQ(com::InitCount(), 2);
    com::Uninitialize();
    com::Uninitialize();
    com::Uninitialize();
    EXPECT_EQ(com::InitCount(), 0);
}

}  // namespace
}  // namespace qelvo::platform::codepage
