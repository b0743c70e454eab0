// Wire tests of the internet layer against the recording server on 127.0.0.1.

// Calls name only the fields they set.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

#include "platform/internet/Internet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/TestPki.h"
#include "tests/support/TestServer.h"

namespace qelvo::platform::internet {
namespace {

using netfix::HttpReply;
using netfix::Reply;
using netfix::TestServer;

struct Exchange {
    bool sent = false;
    std::string headers;
    std::string body;
    std::vector<std::size_t> reads;  // size of each non-empty read
};

struct Call {
    std::string verb = "GET";
    std::string object = "/";
    std::string headers;
    std::string body;
    std::uint32_t flags = kFlagReload | kFlagNoCookies;
    std::uint32_t security = 0;
    std::string version = "HTTP/1.1";
    std::string host = "127.0.0.1";
    AccessType access = AccessType::kDirect;
    std::string proxy;
    std::string agent;  // "" sends none
};

Exchange Exchanged(int port, const Call& c) {
    Exchange ex;
    auto session = Session::Open(c.agent, c.access, c.proxy);
    if (!session) {
        ADD_FAILURE() << "no session";
        return ex;
    }
    auto connection = session->Connect(c.host, port);
    auto request = connection->OpenRequest(c.verb, c.object, c.version, c.flags);
    request->SetSecurityFlags(c.security);
    ex.sent = request->Send(c.headers, c.body);
    char buffer[1024];
    while (const std::size_t n = request->Read(buffer, sizeof buffer)) {
        ex.body.append(buffer, n);
        ex.reads.push_back(n);
    }
    ex.headers = request->RawHeaders();
    return ex;
}

std::string HostLine(const TestServer& s) {
    return "Host: 127.0.0.1:" + std::to_string(s.port()) + "\r\n";
}

class InternetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetTimeouts({std::chrono::milliseconds(2000), std::chrono::seconds(1)});
        SetCaFile("");
        ClearCookieStore();
    }
    void TearDown() override { SetTimeouts(Timeouts{}); }
};

// One row: what is handed to the layer and the exact request that must arrive.
struct WireCase {
    const char* name;
    Call call;
    std::string expected;  // "{HOST}" stands for the Host line
};

TEST_F(InternetTest, RequestGoesOutExactlyAsComposed) {
    const std::vector<WireCase> cases = {
        {"get sends no body",
         {.verb = "GET", .object = "/a/b?x=1", .headers = "A: 1\r\nB: 2", .body = "ignored"},
         "GET /a/b?x=1 HTTP/1.1\r\n{HOST}A: 1\r\nB: 2\r\n\r\n"},
        {"post with body",
         {.verb = "POST", .headers = "User-Agent: UA", .body = "k=v&x=1"},
         "POST / HTTP/1.1\r\n{HOST}User-Agent: UA\r\nContent-Length: 7\r\n\r\nk=v&x=1"},
        {"post empty body", {.verb = "POST"}, "POST / HTTP/1.1\r\n{HOST}Content-Length: 0\r\n\r\n"},
        {"put with body",
         {.verb = "PUT", .body = "abc"},
         "PUT / HTTP/1.1\r\n{HOST}Content-Length: 3\r\n\r\nabc"},
        {"put empty body", {.verb = "PUT"}, "PUT / HTTP/1.1\r\n{HOST}Content-Length: 0\r\n\r\n"},
        {"delete empty body", {.verb = "DELETE"}, "DELETE / HTTP/1.1\r\n{HOST}\r\n"},
        {"delete with body",
         {.verb = "DELETE", .body = "xy"},
         "DELETE / HTTP/1.1\r\n{HOST}Content-Length: 2\r\n\r\nxy"},
        {"options",
         {.verb = "OPTIONS", .headers = "Accept: */*"},
         "OPTIONS / HTTP/1.1\r\n{HOST}Accept: */*\r\n\r\n"},
        {"large post has no Expect",
         {.verb = "POST", .body = std::string(1500000, 'z')},
         "POST / HTTP/1.1\r\n{HOST}Content-Length: 1500000\r\n\r\n" + std::string(1500000, 'z')},
        {"caller's own content type and accept",
         {.verb = "POST", .headers = "Content-Type: text/plain\r\nAccept: a/b", .body = "x"},
         "POST / HTTP/1.1\r\n{HOST}Content-Type: text/plain\r\nAccept: a/b\r\nContent-Length: "
         "1\r\n\r\nx"},
        {"malformed lines never reach the wire",
         {.verb = "GET",
          .headers = "\r\nX-A: 1\r\n\r\nGET /evil HTTP/1.1\r\n folded: x\r\nno colon\r\n"
                     "Cookie: a=1\nInjected: 2\rBad\x01: y\r\nX-Ctl: a\x01"
                     "b\r\nContent-Length: 99\r\ntransfer-encoding: chunked\r\nEmpty: \r\n"
                     "X-Tab:\tv\r\n"},
         "GET / HTTP/1.1\r\n{HOST}X-A: 1\r\nCookie: a=1\r\nInjected: 2\r\nEmpty:\r\n"
         "X-Tab:\tv\r\n\r\n"},
        {"object name bytes are escaped, fragment dropped",
         {.verb = "GET", .object = "/a b/\xC4\xE3/../c?q=\"x\"#frag"},
         "GET /a%20b/%C4%E3/../c?q=\"x\" HTTP/1.1\r\n{HOST}\r\n"},
        {"object name without slash",
         {.verb = "GET", .object = "x"},
         "GET /x HTTP/1.1\r\n{HOST}\r\n"},
        {"http 1.0", {.verb = "GET", .version = "HTTP/1.0"}, "GET / HTTP/1.0\r\n{HOST}\r\n"},
        {"session agent when the lines have none",
         {.headers = "X: 1", .agent = "Ag/1"},
         "GET / HTTP/1.1\r\n{HOST}User-Agent: Ag/1\r\nX: 1\r\n\r\n"},
        {"no second agent",
         {.headers = "user-agent: Own", .agent = "Ag/1"},
         "GET / HTTP/1.1\r\n{HOST}user-agent: Own\r\n\r\n"},
        {"an agent with a line break is not sent",
         {.agent = "A\r\nX: 1"},
         "GET / HTTP/1.1\r\n{HOST}\r\n"},
    };
    for (const WireCase& c : cases) {
        SCOPED_TRACE(c.name);
        TestServer server(TestServer::Always(HttpReply(200, {}, "ok")));
        const Exchange ex = Exchanged(server.port(), c.call);
        EXPECT_TRUE(ex.sent);
        EXPECT_EQ(ex.body, c.call.verb == "HEAD" ? "" : "ok");
        std::string expected = c.expected;
        expected.replace(expected.find("{HOST}"), 6, HostLine(server));
        const auto requests = server.Requests();
        ASSERT_EQ(requests.size(), 1u);
        if (requests[0].size() < 2000) {
            EXPECT_EQ(requests[0], expected);
        } else {
            EXPECT_TRUE(requests[0] == expected) << requests[0].substr(0, 200);
        }
    }
}

TEST_F(InternetTest, HeadNeverReadsABody) {
    // The bytes after the header block would be taken as the body by a client waiting for one.
    TestServer server(
        TestServer::Always({.bytes = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nXXXXX"}));
    const Exchange ex = Exchanged(server.port(), {.verb = "HEAD", .headers = "A: 1"});
    EXPECT_TRUE(ex.sent);
    EXPECT_EQ(ex.body, "");
    EXPECT_EQ(ex.headers, "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n");
    EXPECT_EQ(server.Requests().at(0), "HEAD / HTTP/1.1\r\n" + HostLine(server) + "A: 1\r\n\r\n");
}

TEST_F(InternetTest, BodiesArriveWholeInReadsOfAtMostTheBufferSize) {
    std::string zeros("ab\0\0cd", 6);
    std::string big(10 << 20, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<char>(i * 7 + (i >> 12));
    }
    struct Case {
        const char* name;
        Reply reply;
        std::string body;
    };
    const std::vector<Case> cases = {
        {"2500 bytes", HttpReply(200, {}, std::string(2500, 'b')), std::string(2500, 'b')},
        {"zero bytes inside", HttpReply(200, {}, zeros), zeros},
        {"empty", HttpReply(200, {}, ""), ""},
        {"chunked, split across writes",
         [] {
             Reply r = HttpReply(200, {}, std::string(5000, 'c'), true);
             r.splitEvery = 700;
             return r;
         }(),
         std::string(5000, 'c')},
        {"10 MiB", HttpReply(200, {}, big), big},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestServer server(TestServer::Always(c.reply));
        const Exchange ex = Exchanged(server.port(), {});
        EXPECT_TRUE(ex.sent);
        EXPECT_TRUE(ex.body == c.body) << ex.body.size();
        for (std::size_t i = 0; i < ex.reads.size(); ++i) {
            EXPECT_EQ(ex.reads[i], i + 1 < ex.reads.size() ? 1024 : c.body.size() - 1024 * i);
        }
    }
}

TEST_F(InternetTest, BodyEndingEarlyKeepsWhatArrived) {
    Reply cut = HttpReply(200, {}, std::string(1000, 'e'));
    cut.bytes.resize(cut.bytes.size() - 600);
    cut.closeAfter = true;
    Reply stalled = cut;
    stalled.closeAfter = false;  // then silence: the stall time-out ends it
    for (const Reply& reply : {cut, stalled}) {
        TestServer server(TestServer::Always(reply));
        const Exchange ex = Exchanged(server.port(), {});
        EXPECT_TRUE(ex.sent);
        EXPECT_EQ(ex.body, std::string(400, 'e'));
        EXPECT_EQ(ex.headers, "HTTP/1.1 200 Canned\r\nContent-Length: 1000\r\n\r\n");
    }
}

TEST_F(InternetTest, HeaderBlockIsTheFinalResponsesWholeBlock) {
    std::vector<std::string> lines;
    std::string expected = "HTTP/1.1 200 Canned\r\n";
    for (int i = 0; i < 40; ++i) {
        lines.push_back("Set-Cookie: c" + std::to_string(i) + "=" + std::string(280, 'v') +
                        "; path=/");
        expected += lines.back() + "\r\n";
    }
    expected += "Content-Length: 2\r\n\r\n";
    Reply reply = HttpReply(200, lines, "ok");
    reply.bytes = "HTTP/1.1 100 Continue\r\n\r\n" + reply.bytes;
    TestServer server(TestServer::Always(reply));
    const Exchange ex = Exchanged(server.port(), {});
    EXPECT_GT(ex.headers.size(), 12000u);
    EXPECT_EQ(ex.headers, expected);

    // Trailers of a chunked body are no part of it; a bare LF line end becomes CR LF.
    TestServer trailers(TestServer::Always(
        {.bytes =
             "HTTP/1.1 200 OK\nTransfer-Encoding: chunked\n\n2\r\nok\r\n0\r\nX-T: 1\r\n\r\n"}));
    const Exchange ex2 = Exchanged(trailers.port(), {});
    EXPECT_EQ(ex2.body, "ok");
    EXPECT_EQ(ex2.headers, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
}

TEST_F(InternetTest, RedirectsFollowTheRules) {
    TestServer other(TestServer::Always(HttpReply(200, {"X-Final: other"}, "there")));
    const std::string otherUrl = "http://localhost:" + std::to_string(other.port()) + "/o";
    auto redirecting = [&](int status, std::string target) {
        return [status, target](const std::string& request) {
            if (request.rfind("GET /final", 0) == 0 || request.rfind("POST /final", 0) == 0 ||
                request.rfind("PUT /final", 0) == 0) {
                return HttpReply(200, {"X-Final: here"}, "done");
            }
            return HttpReply(status, {"Location: " + target, "Set-Cookie: r=1"}, "moved");
        };
    };
    const std::string headers = "Cookie: s=1\r\nAuthorization: Basic x\r\nX-Keep: 1";
    {
        SCOPED_TRACE("302 on the same host, POST becomes GET, final block delivered");
        TestServer server(redirecting(302, "/final?a=1"));
        const Exchange ex =
            Exchanged(server.port(), {.verb = "POST", .headers = headers, .body = "b=2"});
        EXPECT_EQ(ex.body, "done");
        EXPECT_EQ(ex.headers, "HTTP/1.1 200 Canned\r\nX-Final: here\r\nContent-Length: 4\r\n\r\n");
        const auto requests = server.Requests();
        ASSERT_EQ(requests.size(), 2u);
        EXPECT_EQ(requests[1],
                  "GET /final?a=1 HTTP/1.1\r\n" + HostLine(server) + headers + "\r\n\r\n");
    }
    {
        SCOPED_TRACE("307 keeps verb and body");
        TestServer server(redirecting(307, "/final"));
        const Exchange ex = Exchanged(server.port(), {.verb = "PUT", .body = "b=2"});
        EXPECT_EQ(ex.body, "done");
        EXPECT_EQ(server.Requests().at(1),
                  "PUT /final HTTP/1.1\r\n" + HostLine(server) + "Content-Length: 3\r\n\r\nb=2");
    }
    {
        SCOPED_TRACE("another host gets no Cookie, Authorization or Host line");
        TestServer server(redirecting(301, otherUrl));
        const Exchange ex = Exchanged(
            server.port(),
            {.headers = headers + "\r\nHost: 127.0.0.1:" + std::to_string(server.port())});
        EXPECT_EQ(ex.body, "there");
        EXPECT_EQ(other.Requests().at(0),
                  "GET /o HTTP/1.1\r\nHost: localhost:" + std::to_string(other.port()) +
                      "\r\nX-Keep: 1\r\n\r\n");
    }
    {
        SCOPED_TRACE("no-redirect flag delivers the 3xx itself");
        TestServer server(redirecting(302, "/final"));
        const Exchange ex =
            Exchanged(server.port(), {.flags = kFlagReload | kFlagNoCookies | kFlagNoAutoRedirect});
        EXPECT_EQ(ex.body, "moved");
        EXPECT_EQ(ex.headers,
                  "HTTP/1.1 302 Canned\r\nLocation: /final\r\nSet-Cookie: r=1\r\nContent-Length: "
                  "5\r\n\r\n");
        EXPECT_EQ(server.Requests().size(), 1u);
    }
    {
        SCOPED_TRACE("HTTP to HTTPS needs the ignore flag; other schemes are never followed");
        for (const char* target : {"https://127.0.0.1:1/x", "ftp://127.0.0.1/x"}) {
            TestServer server(redirecting(302, target));
            const Exchange ex = Exchanged(server.port(), {});
            EXPECT_TRUE(ex.sent);
            EXPECT_EQ(ex.body, "moved");
        }
        TestServer server(redirecting(302, "https://127.0.0.1:1/x"));
        const Exchange ex =
            Exchanged(server.port(), {.flags = kFlagNoCookies | kFlagIgnoreRedirectToHttps});
        EXPECT_FALSE(ex.sent);  // followed: port 1 refuses
    }
    {
        SCOPED_TRACE("a redirect loop ends with the last 3xx");
        TestServer server(redirecting(302, "/again"));
        const Exchange ex = Exchanged(server.port(), {});
        EXPECT_EQ(ex.body, "moved");
        EXPECT_EQ(server.Requests().size(), static_cast<std::size_t>(kMaxRedirects + 1));
    }
}

TEST_F(InternetTest, ProcessCookieStoreServesRequestsWithoutNoCookies) {
    TestServer server([](const std::string& request) {
        if (request.rfind("GET /set", 0) == 0) {
            return HttpReply(200, {"Set-Cookie: jar=1; path=/"}, "set");
        }
        return HttpReply(200, {}, "plain");
    });
    const std::uint32_t withStore = kFlagReload;
    Exchanged(server.port(), {.object = "/set", .flags = withStore});
    Exchanged(server.port(), {.object = "/use", .flags = withStore});
    Exchanged(server.port(), {.object = "/no", .headers = "Cookie: own=2"});  // kFlagNoCookies
    ClearCookieStore();
    Exchanged(server.port(), {.object = "/cleared", .flags = withStore});
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[1], "GET /use HTTP/1.1\r\n" + HostLine(server) + "Cookie: jar=1\r\n\r\n");
    EXPECT_EQ(requests[2], "GET /no HTTP/1.1\r\n" + HostLine(server) + "Cookie: own=2\r\n\r\n");
    EXPECT_EQ(requests[3], "GET /cleared HTTP/1.1\r\n" + HostLine(server) + "\r\n");
}

TEST_F(InternetTest, CertificatesAreAlwaysValidated) {
    const auto& pki = netfix::TestPki::Get();
    Call call{.flags = kFlagNoCookies | kFlagSecure, .security = 0};
    {
        SCOPED_TRACE("trusted test CA");
        SetCaFile(pki.caFile);
        TestServer server(pki.good, TestServer::Always(HttpReply(200, {}, "secret")));
        EXPECT_EQ(Exchanged(server.port(), call).body, "secret");
        call.host = "localhost";
        EXPECT_EQ(Exchanged(server.port(), call).body, "secret");
        call.host = "127.0.0.1";
    }
    struct Bad {
        const char* name;
        const netfix::TlsIdentity* identity;
        std::string ca;
    };
    for (const Bad& bad :
         {Bad{"test CA not trusted", &pki.good, ""}, Bad{"other CA", &pki.otherCa, pki.caFile},
          Bad{"expired", &pki.expired, pki.caFile},
          Bad{"other host name", &pki.wrongHost, pki.caFile}}) {
        SCOPED_TRACE(bad.name);
        SetCaFile(bad.ca);
        TestServer server(*bad.identity, TestServer::Always(HttpReply(200, {}, "secret")));
        Call c = call;
        c.headers = "Cookie: session=1";
        const Exchange ex = Exchanged(server.port(), c);
        EXPECT_FALSE(ex.sent);
        EXPECT_EQ(ex.body, "");
        EXPECT_EQ(ex.headers, "");
        EXPECT_EQ(server.Received(), "");
    }
    // Bits that would accept a bad certificate are refused and change nothing.
    auto session = Session::Open("a", AccessType::kDirect);
    auto request = session->Connect("127.0.0.1", 1)->OpenRequest("GET", "/", "HTTP/1.1", 0);
    EXPECT_FALSE(request->SetSecurityFlags(0x0001F380));
    EXPECT_TRUE(
        request->SetSecurityFlags(kSecurityIgnoreRedirectToHttp | kSecurityIgnoreRedirectToHttps));
}

TEST_F(InternetTest, SilentOrRefusingServersFail) {
    TestServer silent(TestServer::Always({.silent = true}));
    const Exchange ex = Exchanged(silent.port(), {.headers = "Cookie: a=1"});
    EXPECT_FALSE(ex.sent);
    EXPECT_EQ(ex.body, "");
    EXPECT_EQ(silent.Requests().size(), 1u);

    const auto& pki = netfix::TestPki::Get();
    SetCaFile(pki.caFile);
    TestServer silentTls(pki.good, TestServer::Always({.silent = true}));
    EXPECT_FALSE(Exchanged(silentTls.port(), {.flags = kFlagSecure}).sent);

    int closedPort = 0;
    {
        TestServer gone(TestServer::Always({}));
        closedPort = gone.port();
    }
    EXPECT_FALSE(Exchanged(closedPort, {}).sent);
}

TEST_F(InternetTest, ProxyFormsPickTheRightRoute) {
    // The recording server stands in for an HTTP proxy: it sees the absolute-form request.
    TestServer proxy(TestServer::Always(HttpReply(200, {}, "via proxy")));
    TestServer origin(TestServer::Always(HttpReply(200, {}, "direct")));
    const std::string p = "127.0.0.1:" + std::to_string(proxy.port());
    for (const std::string& text : {"http=" + p, p, "HTTP=" + p + ";socks=127.0.0.1:1"}) {
        SCOPED_TRACE(text);
        const Exchange ex = Exchanged(
            origin.port(), {.host = "localhost", .access = AccessType::kProxy, .proxy = text});
        EXPECT_EQ(ex.body, "via proxy");
    }
    const auto requests = proxy.Requests();
    ASSERT_EQ(requests.size(), 3u);
    const std::string port = std::to_string(origin.port());
    EXPECT_EQ(requests[0], "GET http://localhost:" + port +
                               "/ HTTP/1.1\r\nHost: localhost:" + port + "\r\n\r\n");

    // "http=P" leaves HTTPS direct; a bare P tunnels it with CONNECT.
    const auto& pki = netfix::TestPki::Get();
    SetCaFile(pki.caFile);
    TestServer tls(pki.good, TestServer::Always(HttpReply(200, {}, "tls direct")));
    const Exchange direct = Exchanged(
        tls.port(), {.flags = kFlagSecure, .access = AccessType::kProxy, .proxy = "http=" + p});
    EXPECT_EQ(direct.body, "tls direct");
    EXPECT_EQ(proxy.Requests().size(), 3u);

    EXPECT_EQ(Session::Open("a", AccessType::kProxy, ""), nullptr);
    EXPECT_EQ(Session::Open("a", AccessType::kProxy, "ftp=x:1 bad/host"), nullptr);
}

TEST_F(InternetTest, BadTargetsGiveNoHandle) {
    auto session = Session::Open("a", AccessType::kDirect);
    EXPECT_EQ(session->Agent(), "a");
    for (const char* host : {"", "a b", "user@host", "h/x", "\xC4\xE3"}) {
        EXPECT_EQ(session->Connect(host, 80), nullptr) << host;
    }
    EXPECT_EQ(session->Connect("h", -1), nullptr);
    EXPECT_EQ(session->Connect("h", 65536), nullptr);
    auto connection = session->Connect("h", 0);
    ASSERT_NE(connection, nullptr);
    for (const char* verb : {"", "GET /x", "GE\r\nT"}) {
        EXPECT_EQ(connection->OpenRequest(verb, "/", "HTTP/1.1", 0), nullptr) << verb;
    }
}

TEST_F(InternetTest, PortZeroMeansTheSchemesDefault) {
    // Nothing listens on 80 here, or something does: either way the request must not go to
    // port 0, which the client library would reject before connecting.
    TestServer proxy(TestServer::Always(HttpReply(200, {}, "p")));
    auto viaProxy =
        Session::Open("a", AccessType::kProxy, "127.0.0.1:" + std::to_string(proxy.port()));
    auto request = viaProxy->Connect("example.invalid", 0)
                       ->OpenRequest("GET", "/", "HTTP/1.1", kFlagNoCookies);
    EXPECT_TRUE(request->Send("", ""));
    EXPECT_EQ(
        proxy.Requests().at(0),
        "GET http://example.invalid/ HTTP/1.1\r\nHost: example.invalid\r\nUser-Agent: a\r\n\r\n");
}

}  // namespace
}  // namespace qelvo::platform::internet
