#include "app/Addresses.h"

#include <gtest/gtest.h>

#include "app/Program.h"

namespace qelvo::app {
namespace {

TEST(Addresses, EndpointsAndPagesWithoutAndWithAnotherBase) {
    EXPECT_EQ(TaskListUrl().str(), "https://api.qelvo.com/api/user/active/taskList");
    EXPECT_EQ(PageViewUrl().str(),
              "https://api.qelvo.com/api/user/active/pv?productCode=v6&pageType=2");
    EXPECT_EQ(std::string(kForumHomePage), "https://" + std::string(kForumHost) + "/");
    EXPECT_EQ(std::string(kInvitationPage), "https://invite.qelvo.com/OSTREL?target=V6");

    SetServiceBase(Text("http://127.0.0.1:8080/"));
    EXPECT_EQ(TaskListUrl().str(), "http://127.0.0.1:8080/api/user/active/taskList");
    EXPECT_EQ(PageViewUrl().str(),
              "http://127.0.0.1:8080/api/user/active/pv?productCode=v6&pageType=2");
    SetServiceBase(Text(kDefaultServiceBase));
    EXPECT_EQ(ServiceBase().str(), "https://api.qelvo.com");
}

TEST(Addresses, ServiceBaseForms) {
    struct Case {
        const char* base;
        bool ok;
    } cases[] = {
        {"http://127.0.0.1:8080", true},
        {"https://api.qelvo.com", true},
        {"http://localhost/", true},
        {"http://[::1]:9000", true},
        {"http://a_b-c.d", true},
        {"", false},
        {"127.0.0.1:8080", false},
        {"ftp://host", false},
        {"http://", false},
        {"http://:80", false},
        {"http://host:", false},
        {"http://host:123456", false},
        {"http://host:8x", false},
        {"http://host/path", false},
        {"http://host?q", false},
        {"http://us@host", false},
        {"http://ho st", false},
        {"http://host//", false},
        {"http://[]:80", false},
        {"http://[::1", false},
        {"http://host\r\nX: y", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.base);
        EXPECT_EQ(IsServiceBase(c.base), c.ok);
    }
}

TEST(CommandLine, OnlyServiceIsAccepted) {
    struct Case {
        std::vector<const char*> args;
        const char* service;  // nullptr: none
        bool ok;
    } cases[] = {
        {{}, nullptr, true},
        {{"--service", "http://127.0.0.1:1"}, "http://127.0.0.1:1", true},
        {{"--service=http://127.0.0.1:2"}, "http://127.0.0.1:2", true},
        {{"--service"}, nullptr, false},
        {{"--service", "nonsense"}, nullptr, false},
        {{"--service", "http://a", "--service", "http://b"}, nullptr, false},
        {{"--verbose"}, nullptr, false},
        {{"http://127.0.0.1:1"}, nullptr, false},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv{"qelvo"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        SCOPED_TRACE(::testing::PrintToString(std::vector<std::string>(argv.begin(), argv.end())));
        const CommandLine parsed = ParseCommandLine(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(parsed.error.empty(), c.ok) << parsed.error;
        if (c.ok) {
            EXPECT_EQ(parsed.service.has_value(), c.service != nullptr);
            if (c.service) {
                EXPECT_EQ(parsed.service->str(), c.service);
            }
        }
    }
}

}  // namespace
}  // namespace qelvo::app
