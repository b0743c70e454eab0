#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "tools/qelvo-sim/SimServer.h"

namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;
using qelvo::sim::Endpoint;
using qelvo::sim::Options;
using qelvo::sim::Progress;
using qelvo::sim::RecordedRequest;
using qelvo::sim::Reply;
using qelvo::sim::SimServer;

constexpr const char* kTaskList = "/api/user/active/taskList";
constexpr const char* kPageView = "/api/user/active/pv?productCode=v6&pageType=2";

// The answer to the first fetch of a new account.
const std::string kFirstAnswer =
    R"({"code":2000,"message":"success","data":{"dailyApplication":false,"dailyReport1":false,)"
    R"("dailyReport2":false,"dailyReport3":false,"weekLogin":false,"weekReport30":false,)"
    R"("weekTask30":false,"weekTaskAll":false,"loginDays":1,"weekReportPages":0,)"
    R"("dayTaskCount":1,"totalActivePoint":10}})";
const std::string kUnknownAnswer = "{\"code\":2001,\"message\":\"未登录或登录已过期\"}";

struct Answer {
    int status = 0;  // 0: no answer
    std::string contentType;
    std::string body;
};

httplib::Client Client(const SimServer& sim) {
    httplib::Client client("127.0.0.1", sim.Port());
    client.set_read_timeout(30, 0);
    return client;
}

Answer ToAnswer(const httplib::Result& result) {
    if (!result) {
        return {};
    }
    return {result->status, result->get_header_value("Content-Type"), result->body};
}

httplib::Headers CookieHeader(const std::string& cookie) {
    return cookie.empty() ? httplib::Headers{} : httplib::Headers{{"Cookie", cookie}};
}

Answer Fetch(const SimServer& sim, const std::string& cookie) {
    auto client = Client(sim);
    return ToAnswer(client.Post(kTaskList, CookieHeader(cookie), "", "text/plain"));
}

Answer View(const SimServer& sim, const std::string& cookie, const char* target = kPageView) {
    auto client = Client(sim);
    return ToAnswer(client.Get(target, CookieHeader(cookie)));
}

int Connect(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval timeout{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool CanConnect(int port) {
    const int fd = Connect(port);
    if (fd >= 0) {
        ::close(fd);
    }
    return fd >= 0;
}

// Sends exactly these bytes, keeps its side open, and reads the answer until the server closes.
std::string RawExchange(int port, std::string_view request) {
    const int fd = Connect(port);
    if (fd < 0) {
        return {};
    }
    ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::string answer;
    char buf[4096];
    for (ssize_t n; (n = ::recv(fd, buf, sizeof buf, 0)) > 0;) {
        answer.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return answer;
}

std::string Replace(std::string text, std::string_view from, std::string_view to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

class SimTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(sim.Start()); }
    SimServer sim{Options{.lifetime = 60s}};
};

TEST_F(SimTest, EndpointsAnswerAccountProgress) {
    const Answer first = Fetch(sim, "session=a");
    EXPECT_EQ(first.status, 200);
    EXPECT_EQ(first.contentType, "application/json; charset=utf-8");
    EXPECT_EQ(first.body, kFirstAnswer);

    const Answer view = View(sim, "session=a");
    EXPECT_EQ(view.status, 200);
    EXPECT_EQ(view.body, R"({"code":2000,"message":"success"})");

    for (const char* target : {"/api/user/active/pv", "/api/user/active/pv?productCode=v6",
                               "/api/user/active/pv?productCode=v5&pageType=2",
                               "/api/user/active/pv?productCode=v6&pageType=2&x=1"}) {
        SCOPED_TRACE(target);
        EXPECT_EQ(View(sim, "session=a", target).body, R"({"code":4001,"message":"参数错误"})");
    }
    ASSERT_TRUE(sim.Account("session=a"));
    EXPECT_EQ(sim.Account("session=a")->weekReportPages, 1);

    // Wrong methods are unknown routes.
    auto client = Client(sim);
    EXPECT_EQ(ToAnswer(client.Get(kTaskList, CookieHeader("session=a"))).status, 404);
    EXPECT_EQ(ToAnswer(client.Post(kPageView, CookieHeader("session=a"), "", "text/plain")).status,
              404);
}

TEST_F(SimTest, UnknownOrMissingCookieIsNotLoggedIn) {
    for (const std::string cookie : {"", "foo=bar", "SESSION=1", "session"}) {
        SCOPED_TRACE(cookie);
        EXPECT_EQ(Fetch(sim, cookie).body, kUnknownAnswer);
        EXPECT_EQ(View(sim, cookie).body, kUnknownAnswer);
        EXPECT_FALSE(sim.Account(cookie));
    }
    // A Cookie line holding only blanks names no account either.
    const std::string answer = RawExchange(
        sim.Port(), "POST /api/user/active/taskList HTTP/1.1\r\nHost: x\r\nCookie:   \r\n\r\n");
    EXPECT_TRUE(answer.ends_with(kUnknownAnswer)) << answer;
}

TEST(SimAccounts, WithoutAutoCreateOnlyAddedAccountsAreKnown) {
    SimServer sim(Options{.lifetime = 60s, .autoCreateAccounts = false});
    ASSERT_TRUE(sim.Start());
    sim.AddAccount("uid=7; token=x", Progress{.weekReportPages = 12, .totalActivePoint = 300});
    EXPECT_EQ(Fetch(sim, "session=a").body, kUnknownAnswer);
    const std::string body = Fetch(sim, "uid=7; token=x").body;
    EXPECT_NE(body.find(R"("loginDays":1,"weekReportPages":12,"dayTaskCount":1,)"
                        R"("totalActivePoint":310})"),
              std::string::npos)
        << body;
}

// Each step: 'F' taskList fetch, 'V' page view, 'Q' page view with another query, 'D' next
// day, 'W' next week; a digit string before a step repeats it.
void Drive(SimServer& sim, const std::string& cookie, std::string_view steps) {
    int repeat = 0;
    for (char step : steps) {
        if (step >= '0' && step <= '9') {
            repeat = repeat * 10 + (step - '0');
            continue;
        }
        for (int i = 0; i < std::max(repeat, 1); ++i) {
            switch (step) {
                case 'F':
                    Fetch(sim, cookie);
                    break;
                case 'V':
                    View(sim, cookie);
                    break;
                case 'Q':
                    View(sim, cookie, "/api/user/active/pv?productCode=v6&pageType=3");
                    break;
                case 'D':
                    sim.NextDay();
                    break;
                case 'W':
                    sim.NextWeek();
                    break;
                default:
                    FAIL() << "bad step " << step;
            }
        }
        repeat = 0;
    }
}

TEST_F(SimTest, ProgressRules) {
    struct Case {
        const char* name;
        const char* steps;
        Progress expected;
    };
    const Case cases[] = {
        {"login",
         "F",
         {.loginDays = 1, .dayTaskCount = 1, .totalActivePoint = 10, .loggedInToday = true}},
        {"second fetch same day",
         "FF",
         {.loginDays = 1, .dayTaskCount = 1, .totalActivePoint = 10, .loggedInToday = true}},
        {"first view is the application view",
         "V",
         {.dailyApplication = true,
          .weekReportPages = 1,
          .dayTaskCount = 1,
          .totalActivePoint = 10,
          .viewsToday = 1}},
        {"one report view",
         "2V",
         {.dailyApplication = true,
          .dailyReport1 = true,
          .weekReportPages = 2,
          .dayTaskCount = 2,
          .totalActivePoint = 20,
          .viewsToday = 2}},
        {"two report views",
         "3V",
         {.dailyApplication = true,
          .dailyReport1 = true,
          .weekReportPages = 3,
          .dayTaskCount = 2,
          .totalActivePoint = 20,
          .viewsToday = 3}},
        {"three report views",
         "4V",
         {.dailyApplication = true,
          .dailyReport1 = true,
          .dailyReport2 = true,
          .weekReportPages = 4,
          .dayTaskCount = 3,
          .totalActivePoint = 30,
          .viewsToday = 4}},
        {"four report views",
         "5V",
         {.dailyApplication = true,
          .dailyReport1 = true,
          .dailyReport2 = true,
          .weekReportPages = 5,
          .dayTaskCount = 3,
          .totalActivePoint = 30,
          .viewsToday = 5}},
        {"one check run's views",
         "F6V",
         {.dailyApplication = true,
          .dailyReport1 = true,
          .dailyReport2 = true,
          .dailyReport3 = true,
          .loginDays = 1,
          .weekReportPages = 6,
          .dayTaskCount = 5,
          .totalActivePoint = 50,
          .viewsToday = 6,
          .loggedInToday = true}},
        {"other query counts nothing", "3Q", {}},
        {"29 views",
         "29V",
         {.dailyApplication = true,
          .dailyReport1 = true,
          .dailyReport2 = true,
          .dailyReport3 = true,
          .weekReportPages = 29,
          .dayTaskCount = 4,
          .totalActivePoint = 40,
          .viewsToday = 29}},
        {"30 views",
         "30V",
         {.dailyApplication = true,
          .dailyReport1 = true,
          .dailyReport2 = true,
          .dailyReport3 = true,
          .weekReport30 = true,
          .weekReportPages = 30,
          .dayTaskCount = 4,
          .totalActivePoint = 90,
          .viewsToday = 30}},
        {"four login days",
         "FDFDFDFD",
         {.loginDays = 4, .dayTaskCount = 4, .totalActivePoint = 40}},
        {"five login days",
         "FDFDFDFDFD",
         {.weekLogin = true, .loginDays = 5, .dayTaskCount = 5, .totalActivePoint = 100}},
        {"six full days",
         "F6VDF6VDF6VDF6VDF6VDF6VD",
         {.weekLogin = true,
          .weekReport30 = true,
          .weekTask30 = true,
          .weekTaskAll = true,
          .loginDays = 6,
          .weekReportPages = 36,
          .dayTaskCount = 30,
          .totalActivePoint = 500}},
        {"new week keeps the total", "F6VW", {.totalActivePoint = 50}},
        {"new week, new login",
         "F6VWF",
         {.loginDays = 1, .dayTaskCount = 1, .totalActivePoint = 60, .loggedInToday = true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string cookie = "session="s + c.name;
        sim.AddAccount(cookie);
        Drive(sim, cookie, c.steps);
        ASSERT_TRUE(sim.Account(cookie));
        const Progress p = *sim.Account(cookie);
        EXPECT_EQ(p, c.expected) << "loginDays " << p.loginDays << " pages " << p.weekReportPages
                                 << " dayTasks " << p.dayTaskCount << " total "
                                 << p.totalActivePoint << " views " << p.viewsToday;
    }
}

TEST_F(SimTest, AnswerReflectsProgress) {
    Drive(sim, "session=x", "F6V");
    const std::string body = Fetch(sim, "session=x").body;
    EXPECT_EQ(body,
              R"({"code":2000,"message":"success","data":{"dailyApplication":true,)"
              R"("dailyReport1":true,"dailyReport2":true,"dailyReport3":true,"weekLogin":false,)"
              R"("weekReport30":false,"weekTask30":false,"weekTaskAll":false,"loginDays":1,)"
              R"("weekReportPages":6,"dayTaskCount":5,"totalActivePoint":50}})");
}

TEST_F(SimTest, ScenarioShapes) {
    const std::string html =
        "<html><head><title>500 Internal Server Error</title></head>"
        "<body><h1>500 Internal Server Error</h1></body></html>";
    const std::string json = "application/json; charset=utf-8";
    const std::string ok = R"("code":2000,"message":"success")";
    struct Case {
        const char* scenario;
        int status;
        std::string contentType;
        std::string body;
        bool wholeBody = false;  // the preset replaces the whole body, also for unknown cookies
    };
    const Case cases[] = {
        {"normal", 200, json, kFirstAnswer},
        {"slow=1", 200, json, kFirstAnswer},
        {"http-500", 500, "text/html; charset=utf-8", html, true},
        {"not-json", 200, json, "this is not JSON", true},
        {"script", 200, json, "while(1){}", true},
        {"nul-byte", 200, json, kFirstAnswer + "\0{\"code\":5000}"s, true},
        {"nul-inside", 200, json, Replace(kFirstAnswer, "\"success\"", "\"su\0ccess\""s)},
        {"chinese-message", 200, json,
         Replace(kFirstAnswer, ok, R"("code":2002,"message":"活动太火爆了，请稍后再试")")},
        {"code-2001", 200, json,
         Replace(kFirstAnswer, ok, R"("code":2001,"message":"未登录或登录已过期")")},
        {"code-missing", 200, json, Replace(kFirstAnswer, R"("code":2000,)", "")},
        {"code-blank", 200, json, Replace(kFirstAnswer, "2000", "\" 2000\"")},
        {"code-string", 200, json, Replace(kFirstAnswer, "2000", "\"2000\"")},
        {"code=2000.0", 200, json, Replace(kFirstAnswer, "2000", "2000.0")},
        {"all-true", 200, json, Replace(kFirstAnswer, "false", "true")},
        {"all-false", 200, json, Replace(kFirstAnswer, "Pages\":0", "Pages\":12")},
        {"all-false=31", 200, json, Replace(kFirstAnswer, "Pages\":0", "Pages\":31")},
        {"flags=\"False\"", 200, json, Replace(kFirstAnswer, "false", "\"False\"")},
        {"flags=0", 200, json, Replace(kFirstAnswer, "false", "0")},
        {"pages-missing", 200, json, Replace(kFirstAnswer, R"("weekReportPages":0,)", "")},
        {"pages=\"abc\"", 200, json, Replace(kFirstAnswer, "Pages\":0", "Pages\":\"abc\"")},
        {"pages=-5", 200, json, Replace(kFirstAnswer, "Pages\":0", "Pages\":-5")},
        {"pages=12.7", 200, json, Replace(kFirstAnswer, "Pages\":0", "Pages\":12.7")},
        {"second-total", 200, json,
         Replace(Replace(kFirstAnswer, "false", "true"), "Point\":10", "Point\":100")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        ASSERT_TRUE(sim.SetScenario(c.scenario));
        const Answer answer = Fetch(sim, "session="s + c.scenario);
        EXPECT_EQ(answer.status, c.status);
        EXPECT_EQ(answer.contentType, c.contentType);
        EXPECT_EQ(answer.body, c.body);
        // Page views and unknown cookies keep their answers in every scenario.
        EXPECT_EQ(View(sim, "session="s + c.scenario).body, R"({"code":2000,"message":"success"})");
        if (!c.wholeBody) {
            EXPECT_EQ(Fetch(sim, "").body, kUnknownAnswer);
        }
    }
}

TEST_F(SimTest, BadScenarioNamesChangeNothing) {
    ASSERT_TRUE(sim.SetScenario("all-true"));
    for (const char* name :
         {"", "bogus", "normal=1", "slow=abc", "slow=-1", "slow=600001",
          "pages=", "code=", "second-total=1", "second-total=1,", "all-false="}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(sim.SetScenario(name));
    }
    EXPECT_EQ(Fetch(sim, "session=a").body, Replace(kFirstAnswer, "false", "true"));
    EXPECT_FALSE(SimServer::ScenarioNames().empty());
}

TEST_F(SimTest, SecondTotalAndMemberSequences) {
    ASSERT_TRUE(sim.SetScenario("second-total=7,8"));
    const auto total = [&] {
        const std::string body = Fetch(sim, "session=a").body;
        const auto at = body.find("\"totalActivePoint\":");
        return at == std::string::npos ? "absent" : body.substr(at + 19, body.size() - at - 21);
    };
    EXPECT_EQ(total(), "7");
    EXPECT_EQ(total(), "8");
    EXPECT_EQ(total(), "8");

    ASSERT_TRUE(sim.SetScenario("normal"));
    sim.SetMemberSequence("data.totalActivePoint", {"1", "\"two\""});
    sim.SetMember("data.extra", "[1]");
    sim.RemoveMember("message");
    const std::string body = Fetch(sim, "session=b").body;
    EXPECT_EQ(body, Replace(Replace(kFirstAnswer, R"(,"message":"success")", ""),
                            R"("totalActivePoint":10)", R"("totalActivePoint":1,"extra":[1])"));
    EXPECT_NE(Fetch(sim, "session=b").body.find(R"("totalActivePoint":"two","extra")"),
              std::string::npos);
    sim.SetMember("data", "null");
    EXPECT_EQ(Fetch(sim, "session=b").body, R"({"code":2000,"data":null})");
}

TEST_F(SimTest, QueuedAndFixedReplies) {
    sim.SetFixedReply(Endpoint::TaskList,
                      {.status = 503, .contentType = "text/plain", .body = "down"});
    sim.QueueReply(Endpoint::TaskList, {.body = "first {{answer}} {{answer}}"});
    sim.QueueReply(Endpoint::TaskList, {.status = 404, .contentType = "text/html", .body = ""});
    sim.QueueReply(Endpoint::PageView, {.status = 302, .body = "moved"});

    const Answer a = Fetch(sim, "session=a");
    EXPECT_EQ(a.status, 200);
    EXPECT_EQ(a.contentType, "application/json; charset=utf-8");
    EXPECT_EQ(a.body, "first " + kFirstAnswer + " " + kFirstAnswer);
    const Answer b = Fetch(sim, "session=a");
    EXPECT_EQ(b.status, 404);
    EXPECT_EQ(b.body, "");
    const Answer c = Fetch(sim, "");
    EXPECT_EQ(c.status, 503);
    EXPECT_EQ(c.body, "down");
    sim.ClearFixedReply(Endpoint::TaskList);
    EXPECT_EQ(Fetch(sim, "").body, kUnknownAnswer);

    auto client = Client(sim);
    client.set_follow_location(false);
    const Answer v = ToAnswer(client.Get(kPageView, CookieHeader("session=a")));
    EXPECT_EQ(v.status, 302);
    EXPECT_EQ(v.body, "moved");
    EXPECT_EQ(sim.Account("session=a")->weekReportPages, 1);  // counted all the same
    EXPECT_EQ(View(sim, "session=a").body, R"({"code":2000,"message":"success"})");

    // SetScenario drops what was queued.
    sim.QueueReply(Endpoint::TaskList, {.body = "queued"});
    ASSERT_TRUE(sim.SetScenario("normal"));
    EXPECT_NE(Fetch(sim, "session=a").body, "queued");
}

TEST_F(SimTest, SlowAnswersWaitAndStopCutsThemShort) {
    ASSERT_TRUE(sim.SetScenario("slow=300"));
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Fetch(sim, "").body, kUnknownAnswer);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);

    sim.QueueReply(Endpoint::PageView, {.body = "late", .delay = 60s});
    auto pending = std::async(std::launch::async, [&] { return View(sim, "session=a"); });
    ASSERT_TRUE(sim.WaitForRequests(2, 10s));
    start = std::chrono::steady_clock::now();
    sim.Stop();
    // Bounded well below the 60 s delay; the answer already decided still goes out.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_EQ(pending.get().body, "late");
}

TEST_F(SimTest, RecordsRequestsExactlyAndInOrder) {
    std::vector<std::string> observed;
    sim.SetRequestObserver([&](const RecordedRequest& r) { observed.push_back(r.target); });
    // No Content-Length on the POST: it has no body and is answered at once.
    const std::string head =
        "POST /api/user/active/taskList HTTP/1.1\r\n"
        "Host: 127.0.0.1\r\n"
        "user-agent:   Mozilla/5.0 (X)  \r\n"
        "Cookie: session=raw; b=2\r\n"
        "Cookie: session=second\r\n"
        "X-Empty:\r\n"
        "\r\n";
    const std::string answer = RawExchange(sim.Port(), head);
    EXPECT_TRUE(answer.starts_with("HTTP/1.1 200 OK\r\n")) << answer;
    EXPECT_TRUE(answer.ends_with(kFirstAnswer)) << answer;

    const std::string withBody =
        "GET /api/user/active/pv?productCode=v6&pageType=2 HTTP/1.1\r\nHost: h\r\n"
        "Content-Length: 5\r\n\r\nab\0cd"s;
    EXPECT_TRUE(RawExchange(sim.Port(), withBody).ends_with(kUnknownAnswer));
    EXPECT_TRUE(RawExchange(sim.Port(), "GET /other?q=%20 HTTP/1.1\r\nHost: h\r\n\r\n")
                    .starts_with("HTTP/1.1 404"));
    // Test control is not recorded.
    auto client = Client(sim);
    ASSERT_TRUE(client.Post("/sim/next-day"));
    ASSERT_TRUE(client.Get("/sim/requests"));

    const std::vector<RecordedRequest> requests = sim.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].target, "/api/user/active/taskList");
    EXPECT_EQ(requests[0].userAgent, "Mozilla/5.0 (X)");
    EXPECT_EQ(requests[0].cookie, "session=raw; b=2");
    EXPECT_EQ(requests[0].head, head);
    EXPECT_EQ(requests[0].body, "");
    EXPECT_EQ(requests[0].headerLines,
              (std::vector<std::string>{"Host: 127.0.0.1", "user-agent:   Mozilla/5.0 (X)  ",
                                        "Cookie: session=raw; b=2", "Cookie: session=second",
                                        "X-Empty:"}));
    EXPECT_EQ(requests[1].target, "/api/user/active/pv?productCode=v6&pageType=2");
    EXPECT_EQ(requests[1].body, "ab\0cd"s);
    EXPECT_EQ(requests[1].userAgent, "");
    EXPECT_EQ(requests[1].cookie, "");
    EXPECT_EQ(requests[2].method, "GET");
    EXPECT_EQ(requests[2].target, "/other?q=%20");
    EXPECT_EQ(observed, (std::vector<std::string>{"/api/user/active/taskList",
                                                  "/api/user/active/pv?productCode=v6&pageType=2",
                                                  "/other?q=%20"}));

    // The same records over HTTP, one line each.
    const auto lines = client.Get("/sim/requests");
    ASSERT_TRUE(lines);
    std::string expected;
    for (const RecordedRequest& r : requests) {
        expected += qelvo::sim::RecordLine(r) + "\n";
    }
    EXPECT_EQ(lines->body, expected);

    sim.ClearRequests();
    EXPECT_TRUE(sim.Requests().empty());
}

TEST(SimRecordLine, EscapesAndRoundTrips) {
    RecordedRequest r;
    r.head = "POST /p?a=1 HTTP/1.1\r\nUser-Agent: U\tA\r\nCookie: c=\\\x01\x7f\xb2\xe2\r\n\r\n";
    r.method = "POST";
    r.target = "/p?a=1";
    r.userAgent = "U\tA";
    r.cookie = "c=\\\x01\x7f\xb2\xe2";
    r.headerLines = {"User-Agent: U\tA", "Cookie: c=\\\x01\x7f\xb2\xe2"};
    r.body = "x\0y\n"s;
    const std::string line = qelvo::sim::RecordLine(r);
    EXPECT_EQ(line,
              "POST\t/p?a=1\tU\\tA\tc=\\\\\\x01\\x7F\xb2\xe2\t"
              "POST /p?a=1 HTTP/1.1\\r\\nUser-Agent: U\\tA\\r\\nCookie: c=\\\\\\x01\\x7F\xb2\xe2"
              "\\r\\n\\r\\n\tx\\x00y\\n");
    const auto back = qelvo::sim::ParseRecordLine(line);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->method, r.method);
    EXPECT_EQ(back->target, r.target);
    EXPECT_EQ(back->userAgent, r.userAgent);
    EXPECT_EQ(back->cookie, r.cookie);
    EXPECT_EQ(back->head, r.head);
    EXPECT_EQ(back->headerLines, r.headerLines);
    EXPECT_EQ(back->body, r.body);

    for (const char* bad : {"", "a\tb\tc\td\te", "a\tb\tc\td\te\tf\tg", "a\tb\tc\td\te\t\\",
                            "a\tb\tc\td\te\t\\q", "a\tb\tc\td\te\t\\x4", "a\tb\tc\td\te\t\\xG0"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(qelvo::sim::ParseRecordLine(bad));
    }
}

TEST(SimLifetime, StopsByItselfOnDestructionAndStartsOnce) {
    int port = 0;
    {
        SimServer sim(Options{.lifetime = 200ms});
        ASSERT_TRUE(sim.Start());
        EXPECT_FALSE(sim.Start());
        port = sim.Port();
        EXPECT_EQ(sim.BaseUrl(), "http://127.0.0.1:" + std::to_string(port));
        EXPECT_TRUE(sim.Running());
        sim.Wait();  // returns once the lifetime is over
        EXPECT_FALSE(sim.Running());
        EXPECT_FALSE(CanConnect(port));
    }
    {
        SimServer sim(Options{.lifetime = 60s});
        ASSERT_TRUE(sim.Start());
        port = sim.Port();
        EXPECT_TRUE(CanConnect(port));
        // The port is taken while it runs.
        SimServer second(Options{.port = port, .lifetime = 60s});
        EXPECT_FALSE(second.Start());
        EXPECT_FALSE(second.Running());
        second.Wait();  // a server that failed to start has stopped
    }
    EXPECT_FALSE(CanConnect(port));

    SimServer remote(Options{.lifetime = 60s});
    ASSERT_TRUE(remote.Start());
    auto client = Client(remote);
    ASSERT_TRUE(client.Post("/sim/stop"));
    remote.Wait();
    EXPECT_FALSE(remote.Running());

    SimServer never;
    never.Stop();
    EXPECT_FALSE(never.Start());
    EXPECT_EQ(never.Port(), 0);
}

// The executable: port on the first line, --scenario, --record, control over HTTP.
TEST(SimExecutable, ServesRecordsAndStops) {
    const auto record = std::filesystem::temp_directory_path() /
                        ("sim_record_" + std::to_string(::getpid()) + ".txt");
    std::filesystem::remove(record);
    const std::string command = std::string(QELVO_SIM_EXE) +
                                " --port 0 --scenario code-2001 --lifetime 60 --record " +
                                record.string() + " --account plain";
    FILE* out = ::popen(command.c_str(), "r");
    ASSERT_NE(out, nullptr);
    char line[64] = {};
    ASSERT_NE(std::fgets(line, sizeof line, out), nullptr);
    const int port = std::atoi(line);
    ASSERT_GT(port, 0);

    httplib::Client client("127.0.0.1", port);
    const auto fetched = client.Post(kTaskList, CookieHeader("plain"), "", "text/plain");
    ASSERT_TRUE(fetched);
    EXPECT_EQ(fetched->body, Replace(kFirstAnswer, R"("code":2000,"message":"success")",
                                     R"("code":2001,"message":"未登录或登录已过期")"));
    EXPECT_EQ(client.Post("/sim/scenario?name=bogus")->status, 400);
    EXPECT_EQ(client.Post("/sim/scenario?name=all-true")->status, 200);
    const auto lines = client.Get("/sim/requests");
    ASSERT_TRUE(lines);
    ASSERT_TRUE(client.Post("/sim/stop"));
    EXPECT_EQ(::pclose(out), 0);

    std::ifstream in(record, std::ios::binary);
    std::string recorded((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(recorded, lines->body);
    const auto parsed = qelvo::sim::ParseRecordLine(recorded.substr(0, recorded.find('\n')));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->cookie, "plain");
    EXPECT_EQ(parsed->target, kTaskList);
    std::filesystem::remove(record);

    for (const char* args : {"--scenario bogus", "--port x", "--lifetime 0", "--frob"}) {
        SCOPED_TRACE(args);
        const std::string bad = std::string(QELVO_SIM_EXE) + " " + args + " 2>/dev/null";
        EXPECT_EQ(WEXITSTATUS(std::system(bad.c_str())), 2);
    }
}

}  // namespace
