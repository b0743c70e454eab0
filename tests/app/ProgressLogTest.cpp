#include <QElapsedTimer>

#include <limits>

#include "platform/window/Wait.h"
#include "tests/app/AppFixture.h"

namespace qelvo::app::testing {
namespace {

using ProgressLogTest = AppTest;

TEST_F(ProgressLogTest, LogLineAppendsPrefixedLinesAfterWhatIsThere) {
    auto* log = static_cast<QPlainTextEdit*>(Control(u8"编辑框_log"));
    log->setFocus();
    QTest::keyClicks(log, "mine");
    LogLine(qelvo::Text());
    LogLine(GbkText(u8"两行\r\n第二行"));
    LogLine(qelvo::Text("x"));
    EXPECT_EQ(log->toPlainText(), QString::fromUtf8(u8"mine>>> \n>>> 两行\n第二行\n>>> x\n"));
    EXPECT_EQ(log->textCursor().position(), log->document()->characterCount() - 1);
}

TEST(PacedWaitDueTime, UnitsMultipliersAndAbsentArguments) {
    constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
    constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
    struct Case {
        std::optional<std::int64_t> interval;
        std::optional<std::int32_t> unit;
        std::int64_t due;
    } cases[] = {
        {1000, std::nullopt, -10'000'000},
        {1000, 0, -10'000'000},
        {2, 1, -20'000'000},
        {2, 2, -1'200'000'000},
        {2, 3, -72'000'000'000},
        {2, 7, -140'000},  // another unit is its own multiplier
        {2, -3, 60'000},   // ... a negative one too: a due time in the past
        {0, std::nullopt, 0},
        {-5, 0, 50'000},
        {std::nullopt, std::nullopt, -3'240'000'000'000'000'000},
        {std::nullopt, 0, -3'240'000'000'000'000'000},
        {std::nullopt, 2, 0},
        {kMax, 3, kMin},  // saturates instead of overflowing
        {kMin, 3, kMax},
        {922'337'203'685'477, 0, -9'223'372'036'854'769'664},  // largest exact in double
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.interval.value_or(-999) << " unit " << c.unit.value_or(-999));
        EXPECT_EQ(PacedWaitDueTime(c.interval, c.unit), c.due);
    }
}

TEST_F(ProgressLogTest, PausePassesItsDueTimeToTheSeamAndWaitsWhatItReturns) {
    pauseFor = [](std::size_t) { return -500'000; };  // 50 ms
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(PacedWait(1000));
    EXPECT_TRUE(PacedWait(0));
    EXPECT_GE(clock.elapsed(), 100);
    EXPECT_EQ(dueTimes, (std::vector<std::int64_t>{-10'000'000, 0}));
}

// The real one-second pause, with the window answering a click in the middle of it.
TEST_F(ProgressLogTest, RealOneSecondPauseKeepsTheWindowLive) {
    SetPacedWaitHookForTesting(nullptr);
    QElapsedTimer clock;
    clock.start();
    qint64 clickedAt = -1;
    QTimer::singleShot(100, [&] {
        QTest::mouseClick(Control(u8"按钮3"), Qt::LeftButton);
        clickedAt = clock.elapsed();
    });
    EXPECT_TRUE(PacedWait(1000));
    EXPECT_GE(clock.elapsed(), 1000);
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_GE(clickedAt, 100);
    EXPECT_LT(clickedAt, 1000) << "handled during the pause, not after it";
}

TEST_F(ProgressLogTest, NestedPauseEndsFirst) {
    pauseFor = [](std::size_t n) { return n == 1 ? -1'000'000 : -3'000'000; };  // 100, 300 ms
    std::vector<std::string> order;
    QTimer::singleShot(0, [&] {
        PacedWait(1000);
        order.push_back("inner");
    });
    QElapsedTimer clock;
    clock.start();
    PacedWait(1000);
    order.push_back("outer");
    EXPECT_GE(clock.elapsed(), 300);
    EXPECT_EQ(order, (std::vector<std::string>{"inner", "outer"}));
}

TEST_F(ProgressLogTest, PauseStillEndsAndStaysLiveWithoutATimer) {
    platform::window::SetTimerFailureForTesting(true);
    pauseFor = [](std::size_t) { return -600'000; };  // 60 ms
    bool handled = false;
    QTimer::singleShot(10, [&] { handled = true; });  // a toolkit timer, not the seam's
    QElapsedTimer clock;
    clock.start();
    const bool over = PacedWait(1000);
    platform::window::SetTimerFailureForTesting(false);
    EXPECT_TRUE(over);
    EXPECT_GE(clock.elapsed(), 60);
    EXPECT_TRUE(handled);
}

TEST_F(ProgressLogTest, PauseEndsAtOnceWhenTheWindowIsDestroyed) {
    SetPacedWaitHookForTesting(nullptr);
    QTimer::singleShot(50, [] { QTest::keyClick(Control(u8"编辑框1"), Qt::Key_Escape); });
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(PacedWait(30, 1));  // thirty seconds
    EXPECT_LT(clock.elapsed(), 10'000);
    EXPECT_FALSE(program->Window().Exists());
}

}  // namespace
}  // namespace qelvo::app::testing
