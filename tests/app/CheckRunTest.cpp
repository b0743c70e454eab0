// Whole check runs against the simulated service: the exact log lines, and the exact requests
// the service received.
#include <QElapsedTimer>

#include "app/CheckRun.h"
#include "app/ServiceRequests.h"
#include "platform/script/ScriptEngine.h"
#include "tests/app/AppFixture.h"

namespace qelvo::app::testing {
namespace {

using CheckRunTest = AppTest;
using Lines = std::vector<std::string>;

std::string L(std::u8string_view text) {
    return ">>> " + U8(text);
}

Lines Repeat(std::size_t n, const std::string& request) {
    return Lines(n, request);
}

Lines Concat(std::initializer_list<Lines> parts) {
    Lines all;
    for (const Lines& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The lines of a run where every task is open: first total, pages and counters as answered.
Lines AllOpenLines(const std::string& total, const std::string& pages, const std::string& days,
                   const std::string& tasks, const std::string& finalTotal) {
    return {L(u8"获取任务进度成功，当前活跃度：") + total + U8(u8"，正在检测任务完成情况"),
            L(u8"【访问1次应用管理页】未完成，正在访问。"),
            L(u8"【访问报表页1次】未完成，正在访问。"),
            L(u8"【访问报表页3次】未完成，正在访问。"),
            L(u8"【访问报表页5次】未完成，正在访问。"),
            L(u8"【累计访问报表页30次】未完成，本周完成") + pages + U8(u8"次，开始访问。"),
            L(u8"【累计登录5天】未完成，本周登录") + days + U8(u8"天。"),
            L(u8"【完成30个每日任务】未完成，本周完成") + tasks + U8(u8"次。"),
            L(u8"【完成全部周任务】未完成。"),
            L(u8"检测完成，当前活跃度：") + finalTotal};
}

TEST_F(CheckRunTest, EverythingDoneGivesTwoLinesAndTwoFetches) {
    ASSERT_TRUE(sim.SetScenario("all-true"));
    Run("session=a");
    EXPECT_EQ(LogLines(), (Lines{L(u8"获取任务进度成功，当前活跃度：10，正在检测任务完成情况"),
                                 L(u8"检测完成，当前活跃度：10")}));
    const std::string post = std::string(kTaskList) + "session=a";
    EXPECT_EQ(Requests(), (Lines{post, post}));
    EXPECT_TRUE(dueTimes.empty());
    for (const sim::RecordedRequest& r : sim.Requests()) {
        EXPECT_EQ(r.userAgent, kUserAgent);
        EXPECT_TRUE(r.body.empty());
    }
    EXPECT_EQ(AccountCookie.str(), "session=a");
}

TEST_F(CheckRunTest, EverythingOpenMakesTwentyFourViewsAndTwentyFivePauses) {
    ASSERT_TRUE(sim.SetScenario("all-false=12"));
    Run("session=a");
    EXPECT_EQ(LogLines(), AllOpenLines("10", "12", "1", "1", "50"));
    const std::string post = std::string(kTaskList) + "session=a";
    const std::string view = std::string(kPageView) + "session=a";
    EXPECT_EQ(Requests(), Concat({{post}, Repeat(24, view), {post}}));
    EXPECT_EQ(dueTimes, std::vector<std::int64_t>(25, -10'000'000));
    for (const sim::RecordedRequest& r : sim.Requests())
        EXPECT_EQ(r.userAgent, kUserAgent);
}

// The views of the weekly visit task come from "data.weekReportPages" as answered; a
// negative count is capped at 30 views.
TEST_F(CheckRunTest, WeeklyVisitsFollowTheReportedPages) {
    struct Case {
        const char* raw;  // nullptr: member missing
        std::string shown;
        int views;
        std::string finalTotal;
    } cases[] = {
        {"30", "30", 0, "50"},
        {"31", "31", 0, "50"},
        {"12.7", "12.7", 18, "50"},
        {"-5", "-5", 30, "100"},
        {nullptr, "", 30, "100"},
        {"\"abc\"", "abc", 30, "100"},
        {"-2147483648", "-2147483648", 30, "100"},
    };
    int account = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.raw ? c.raw : "missing");
        ASSERT_TRUE(sim.SetScenario("all-false"));
        if (c.raw)
            sim.SetMember("data.weekReportPages", c.raw);
        else
            sim.RemoveMember("data.weekReportPages");
        sim.ClearRequests();
        dueTimes.clear();
        static_cast<QPlainTextEdit*>(Control(u8"编辑框_log"))->clear();
        const std::string cookie = "session=" + std::to_string(++account);
        Run(cookie);
        EXPECT_EQ(LogLines(), AllOpenLines("10", c.shown, "1", "1", c.finalTotal));
        EXPECT_EQ(Requests(), Concat({{kTaskList + cookie},
                                      Repeat(6 + c.views, kPageView + cookie),
                                      {kTaskList + cookie}}));
        EXPECT_EQ(dueTimes.size(), 4u + c.views + 3u);
    }
}

// Only a code reading exactly 2000 goes on; every other answer ends the run with one line.
TEST_F(CheckRunTest, AnyOtherCodeEndsTheRunWithOneLine) {
    struct Case {
        const char* scenario;
        std::u8string_view reason;
    } cases[] = {
        {"code-2001", u8"未登录或登录已过期"},
        {"code-missing", u8"success"},
        {"code-blank", u8"success"},
        {"code=\"2000\\t\"", u8"success"},
        {"chinese-message", u8"活动太火爆了，请稍后再试"},
        {"not-json", u8""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        ASSERT_TRUE(sim.SetScenario(c.scenario));
        sim.ClearRequests();
        dueTimes.clear();
        static_cast<QPlainTextEdit*>(Control(u8"编辑框_log"))->clear();
        Run("session=a");
        EXPECT_EQ(LogLines(), Lines{L(u8"获取任务进度失败！错误原因：") + U8(c.reason)});
        EXPECT_EQ(Requests(), Lines{std::string(kTaskList) + "session=a"});
        EXPECT_TRUE(dueTimes.empty());
    }
}

TEST_F(CheckRunTest, FlagsOtherThanFalseCountAsDone) {
    for (const char* raw : {"0", "\"False\"", "null", "\"true\""}) {
        SCOPED_TRACE(raw);
        ASSERT_TRUE(sim.SetScenario(std::string("flags=") + raw));
        sim.ClearRequests();
        static_cast<QPlainTextEdit*>(Control(u8"编辑框_log"))->clear();
        Run("session=a");
        EXPECT_EQ(LogLines().size(), 2u);
        EXPECT_EQ(sim.Requests().size(), 2u);
    }
    EXPECT_TRUE(dueTimes.empty());
}

TEST_F(CheckRunTest, FinalLineTakesTheSecondAnswersTotal) {
    ASSERT_TRUE(sim.SetScenario("second-total=100,150"));
    Run("session=a");
    EXPECT_EQ(LogLines(), (Lines{L(u8"获取任务进度成功，当前活跃度：100，正在检测任务完成情况"),
                                 L(u8"检测完成，当前活跃度：150")}));
}

TEST_F(CheckRunTest, ServiceDownGivesTheFailureLineWithoutReason) {
    sim.Stop();
    Run("session=a");
    EXPECT_EQ(LogLines(), Lines{L(u8"获取任务进度失败！错误原因：")});
}

// A document whose engine could not be made at start-up reads nothing: every run ends at the
// code test, without reason.
TEST_F(CheckRunTest, WithoutScriptEngineEveryRunEndsAtTheCodeTest) {
    program.reset();
    platform::script::testing::SetCreationFails(true);
    program = std::make_unique<Program>();
    platform::script::testing::SetCreationFails(false);
    ASSERT_TRUE(sim.SetScenario("all-false=12"));
    Run("session=a");
    Run("session=a");
    EXPECT_EQ(LogLines(), Lines(2, L(u8"获取任务进度失败！错误原因：")));
    EXPECT_EQ(Requests().size(), 2u);
    EXPECT_TRUE(dueTimes.empty());
}

// A second click during a pause runs a whole nested run there; the outer run then goes on
// with the values it had read, but its requests send the cookie now in AccountCookie.
TEST_F(CheckRunTest, SecondClickDuringAPauseRunsANestedRun) {
    ASSERT_TRUE(sim.SetScenario("all-false=12"));
    pauseFor = [](std::size_t n) -> std::int64_t {
        if (n == 1)
            QTimer::singleShot(0, [] { Run("session=b"); });
        return n == 1 ? -500'000 : 0;
    };
    Run("session=a");
    const Lines outer = AllOpenLines("10", "12", "1", "1", "100");
    const Lines nested = AllOpenLines("10", "12", "1", "1", "50");
    EXPECT_EQ(LogLines(),
              Concat({{outer[0], outer[1]}, nested, Lines(outer.begin() + 2, outer.end())}));
    const std::string postA = std::string(kTaskList) + "session=a";
    const std::string postB = std::string(kTaskList) + "session=b";
    const std::string viewB = std::string(kPageView) + "session=b";
    EXPECT_EQ(Requests(), Concat({{postA, std::string(kPageView) + "session=a", postB},
                                  Repeat(24, viewB),
                                  {postB},
                                  Repeat(23, viewB),
                                  {postB}}));
    EXPECT_EQ(dueTimes.size(), 50u);
    EXPECT_EQ(AccountCookie.str(), "session=b");
}

// Closing the window in a pause ends the run there: no request and no log line after it.
TEST_F(CheckRunTest, ClosingTheWindowDuringARunEndsItCleanly) {
    const std::function<void()> ways[] = {
        [] { QTest::mouseClick(Control(u8"按钮2"), Qt::LeftButton); },
        [] { QTest::keyClick(Control(u8"编辑框1"), Qt::Key_Escape); },
        [] { Control(u8"按钮1")->window()->close(); },
    };
    int way = 0;
    for (const auto& close : ways) {
        SCOPED_TRACE(way++);
        if (!program)
            program = std::make_unique<Program>();
        ASSERT_TRUE(sim.SetScenario("all-false=12"));
        sim.ClearRequests();
        dueTimes.clear();
        Lines linesAtClose;
        pauseFor = [&](std::size_t n) -> std::int64_t {
            if (n != 3)
                return 0;
            QTimer::singleShot(0, [&] {
                close();
                linesAtClose = LogLines();
            });
            return -500'000;
        };
        Run("session=c" + std::to_string(way));
        EXPECT_FALSE(program->Window().Exists());
        EXPECT_EQ(linesAtClose.size(), 4u);
        EXPECT_EQ(LogLines(), linesAtClose);
        EXPECT_EQ(sim.Requests().size(), 5u) << "the fetch and the views before the 3rd pause";
        EXPECT_EQ(dueTimes.size(), 3u);
        program.reset();
        EXPECT_TRUE(AccountCookie.empty());
        EXPECT_EQ(ActivityJson, nullptr);
    }
}

// With the real pauses and the real message loop: the program is out of its loop right after
// the window is closed in the middle of a run (a finished run would take 25 seconds).
TEST_F(CheckRunTest, ClosingDuringRealPausesEndsTheProgramPromptly) {
    SetPacedWaitHookForTesting(nullptr);
    ASSERT_TRUE(sim.SetScenario("all-false=12"));
    QElapsedTimer clock;
    qint64 closedAt = 0;
    std::size_t requestsAtClose = 0;
    QTimer::singleShot(0, [] { Run("session=a"); });
    QTimer::singleShot(1500, [&] {
        requestsAtClose = sim.Requests().size();
        QTest::keyClick(Control(u8"编辑框1"), Qt::Key_Escape);
        closedAt = clock.elapsed();
    });
    clock.start();
    program->RunMessageLoop();
    EXPECT_GT(closedAt, 0);
    EXPECT_LT(clock.elapsed() - closedAt, 1000);
    EXPECT_EQ(requestsAtClose, 3u) << "fetch, task 1 view, pause, task 2 view, in the 2nd pause";
    EXPECT_EQ(sim.Requests().size(), requestsAtClose);
    program.reset();
    EXPECT_EQ(ActivityJson, nullptr);
}

// One real one-second pause inside a run; the window answers a click in the middle of it.
TEST_F(CheckRunTest, RealPauseInARunKeepsTheWindowLive) {
    SetPacedWaitHookForTesting(nullptr);
    ASSERT_TRUE(sim.SetScenario("all-true"));
    sim.SetMember("data.weekTaskAll", "false");
    std::size_t linesAtClick = 0;
    QTimer::singleShot(300, [&] {
        QTest::mouseClick(Control(u8"按钮3"), Qt::LeftButton);
        linesAtClick = LogLines().size();
    });
    QElapsedTimer clock;
    clock.start();
    Run("session=a");
    EXPECT_GE(clock.elapsed(), 1000);
    EXPECT_EQ(LogLines(),
              (Lines{L(u8"获取任务进度成功，当前活跃度：10，正在检测任务完成情况"),
                     L(u8"【完成全部周任务】未完成。"), L(u8"检测完成，当前活跃度：10")}));
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_EQ(linesAtClick, 2u) << "the click was handled during the pause";
}

}  // namespace
}  // namespace qelvo::app::testing
