#include "text/ConvertCharset.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/com/Com.h"

namespace qelvo {
namespace {

using namespace std::string_literals;

struct ConvertCase {
    const char* name;
    std::string input;
    const char* from;
    const char* to;
    std::optional<int> start;
    std::string expected;
};

void PrintTo(const ConvertCase& c, std::ostream* os) {
    *os << c.name;
}

// The caller holds one initialisation of its own, so a missing initialise or a missing
// uninitialise in the conversion both show as a changed count.
class ConvertCharsetTest : public ::testing::TestWithParam<ConvertCase> {
  protected:
    void SetUp() override {
        ASSERT_EQ(platform::com::InitCount(), 0);
        platform::com::Initialize();
    }
    void TearDown() override {
        EXPECT_EQ(platform::com::InitCount(), 1) << "conversion left the counter unbalanced";
        platform::com::Uninitialize();
    }
};

TEST_P(ConvertCharsetTest, GivesExpectedBytes) {
    const auto& c = GetParam();
    EXPECT_EQ(ConvertCharset(Bytes(c.input), Text(c.from), Text(c.to), c.start).str(), c.expected);
}

// u8"中文" is E4 B8 AD E6 96 87 in UTF-8 and D6 D0 CE C4 in GBK.
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Table, ConvertCharsetTest,
    ::testing::Values(
        // Defaults apply to the empty name only.
        ConvertCase{"DefaultsAreUtf8ToGbk", "\xE4\xB8\xAD\xE6\x96\x87 ok", "", "", {},
                    "\xD6\xD0\xCE\xC4 ok"},
        ConvertCase{"EmptyInput", "", "", "", {}, ""},
        ConvertCase{"DefaultTargetOnly", "\xD6\xD0", "GBK", "", {}, "\xD6\xD0"},
        ConvertCase{"DefaultSourceOnly", "\xE4\xB8\xAD", "", "utf-8", {}, "\xE4\xB8\xAD"},
        ConvertCase{"GbkToUtf8", "\xD6\xD0\xCE\xC4", "GBK", "UTF-8", {},
                    "\xE4\xB8\xAD\xE6\x96\x87"},
        ConvertCase{"NamesIgnoreCase", "\xE4\xB8\xAD", "Utf-8", "gb2312", {}, "\xD6\xD0"},
        ConvertCase{"Utf16Target", "A", "", "Unicode", {}, "A\0"s},
        // Blank and unknown names are looked up as given and fail: nothing comes out.
        ConvertCase{"BlankSourceIsUnknown", "abc", " ", "GBK", {}, ""},
        ConvertCase{"BlankTargetIsUnknown", "abc", "UTF-8", " ", {}, ""},
        ConvertCase{"UnknownSource", "abc", "klingon", "", {}, ""},
        ConvertCase{"UnknownTarget", "abc", "", "klingon", {}, ""},
        ConvertCase{"UnknownWithStart", "abc", "klingon", "", 1, ""},
        // The start is a byte offset of the encoded output, not of the input.
        ConvertCase{"StartZero", "\xE4\xB8\xAD" "a", "", "", 0, "\xD6\xD0" "a"},
        ConvertCase{"StartCountsOutputBytes", "\xE4\xB8\xAD" "a", "", "", 2, "a"},
        ConvertCase{"StartInsideCharacter", "\xE4\xB8\xAD\xE6\x96\x87", "", "", 1,
                    "\xD0\xCE\xC4"},
        ConvertCase{"StartAtEnd", "\xE4\xB8\xAD" "a", "", "", 3, ""},
        ConvertCase{"StartBeyondEnd", "abc", "", "", 100, ""},
        ConvertCase{"StartNegative", "abc", "", "", -1, ""},
        // Invalid input: one "?" per bad byte in GBK, the rest kept.
        ConvertCase{"InvalidUtf8Byte", "a\xFF" "b", "", "", {}, "a?b"},
        ConvertCase{"LoneContinuationBytes", "\x80\x80x", "", "", {}, "??x"},
        ConvertCase{"OverlongNul", "\xC0\x80", "", "", {}, "??"},
        ConvertCase{"EncodedSurrogate", "\xED\xA0\x80" "z", "", "", {}, "???z"},
        ConvertCase{"TruncatedAtEnd", "ab\xE4\xB8", "", "", {}, "ab?"},
        ConvertCase{"InvalidUtf8IntoUtf8", "a\xFF" "b", "", "UTF-8", {}, "a\xEF\xBF\xBD" "b"},
        ConvertCase{"GbkLacksCharacter", "x\xF0\x9F\x98\x80y", "", "", {}, "x?y"},
        ConvertCase{"OddTrailingGbkLeadByte", "a\xD6", "GBK", "UTF-8", {}, "a\xEF\xBF\xBD"},
        ConvertCase{"OddTrailingGbkLeadByteIntoGbk", "a\xD6", "GBK", "GBK", {}, "a?"},
        ConvertCase{"GbkLeadByteBeforeAscii", "\xD6 x", "GBK", "UTF-8", {}, "\xEF\xBF\xBD x"},
        ConvertCase{"GbkEuroAndFF", "\x80\xFF", "GBK", "UTF-8", {}, "\xE2\x82\xAC\xEF\xBF\xBD"},
        ConvertCase{"Utf8BomDropped", "\xEF\xBB\xBFok", "", "", {}, "ok"},
        // Nothing is lost between decoding and encoding: NUL bytes stay, and a character
        // GBK lacks survives when the target has it.
        ConvertCase{"NulBytesKept", "a\0b"s, "", "", {}, "a\0b"s},
        ConvertCase{"NonGbkCharacterKeptInUtf8", "x\xF0\x9F\x98\x80y", "", "UTF-8", {},
                    "x\xF0\x9F\x98\x80y"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(ConvertCharsetCounterTest, BalancedFromZeroOnLargeInput) {
    std::string mixed;
    for (int i = 0; i < 50000; ++i)
        mixed += "\xE4\xB8\xADz";
    Bytes out = ConvertCharset(Bytes(mixed));
    EXPECT_EQ(out.size(), 150000u);
    EXPECT_EQ(out.view().substr(0, 6), "\xD6\xD0z\xD6\xD0z");
    EXPECT_EQ(platform::com::InitCount(), 0);
}

TEST(Utf8FromGbkTest, Table) {
    struct Case {
        const char* gbk;
        const char* utf8;
    };
    const Case cases[] = {
        {"", ""},
        {"plain ASCII 123", "plain ASCII 123"},
        {"\xD6\xD0", "\xE4\xB8\xAD"},
        {"a\xD6\xD0\xCE\xC4z", "a\xE4\xB8\xAD\xE6\x96\x87z"},
        {"\xA1\xA1", "\xE3\x80\x80"},  // ideographic space
        {"\x80", "\xE2\x82\xAC"},      // code page 936's euro sign
        {"\xFFx", "\xEF\xBF\xBDx"},
        {"a\xD6", "a\xEF\xBF\xBD"},  // lead byte without its trail byte
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.gbk);
        EXPECT_EQ(Utf8FromGbk(Text(c.gbk)).str(), c.utf8);
    }
}

}  // namespace
}  // namespace qelvo
