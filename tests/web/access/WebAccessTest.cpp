// WebAccess on the wire: real servers, proxies and certificates on 127.0.0.1.

// Calls name only the arguments they give.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

#include "web/WebAccess.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/internet/Internet.h"
#include "tests/support/ProxyProcesses.h"
#include "tests/support/TestPki.h"
#include "tests/support/TestServer.h"

namespace qelvo {
namespace {

namespace net = platform::internet;
using netfix::HttpReply;
using netfix::Reply;
using netfix::TestServer;

// The arguments of one call; an absent in/out optional is an argument not supplied.
struct Args {
    std::optional<int> method;
    std::optional<Text> bodyText;
    std::optional<Text> cookies;
    std::optional<Text> headers;
    std::optional<bool> noRedirect;
    std::optional<Bytes> bodyBytes;
    std::optional<Text> proxy;
    std::optional<bool> merge;
    std::optional<bool> complete;
    std::optional<bool> normalize;
    std::optional<bool> socks;
    Text responseCookies = "untouched";
    Text responseHeaders = "untouched";
};

struct Outcome {
    Bytes body;
    std::optional<Text> cookies;
    Text responseCookies;
    Text responseHeaders;
    std::optional<Bytes> bodyBytes;
};

Outcome Call(const std::string& url, Args a) {
    Outcome o;
    o.cookies = a.cookies;
    o.bodyBytes = a.bodyBytes;
    o.responseCookies = a.responseCookies;
    o.responseHeaders = a.responseHeaders;
    o.body = WebAccess(Text(url), a.method, a.bodyText, o.cookies ? &*o.cookies : nullptr,
                       &o.responseCookies, a.headers, &o.responseHeaders, a.noRedirect,
                       o.bodyBytes ? &*o.bodyBytes : nullptr, a.proxy, a.merge, a.complete,
                       a.normalize, a.socks);
    return o;
}

const std::string kAgentLine = "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n";

std::string Defaults(const std::string& url) {
    return "Accept: */*\r\nReferer: " + url + "\r\nAccept-Language: zh-cn\r\n";
}

std::string HostLine(const TestServer& s) {
    return "Host: 127.0.0.1:" + std::to_string(s.port()) + "\r\n";
}

class WebAccessTest : public ::testing::Test {
  protected:
    void SetUp() override {
        net::SetTimeouts({std::chrono::milliseconds(2000), std::chrono::seconds(1)});
        net::SetCaFile(netfix::TestPki::Get().caFile);
        net::ClearCookieStore();
    }
    void TearDown() override {
        net::SetTimeouts(net::Timeouts{});
        net::SetCaFile("");
    }
};

// One row = one call and the exact request that must arrive. In `expected`, {HOST} is the
// Host line, {UA} the default User-Agent line and {URL} the URL called.
struct WireRow {
    const char* name;
    std::string path;
    Args args;
    std::string expected;
};

TEST_F(WebAccessTest, EachCallSendsExactlyTheComposedRequest) {
    const std::vector<WireRow> rows = {
        {"GET with every default",
         "/p/Q?x=1",
         {},
         "GET /p/Q?x=1 HTTP/1.1\r\n{HOST}{UA}Accept: */*\r\nReferer: {URL}\r\n"
         "Accept-Language: zh-cn\r\n\r\n"},
        {"method 8 is a GET without body",
         "/",
         {.method = 8, .bodyText = "x"},
         "GET / HTTP/1.1\r\n{HOST}{UA}{DEFAULTS}\r\n"},
        {"method -1 is a GET", "/", {.method = -1}, "GET / HTTP/1.1\r\n{HOST}{UA}{DEFAULTS}\r\n"},
        {"POST composes agent, defaults, content type and cookie",
         "/",
         {.method = 1, .bodyText = "k=v", .cookies = "a=1", .headers = "User-Agent: A"},
         "POST / HTTP/1.1\r\n{HOST}User-Agent: A\r\n{DEFAULTS}"
         "Content-Type: application/x-www-form-urlencoded\r\nCookie: a=1\r\n"
         "Content-Length: 3\r\n\r\nk=v"},
        {"POST sends bodyBytes, not bodyText",
         "/",
         {.method = 1, .bodyText = "text", .bodyBytes = Bytes(std::string("b\0y", 3))},
         "POST / HTTP/1.1\r\n{HOST}{UA}{DEFAULTS}"
         "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 3\r\n\r\nb" +
             std::string(1, '\0') + "y"},
        {"HEAD", "/h", {.method = 2}, "HEAD /h HTTP/1.1\r\n{HOST}{UA}{DEFAULTS}\r\n"},
        {"PUT with a body has no default content type",
         "/",
         {.method = 3, .bodyText = "abc"},
         "PUT / HTTP/1.1\r\n{HOST}{UA}{DEFAULTS}Content-Length: 3\r\n\r\nabc"},
        {"DELETE with a body",
         "/",
         {.method = 5, .bodyText = "d"},
         "DELETE / HTTP/1.1\r\n{HOST}{UA}{DEFAULTS}Content-Length: 1\r\n\r\nd"},
        {"TRACE without a body",
         "/",
         {.method = 6},
         "TRACE / HTTP/1.1\r\n{HOST}{UA}{DEFAULTS}\r\n"},
        {"cookies given empty: no Cookie line",
         "/",
         {.cookies = ""},
         "GET / HTTP/1.1\r\n{HOST}{UA}{DEFAULTS}\r\n"},
        {"cookie text already a line",
         "/",
         {.cookies = "Cookie: a=1"},
         "GET / HTTP/1.1\r\n{HOST}{UA}{DEFAULTS}Cookie: a=1\r\n\r\n"},
        {"cookie text with a trailing line break",
         "/",
         {.cookies = "a=1; b=2\r\n"},
         "GET / HTTP/1.1\r\n{HOST}{UA}{DEFAULTS}Cookie: a=1; b=2\r\n\r\n"},
        {"CR LF inside the cookie text never ends the header block",
         "/",
         {.cookies = "a=1\r\n\r\nGET /evil HTTP/1.1\r\nX-B: 1"},
         "GET / HTTP/1.1\r\n{HOST}{UA}{DEFAULTS}Cookie: a=1\r\nX-B: 1\r\n\r\n"},
        {"no completion: the leading line break is dropped",
         "/",
         {.cookies = "a=1", .complete = false},
         "GET / HTTP/1.1\r\n{HOST}{UA}Cookie: a=1\r\n\r\n"},
        {"names capitalised, present defaults not repeated",
         "/",
         {.headers = "accept-language: en\r\nx-my-h: 1\r\nno colon"},
         "GET / HTTP/1.1\r\n{HOST}{UA}Accept-Language: en\r\nX-My-H: 1\r\nAccept: */*\r\n"
         "Referer: {URL}\r\n\r\n"},
        {"names kept as written without normalisation",
         "/",
         {.headers = "user-agent: A\r\naccept: x/y", .normalize = false},
         "GET / HTTP/1.1\r\n{HOST}user-agent: A\r\naccept: x/y\r\nReferer: {URL}\r\n"
         "Accept-Language: zh-cn\r\n\r\n"},
    };
    for (const WireRow& row : rows) {
        SCOPED_TRACE(row.name);
        TestServer server(TestServer::Always(HttpReply(200, {}, "ok")));
        const std::string url = server.Url(row.path);
        const Outcome o = Call(url, row.args);
        EXPECT_EQ(o.body.str(), row.args.method == 2 ? "" : "ok");
        std::string expected = row.expected;
        for (auto [key, value] : {std::pair<std::string, std::string>{"{HOST}", HostLine(server)},
                                  {"{UA}", kAgentLine},
                                  {"{DEFAULTS}", Defaults(url)},
                                  {"{URL}", url}}) {
            for (auto at = expected.find(key); at != std::string::npos; at = expected.find(key)) {
                expected.replace(at, key.size(), value);
            }
        }
        const auto requests = server.Requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0], expected);
    }
}

TEST_F(WebAccessTest, BodyArgumentsFollowTheMethod) {
    TestServer server(TestServer::Always(HttpReply(200, {}, "ok")));
    // A GET leaves bodyBytes as it was; a POST with empty bodyBytes hands back bodyText's bytes.
    const Outcome get = Call(server.Url(), {.bodyText = "1234567", .bodyBytes = Bytes()});
    EXPECT_EQ(get.bodyBytes->str(), "");
    const Outcome post =
        Call(server.Url(), {.method = 1, .bodyText = "1234567", .bodyBytes = Bytes()});
    EXPECT_EQ(post.bodyBytes->str(), "1234567");
    const Outcome both = Call(
        server.Url(), {.method = 1, .bodyText = "text", .bodyBytes = Bytes(std::string("raw"))});
    EXPECT_EQ(both.bodyBytes->str(), "raw");
    EXPECT_EQ(server.Requests().at(1).substr(server.Requests().at(1).size() - 7), "1234567");
}

TEST_F(WebAccessTest, ResponseCookiesAreCollectedAndMerged) {
    TestServer server([](const std::string& request) {
        if (request.find("GET /set ") == 0) {
            return HttpReply(
                200,
                {"Set-Cookie: b=3; path=/; HttpOnly", "set-cookie: x=1", "Set-Cookie: c=deleted"},
                "ok");
        }
        if (request.find("GET /jar ") == 0) {
            return HttpReply(200, {"Set-Cookie: jar=1; path=/"}, "ok");
        }
        return HttpReply(200, {}, "ok");
    });
    const std::string url = server.Url("/set");
    struct Row {
        const char* name;
        Args args;
        std::optional<Text> cookies;
        Text responseCookies;
    };
    const std::vector<Row> rows = {
        {"merged into the given cookies",
         {.cookies = "a=1; b=2; c=1"},
         Text("b=3; a=1"),
         "b=3; a=1"},
        {"merge off", {.cookies = "a=1; b=2", .merge = false}, Text("a=1; b=2"), "b=3; c=deleted"},
        {"cookies absent: the response's alone", {}, std::nullopt, "b=3; c=deleted"},
        {"cookies given empty: merged all the same", {.cookies = ""}, Text("b=3"), "b=3"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Outcome o = Call(url, row.args);
        EXPECT_EQ(o.cookies, row.cookies);
        EXPECT_EQ(o.responseCookies, row.responseCookies);
    }

    // Without cookies the process store keeps and sends them; with cookies it stays out.
    net::ClearCookieStore();
    const Outcome fill = Call(server.Url("/jar"), {});
    EXPECT_EQ(fill.responseCookies, "jar=1");
    Call(server.Url("/again"), {.complete = false});
    Call(server.Url("/given"), {.cookies = "", .complete = false});
    const auto requests = server.Requests();
    EXPECT_EQ(requests.at(requests.size() - 2), "GET /again HTTP/1.1\r\n" + HostLine(server) +
                                                    "Cookie: jar=1\r\n" + kAgentLine + "\r\n");
    EXPECT_EQ(requests.back(), "GET /given HTTP/1.1\r\n" + HostLine(server) + kAgentLine + "\r\n");
}

TEST_F(WebAccessTest, LargeHeaderBlockGivesEveryCookie) {
    std::vector<std::string> lines;
    std::string expected;
    for (int i = 0; i < 40; ++i) {
        const std::string cookie = "k" + std::to_string(i) + "=" + std::string(270, 'a' + i % 26);
        lines.push_back("Set-Cookie: " + cookie + "; path=/; HttpOnly");
        expected += (i ? "; " : "") + cookie;
    }
    ASSERT_GE(lines.back().size(), 300u);
    TestServer server(TestServer::Always(HttpReply(200, lines, "ok")));
    const Outcome o = Call(server.Url(), {.cookies = "s=1"});
    EXPECT_EQ(o.responseCookies.str(), expected + "; s=1");
    EXPECT_GT(o.responseHeaders.size(), 12000u);
    EXPECT_EQ(o.responseHeaders.str().substr(o.responseHeaders.size() - 4), "\r\n\r\n");
}

TEST_F(WebAccessTest, RedirectsKeepCookiesOnTheirHost) {
    TestServer other(TestServer::Always(HttpReply(200, {"Set-Cookie: o=9"}, "other host")));
    const std::string otherUrl = "http://localhost:" + std::to_string(other.port()) + "/o";
    TestServer server([&](const std::string& request) {
        if (request.find("GET /final ") == 0) {
            return HttpReply(200, {"Set-Cookie: f=2"}, "done");
        }
        const std::string target = request.find("GET /away ") == 0 ? otherUrl : "/final";
        return HttpReply(302, {"Location: " + target, "Set-Cookie: r=1"}, "moved");
    });
    {
        SCOPED_TRACE("same host: followed, final response delivered");
        const std::string url = server.Url("/start");
        const Outcome o = Call(url, {.cookies = "a=1", .complete = false});
        EXPECT_EQ(o.body.str(), "done");
        EXPECT_EQ(o.responseHeaders,
                  "HTTP/1.1 200 Canned\r\nSet-Cookie: f=2\r\nContent-Length: 4\r\n\r\n");
        EXPECT_EQ(o.responseCookies, "f=2; a=1");
        EXPECT_EQ(server.Requests().at(1), "GET /final HTTP/1.1\r\n" + HostLine(server) +
                                               kAgentLine + "Cookie: a=1\r\n\r\n");
    }
    {
        SCOPED_TRACE("another host never gets the Cookie line");
        const std::string url = server.Url("/away");
        const Outcome o = Call(url, {.cookies = "a=1"});
        EXPECT_EQ(o.body.str(), "other host");
        EXPECT_EQ(o.responseCookies, "o=9; a=1");
        ASSERT_EQ(other.Requests().size(), 1u);
        EXPECT_EQ(other.Requests()[0],
                  "GET /o HTTP/1.1\r\nHost: localhost:" + std::to_string(other.port()) + "\r\n" +
                      kAgentLine + Defaults(url) + "\r\n");
    }
    {
        SCOPED_TRACE("noRedirect: the 3xx with its Location and Set-Cookie");
        const Outcome o = Call(server.Url("/start"), {.cookies = "a=1", .noRedirect = true});
        EXPECT_EQ(o.body.str(), "moved");
        EXPECT_NE(o.responseHeaders.str().find("\r\nLocation: /final\r\n"), std::string::npos);
        EXPECT_EQ(o.responseCookies, "r=1; a=1");
    }
}

TEST_F(WebAccessTest, RealProxiesCarryTheRequest) {
    netfix::Tinyproxy tinyproxy;
    netfix::Microsocks microsocks;
    TestServer plain(TestServer::Always(HttpReply(200, {}, "plain")));
    TestServer tls(netfix::TestPki::Get().good, TestServer::Always(HttpReply(200, {}, "tls")));
    struct Row {
        const char* name;
        TestServer* server;
        std::string host;
        Text proxy;
        bool socks;
        bool exact;  // the proxy passes the bytes through unchanged (tunnel or SOCKS)
    };
    const std::vector<Row> rows = {
        {"HTTP through tinyproxy", &plain, "127.0.0.1", tinyproxy.Address(), false, false},
        {"HTTPS through tinyproxy with CONNECT", &tls, "127.0.0.1", tinyproxy.Address(), false,
         true},
        {"HTTP through SOCKS, name resolved by the proxy", &plain, "localhost",
         microsocks.Address(), true, true},
        {"HTTPS through SOCKS", &tls, "localhost", microsocks.Address(), true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::size_t before = row.server->Requests().size();
        std::string url = row.server->Url("/via");
        url.replace(url.find("127.0.0.1"), 9, row.host);
        const Outcome o = Call(url, {.cookies = "a=1", .proxy = row.proxy, .socks = row.socks});
        EXPECT_EQ(o.body.str(), row.server == &plain ? "plain" : "tls");
        const auto requests = row.server->Requests();
        ASSERT_EQ(requests.size(), before + 1);
        const std::string host =
            "Host: " + row.host + ":" + std::to_string(row.server->port()) + "\r\n";
        const std::string expected =
            "GET /via HTTP/1.1\r\n" + host + kAgentLine + Defaults(url) + "Cookie: a=1\r\n\r\n";
        if (row.exact) {
            EXPECT_EQ(requests.back(), expected);
        } else {
            // tinyproxy rewrites the connection headers and adds its Via line.
            EXPECT_EQ(requests.back().rfind("GET /via HTTP/1.1\r\n", 0), 0u) << requests.back();
            EXPECT_NE(requests.back().find(" (tinyproxy/"), std::string::npos) << requests.back();
            EXPECT_NE(requests.back().find("\r\nCookie: a=1\r\n"), std::string::npos);
        }
    }
}

TEST_F(WebAccessTest, OnlyValidCertificatesGetTheRequest) {
    const auto& pki = netfix::TestPki::Get();
    {
        SCOPED_TRACE("trusted through the test CA; capital scheme counts as secure");
        TestServer server(pki.good, TestServer::Always(HttpReply(200, {}, "secret")));
        std::string url = server.Url("/X");
        url.replace(0, 5, "HTTPS");
        const Outcome o = Call(url, {.cookies = "s=1"});
        EXPECT_EQ(o.body.str(), "secret");
        EXPECT_NE(server.Requests().at(0).find("\r\nCookie: s=1\r\n"), std::string::npos);
    }
    struct Row {
        const char* name;
        const netfix::TlsIdentity* identity;
    };
    for (const Row& row : {Row{"other CA", &pki.otherCa}, Row{"expired", &pki.expired},
                           Row{"other host name", &pki.wrongHost}}) {
        SCOPED_TRACE(row.name);
        TestServer server(*row.identity, TestServer::Always(HttpReply(200, {}, "secret")));
        const Outcome o = Call(server.Url(), {.cookies = "s=1"});
        EXPECT_EQ(o.body.str(), "");
        EXPECT_EQ(server.Received(), "");  // not a byte of the request, Cookie line included
        EXPECT_EQ(o.responseHeaders, "");
        EXPECT_EQ(o.cookies, Text("s=1"));
    }
}

TEST_F(WebAccessTest, NoAnswerGivesEmptyBytes) {
    TestServer silent(TestServer::Always({.silent = true}));
    const Outcome quiet = Call(silent.Url(), {.cookies = "a=1"});
    EXPECT_EQ(quiet.body.str(), "");
    EXPECT_EQ(quiet.responseHeaders, "");
    EXPECT_EQ(quiet.responseCookies, "a=1");  // the merge still runs

    std::string refusedUrl;
    {
        TestServer gone(TestServer::Always({}));
        refusedUrl = gone.Url();
    }
    EXPECT_EQ(Call(refusedUrl, {}).body.str(), "");

    // No session or connection: no in/out argument is touched, not even by the merge.
    for (const Args& args :
         {Args{.cookies = "a=1; a=1", .proxy = "bad/proxy"}, Args{.cookies = "a=1; a=1"}}) {
        const Outcome o = Call(args.proxy ? refusedUrl : "http://a b/", args);
        EXPECT_EQ(o.body.str(), "");
        EXPECT_EQ(o.cookies, Text("a=1; a=1"));
        EXPECT_EQ(o.responseCookies, "untouched");
        EXPECT_EQ(o.responseHeaders, "untouched");
    }
}

TEST_F(WebAccessTest, BodiesArriveWhole) {
    std::string zeros("\0a\0\0b", 5);
    std::string big(10 << 20, 'x');
    for (std::size_t i = 0; i < big.size(); i += 4093) {
        big[i] = static_cast<char>(i);
    }
    Reply cut = HttpReply(200, {}, std::string(1000, 'e'));
    cut.bytes.resize(cut.bytes.size() - 600);
    cut.closeAfter = true;
    Reply split = HttpReply(200, {}, std::string(2500, 's'), true);
    split.splitEvery = 333;
    struct Row {
        const char* name;
        Reply reply;
        std::string body;
    };
    const std::vector<Row> rows = {
        {"2500 bytes", HttpReply(200, {}, std::string(2500, 'b')), std::string(2500, 'b')},
        {"2500 bytes chunked in small writes", split, std::string(2500, 's')},
        {"zero bytes inside", HttpReply(200, {}, zeros), zeros},
        {"10 MiB", HttpReply(200, {}, big), big},
        {"empty", HttpReply(204), ""},
        {"ends early: what was read", cut, std::string(400, 'e')},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TestServer server(TestServer::Always(row.reply));
        const Outcome o = Call(server.Url(), {});
        EXPECT_TRUE(o.body.str() == row.body) << o.body.size();
    }
}

}  // namespace
}  // namespace qelvo
