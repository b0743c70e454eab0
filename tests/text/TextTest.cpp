#include "text/Text.h"

#include <gtest/gtest.h>

namespace qelvo {
namespace {

TEST(TextTest, ConstructionStopsAtFirstNul) {
    EXPECT_EQ(Text(std::string_view("ab\0cd", 5)).size(), 2u);
    EXPECT_EQ(Text(std::string("ab\0cd", 5)).view(), "ab");
    EXPECT_EQ(Text::FromBytes(Bytes(std::string_view("\0x", 2))), Text());
    EXPECT_EQ(Text(static_cast<const char*>(nullptr)), Text(""));
}

TEST(TextTest, BytesKeepEveryByte) {
    Bytes b(std::string_view("a\0b", 3));
    EXPECT_EQ(b.size(), 3u);
    EXPECT_EQ(Text("a\xD6\xD0").ToBytes().view(), "a\xD6\xD0");
}

TEST(TextTest, ConcatenationAndComparisonAreByteWise) {
    EXPECT_EQ(Text("ab") + Text("cd"), Text("abcd"));
    EXPECT_FALSE(Text("a") == Text("A"));
    EXPECT_EQ(Text() + Text(), Text(""));
}

TEST(TextTest, GbkTextConvertsUtf8Constants) {
    EXPECT_EQ(GbkText(u8"中").view(), "\xD6\xD0");
    EXPECT_EQ(GbkText(u8"检测").view(), "\xBC\xEC\xB2\xE2");
    EXPECT_EQ(GbkText(u8"a😀b").view(), "a?b");
    EXPECT_TRUE(GbkText(u8"").empty());
}

}  // namespace
}  // namespace qelvo
