#include "text/UrlEncode.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace qelvo {
namespace {

TEST(UrlEncodeTest, Table) {
    struct Case {
        const char* input;
        const char* expected;
    };
    const Case cases[] = {
        {"", ""},
        {"a b", "a+b"},
        {"+%&=!~", "%2B%25%26%3D%21%7E"},
        {"09AZaz'()*-._", "09AZaz'()*-._"},
        {"/?:#\"@", "%2F%3F%3A%23%22%40"},
        {"\x01\t\r\n\x7F", "%01%09%0D%0A%7F"},
        {"\xD6\xD0", "%D6%D0"},
        {"\x81\x41", "%81A"},  // a trail byte that is a letter is copied
        {"\x81\x7E", "%81%7E"},
        {"\x80\xFF", "%80%FF"},
        {"k=\xD6\xD0 1", "k%3D%D6%D0+1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(UrlEncode(Text(c.input)).str(), c.expected);
    }
}

// Every byte outside the copied set is written as sprintf's "%%%02X" writes it.
TEST(UrlEncodeTest, EveryByteValue) {
    const std::string copied =
        "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz'()*-._";
    for (int b = 1; b < 256; ++b) {
        const std::string in(1, static_cast<char>(b));
        std::string expected;
        if (copied.find(in) != std::string::npos) {
            expected = in;
        } else if (b == ' ') {
            expected = "+";
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", b);
            expected = hex;
        }
        EXPECT_EQ(UrlEncode(Text(in)).str(), expected) << "byte " << b;
    }
}

TEST(UrlEncodeTest, AllEscapedGivesExactlyThreeBytesEach) {
    for (std::size_t n : {1u, 2u, 1000u, 100000u}) {
        const std::string in(n, '\xD6');
        const Text out = UrlEncode(Text(in));
        ASSERT_EQ(out.size(), 3 * n);
        EXPECT_EQ(out.view().substr(0, 3), "%D6");
        EXPECT_EQ(out.view().substr(3 * n - 3), "%D6");
    }
}

}  // namespace
}  // namespace qelvo
