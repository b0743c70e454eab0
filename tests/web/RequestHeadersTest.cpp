#include "web/RequestHeaders.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace qelvo {
namespace {

const std::string kDefaultAgent(kDefaultUserAgent);

TEST(RequestHeadersTest, NormalizeHeaderNamesRaisesNameStartsAndDropsLinesWithoutColon) {
    struct Case {
        const char* headers;
        const char* want;
    };
    const Case cases[] = {
        {"accept-language: zh-cn", "Accept-Language: zh-cn"},
        {"content-type: application/x-www-form-urlencoded",
         "Content-Type: application/x-www-form-urlencoded"},
        {"CONTENT-TYPE: x", "CONTENT-TYPE: x"},
        {"x-a-b-: v", "X-A-B-: v"},
        {"user-agent: a\r\nreferer: http://h/a-b", "User-Agent: a\r\nReferer: http://h/a-b"},
        {"a: 1\r\nno colon\r\n\r\nb: 2\r\n", "A: 1\r\nB: 2"},
        {"", ""},
        {"none\r\nat all", ""},
        {"host: a:b:c", "Host: a:b:c"},
        {"x: user-agent: y", "X: user-agent: y"},
        // A blank before the name keeps its first letter as it is.
        {" accept: x", " accept: x"},
        // Second bytes: 81 2D is not a "-", 81 3A is not a ":".
        {"\x81-a: v", "\x81-a: v"},
        {"a-\x81"
         "b-c: v",
         "A-\x81"
         "b-C: v"},
        {"\x81:a: v", "\x81:a: v"},
        {"\x81:", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.headers << '"');
        EXPECT_EQ(NormalizeHeaderNames(c.headers).str(), c.want);
    }
}

TEST(RequestHeadersTest, ChooseUserAgentPrefersExactLineThenFallsBack) {
    struct Case {
        const char* headers;
        std::string want;
    };
    const Case cases[] = {
        {"", kDefaultAgent},
        {"Accept: */*", kDefaultAgent},
        {"User-Agent: A\r\nAccept: */*", "A"},
        {"Accept: */*\r\nUser-Agent:  \xA1\xA1Mozilla/5.0 (X) \r\nX: 1", "Mozilla/5.0 (X)"},
        {"User-Agent: A", "A"},
        // Presence test ignores case, extraction does not: falls back to the first colon.
        {"user-agent: A", "A"},
        {"Accept: */*\r\nUser-Agent: ", "*/*\r\nUser-Agent:"},
        {"X-User-Agent: B", "B"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.headers << '"');
        EXPECT_EQ(ChooseUserAgent(c.headers).str(), c.want);
    }
}

TEST(RequestHeadersTest, ValueAfterColonTrimsBlanksOnly) {
    struct Case {
        const char* text;
        const char* want;
    };
    const Case cases[] = {
        {"a: b", "b"}, {"a:b:c", "b:c"},       {"no colon", ""},    {"", ""},
        {"a:", ""},    {"a: \r\nb ", "\r\nb"}, {"\x81: x: y", "y"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << '"');
        EXPECT_EQ(ValueAfterColon(c.text).str(), c.want);
    }
}

TEST(RequestHeadersTest, CompleteRequestHeadersAppendsMissingDefaults) {
    const std::string url = "https://h/p?q=1";
    const std::string defaults = "\r\nReferer: " + url + "\r\nAccept-Language: zh-cn";
    const std::string form = "\r\nContent-Type: application/x-www-form-urlencoded";
    struct Case {
        std::string headers;
        int method;
        std::string want;
    };
    const Case cases[] = {
        {"", 0, "Accept: */*" + defaults},
        {"", 1, "Accept: */*" + defaults + form},
        {"", 3, "Accept: */*" + defaults},
        {"User-Agent: A", 1, "User-Agent: A\r\nAccept: */*" + defaults + form},
        {"accept: text/html", 0, "accept: text/html" + defaults},
        {"X-Accept: 1", 0, "X-Accept: 1" + defaults},
        {"Accept: a\r\nREFERER: r\r\naccept-language: en\r\ncontent-type: t", 1,
         "Accept: a\r\nREFERER: r\r\naccept-language: en\r\ncontent-type: t"},
        // "Accept-Language:" does not hold "Accept:".
        {"Accept-Language: en", 0, "Accept-Language: en\r\nAccept: */*\r\nReferer: " + url},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.headers << "\" method " << c.method);
        Text headers(c.headers);
        CompleteRequestHeaders(headers, url, c.method);
        EXPECT_EQ(headers.str(), c.want);
    }
}

TEST(RequestHeadersTest, AddCookieHeaderAppendsCookieLine) {
    struct Case {
        const char* headers;
        std::optional<Text> cookies;
        const char* want;
    };
    const Case cases[] = {
        {"A: 1", std::nullopt, "A: 1"},
        {"A: 1", Text(), "A: 1"},
        {"A: 1", Text("a=1"), "A: 1\r\nCookie: a=1"},
        {"A: 1", Text("Cookie: a=1"), "A: 1\r\nCookie: a=1"},
        {"A: 1", Text("cookie: a=1"), "A: 1\r\nCookie: cookie: a=1"},
        {"", Text("a=1"), "\r\nCookie: a=1"},
        {"Cookie: x=1", Text("a=1; b=2"), "Cookie: x=1\r\nCookie: a=1; b=2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << '"' << c.headers << "\" + " << (c.cookies ? c.cookies->str() : "(absent)"));
        Text headers(c.headers);
        AddCookieHeader(headers, c.cookies);
        EXPECT_EQ(headers.str(), c.want);
    }
}

TEST(RequestHeadersTest, StepsComposeTheHeaderTextOfAPost) {
    const Text url("https://api.example/api?x=1");
    Text headers = NormalizeHeaderNames("user-agent: A");
    EXPECT_EQ(ChooseUserAgent(headers).str(), "A");
    CompleteRequestHeaders(headers, url, 1);
    AddCookieHeader(headers, Text("a=1"));
    EXPECT_EQ(headers.str(),
              "User-Agent: A\r\nAccept: */*\r\nReferer: https://api.example/api?x=1\r\n"
              "Accept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded\r\n"
              "Cookie: a=1");
}

}  // namespace
}  // namespace qelvo
