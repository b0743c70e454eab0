#include "web/Cookies.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qelvo {
namespace {

TEST(CookiesTest, CollectResponseCookiesTakesNameValueOfExactSetCookieLines) {
    struct Case {
        const char* block;
        const char* want;
    };
    const Case cases[] = {
        {"HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/; HttpOnly\r\nSet-Cookie: b=2\r\n\r\n",
         "a=1; b=2"},
        {"HTTP/1.1 200 OK\r\nset-cookie: a=1\r\nSet-Cookie:a=1\r\nSET-COOKIE: c=3\r\n\r\n", ""},
        {"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n", ""},
        {"", ""},
        {"Set-Cookie: a=1\r\nSet-Cookie: a=2; Max-Age=0", "a=1; a=2"},
        {"Set-Cookie:  \xA1\xA1s=x y \r\n", "s=x y"},
        // Without ";" every "Set-Cookie:" is removed, ignoring case.
        {"Set-Cookie: a=set-cookie:b", "a=b"},
        // The value ends at the first ";" after the exactly written "Set-Cookie:".
        {"Set-Cookie: a=1;b=2;c", "a=1"},
        {"Set-Cookie: ; path=/\r\nSet-Cookie: b=2", "; b=2"},
        // 81 3B is one character, not a ";".
        {"Set-Cookie: n=\x81;v\r\nSet-Cookie: m=\x81;w; path=/", "n=\x81;v; m=\x81;w"},
        {"Set-Cookie: a=1\r\nX-Set-Cookie: b=2\r\n Set-Cookie: c=3", "a=1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.block << '"');
        EXPECT_EQ(CollectResponseCookies(c.block).str(), c.want);
    }
}

TEST(CookiesTest, MergeCookiesPutsResponseFirstAndDropsDeleted) {
    struct Case {
        const char* request;
        const char* response;
        const char* want;
    };
    const Case cases[] = {
        {"a=1; b=2", "b=3", "b=3; a=1"},
        {"a=1; b=2", "b=deleted", "a=1"},
        {"a=1; b=deleted", "", "a=1"},
        {"a=1; b=2", "", "a=1; b=2"},
        {"a=1;", "", "a=1"},
        {"", "a=1; a=2", "a=1; a=2"},
        {"a=1; a=1", "", "a=1"},
        {"a=1;b=2", "b=3", "b=3; a=1;b=2"},
        {"deleted=1", "", "deleted=1"},
        {"", "", ""},
        {"a=deleted", "b=deleted", ""},
        {"  a=1; b=2 ", " c=3;", "c=3; a=1; b=2"},
        {"a=1; b=2", "c=3; a=9", "c=3; a=9; b=2"},
        {"x = 1; y=2", "x=5", "x=5; y=2"},
        // A request item is checked against the list as it grows: a later "a" is shadowed.
        {"a=1; b=2; a=3", "", "a=1; b=2"},
        // Second bytes that look like "=" or ";" are part of the name or value.
        {"\x81=k=1; \x81;=2", "\x81=k=3", "\x81=k=3; \x81;=2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.request << "\" + \"" << c.response << '"');
        Text request(c.request);
        const Text merged = MergeCookies(request, c.response);
        EXPECT_EQ(merged.str(), c.want);
        EXPECT_EQ(request.str(), c.want);
    }
}

TEST(CookiesTest, CookieNameIsTrimmedPartBeforeFirstEquals) {
    struct Case {
        const char* item;
        const char* want;
    };
    const Case cases[] = {
        {"a=1", "a"}, {" a =1=2", "a"}, {"flag", "flag"},       {" flag ", "flag"},
        {"", ""},     {"=1", ""},       {"\x81=b=1", "\x81=b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.item << '"');
        EXPECT_EQ(CookieName(c.item).str(), c.want);
    }
}

TEST(CookiesTest, ListLookups) {
    const std::vector<Text> items = {"a=1", " b=2", "c", "A=3"};
    EXPECT_TRUE(HasCookieNamed(items, "a"));
    EXPECT_TRUE(HasCookieNamed(items, "b"));
    EXPECT_TRUE(HasCookieNamed(items, "c"));
    EXPECT_TRUE(HasCookieNamed(items, "A"));
    EXPECT_FALSE(HasCookieNamed(items, "B"));
    EXPECT_FALSE(HasCookieNamed(items, "a=1"));
    EXPECT_FALSE(HasCookieNamed({}, ""));

    EXPECT_EQ(IndexOfText(items, "a=1"), 1);
    EXPECT_EQ(IndexOfText(items, "A=3"), 4);
    EXPECT_EQ(IndexOfText(items, "b=2"), -1);
    EXPECT_EQ(IndexOfText({}, ""), -1);
    EXPECT_EQ(IndexOfText({"x", "", ""}, ""), 2);
}

TEST(CookiesTest, JoinDistinctKeepsFirstOfIdenticalItems) {
    struct Case {
        const char* text;
        const char* separator;
        const char* want;
    };
    const Case cases[] = {
        {"a=1; a=2; a=1", "; ", "a=1; a=2"},
        {"a; ; b; ", "; ", "a; ; b"},
        {"", "; ", ""},
        {"x,y,x,,", ",", "x,y,"},
        {"abc", "", "abc"},
        {"A=1; a=1", "; ", "A=1; a=1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << "\" at \"" << c.separator << '"');
        EXPECT_EQ(JoinDistinct(c.text, c.separator).str(), c.want);
    }
}

}  // namespace
}  // namespace qelvo
