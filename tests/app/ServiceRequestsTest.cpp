#include "app/ServiceRequests.h"

#include <gtest/gtest.h>

#include "app/Addresses.h"
#include "tools/qelvo-sim/SimServer.h"

namespace qelvo::app {
namespace {

class ServiceRequestsTest : public ::testing::Test {
  protected:
    sim::SimServer sim{sim::Options{.lifetime = std::chrono::seconds(60)}};
    void SetUp() override {
        ASSERT_TRUE(sim.Start());
        SetServiceBase(Text(sim.BaseUrl()));
    }
    void TearDown() override {
        SetServiceBase(Text(kDefaultServiceBase));
        AccountCookie = Text();
    }
    std::string Host() const { return "Host: 127.0.0.1:" + std::to_string(sim.Port()) + "\r\n"; }
    std::string Url(std::string_view path) const { return sim.BaseUrl() + std::string(path); }
};

// The exact header blocks: the one User-Agent line, WebAccess's default lines, the cookie.
TEST_F(ServiceRequestsTest, SendTheirMethodAddressAgentAndCookie) {
    AccountCookie = Text("session=a; uid=7");
    EXPECT_FALSE(FetchTaskList().empty());
    EXPECT_FALSE(VisitPage().empty());
    AccountCookie = Text();  // no Cookie line, and no cookie store either
    EXPECT_FALSE(FetchTaskList().empty());

    const std::string agent = std::string("User-Agent: ") + kUserAgent + "\r\n";
    const auto requests = sim.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].head, "POST /api/user/active/taskList HTTP/1.1\r\n" + Host() + agent +
                                    "Accept: */*\r\nReferer: " + Url(kTaskListPath) +
                                    "\r\nAccept-Language: zh-cn\r\n"
                                    "Content-Type: application/x-www-form-urlencoded\r\n"
                                    "Cookie: session=a; uid=7\r\nContent-Length: 0\r\n\r\n");
    EXPECT_EQ(requests[1].head, "GET /api/user/active/pv?productCode=v6&pageType=2 HTTP/1.1\r\n" +
                                    Host() + agent +
                                    "Accept: */*\r\nReferer: " + Url(kPageViewPath) +
                                    "\r\nAccept-Language: zh-cn\r\n"
                                    "Cookie: session=a; uid=7\r\n\r\n");
    EXPECT_EQ(requests[2].head.find("Cookie"), std::string::npos);
    for (const auto& r : requests)
        EXPECT_TRUE(r.body.empty());
}

TEST_F(ServiceRequestsTest, AnswersComeBackAsGbkTextCutAtNul) {
    AccountCookie = Text("session=a");
    struct Case {
        const char* scenario;
        std::string contains;
        std::string endsWith;
    } cases[] = {
        {"chinese-message", GbkText(u8"\"message\":\"活动太火爆了，请稍后再试\"").str(), "}}"},
        {"nul-byte", "\"code\":2000", "}}"},  // the {"code":5000} after the NUL is gone
        {"http-500", "<", ">"},               // the status is not looked at
        {"not-json", "this is not JSON", "JSON"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        ASSERT_TRUE(sim.SetScenario(c.scenario));
        const std::string answer = FetchTaskList().str();
        EXPECT_NE(answer.find(c.contains), std::string::npos) << answer;
        EXPECT_TRUE(answer.ends_with(c.endsWith)) << answer;
    }
    EXPECT_EQ(AccountCookie.str(), "session=a") << "requests work on their own copy";
}

TEST_F(ServiceRequestsTest, FailedRequestGivesEmptyText) {
    sim.Stop();
    AccountCookie = Text("session=a");
    EXPECT_TRUE(FetchTaskList().empty());
    EXPECT_TRUE(VisitPage().empty());
}

}  // namespace
}  // namespace qelvo::app
