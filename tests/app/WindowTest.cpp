// 窗口: its layout, its bindings and the program's lifetime around it.
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "app/CheckRun.h"
#include "app/ServiceRequests.h"
#include "tests/app/AppFixture.h"

namespace qelvo::app::testing {
namespace {

using WindowTest = AppTest;

QString Text(QWidget* w) {
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->text();
    if (auto* button = qobject_cast<QPushButton*>(w))
        return button->text();
    if (auto* box = qobject_cast<QPlainTextEdit*>(w))
        return box->toPlainText();
    return "?";
}

TEST_F(WindowTest, ShowsTheWindowAsDesigned) {
    QWidget* top = Control(u8"按钮1")->window();
    EXPECT_TRUE(top->isVisible());
    EXPECT_EQ(top->windowTitle(), QString::fromUtf8(u8"Qelvo自动任务【Ostrel专版】  BY:Vesk"));
    EXPECT_EQ(top->size(), QSize(359, 351));
    EXPECT_EQ(top->minimumSize(), top->maximumSize());
    EXPECT_FALSE(top->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(top->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_LE((top->frameGeometry().center() - top->screen()->availableGeometry().center())
                  .manhattanLength(),
              2);

    struct Row {
        const char8_t* name;
        const char* type;
        QRect place;
        const char8_t* text;
    } rows[] = {
        {u8"标签1", "QLabel", {8, 8, 80, 24}, u8"账号cookie："},
        {u8"编辑框1", "QPlainTextEdit", {88, 8, 264, 48}, u8""},
        {u8"按钮1", "QPushButton", {32, 64, 80, 24}, u8"检测"},
        {u8"按钮2", "QPushButton", {136, 64, 80, 24}, u8"退出"},
        {u8"按钮3", "QPushButton", {232, 64, 96, 24}, u8"注册Pellar计划"},
        {u8"编辑框_log", "QPlainTextEdit", {3, 98, 352, 222}, u8""},
        {u8"超级链接框1", "QLabel", {75, 323, 208, 24}, u8"Ostrel  bbs.ostrel.com"},
    };
    for (const Row& row : rows) {
        QWidget* control = Control(row.name);
        ASSERT_NE(control, nullptr) << U8(row.name);
        SCOPED_TRACE(U8(row.name));
        EXPECT_EQ(control->window(), top);
        EXPECT_STREQ(control->metaObject()->className(), row.type);
        EXPECT_EQ(control->geometry(), row.place);
        EXPECT_EQ(Text(control), QString::fromUtf8(row.text));
    }
    auto* cookie = static_cast<QPlainTextEdit*>(Control(u8"编辑框1"));
    EXPECT_EQ(cookie->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(cookie->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_EQ(cookie->palette().color(QPalette::Text), QColor(Qt::black));
    auto* log = static_cast<QPlainTextEdit*>(Control(u8"编辑框_log"));
    EXPECT_EQ(log->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(log->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(log->palette().color(QPalette::Text), QColor(128, 128, 128));
    EXPECT_FALSE(log->isReadOnly());
    EXPECT_FALSE(static_cast<QPushButton*>(Control(u8"按钮1"))->autoDefault());

    EXPECT_EQ(TextFalse.str(), "false") << "set by the created handler";
    EXPECT_NE(ActivityJson, nullptr);
}

TEST_F(WindowTest, CookieBoxTakesSeveralLinesReadWithCrLf) {
    QWidget* box = Control(u8"编辑框1");
    box->setFocus();
    QTest::keyClicks(box, "a=1;");
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClicks(box, "b=2");
    EXPECT_EQ(box->window()->focusWidget(), box);
    EXPECT_EQ(program->Window().ReadCookieBox().str(), "a=1;\r\nb=2");
}

TEST_F(WindowTest, InvitationButtonAndForumLinkOpenTheirPages) {
    QTest::mouseClick(Control(u8"按钮3"), Qt::LeftButton);
    QTest::mouseClick(Control(u8"超级链接框1"), Qt::RightButton);
    QTest::mouseClick(Control(u8"超级链接框1"), Qt::LeftButton);
    EXPECT_EQ(opened, (std::vector<std::string>{"https://invite.qelvo.com/OSTREL?target=V6",
                                                "https://bbs.ostrel.com/"}));
    EXPECT_TRUE(program->Window().Exists());
}

// 退出, Esc and the close box each end the message loop; the exit clean-up then releases the
// program-wide values, whether or not a run ever happened.
TEST_F(WindowTest, EveryWayOutEndsTheProgramAndCleansUp) {
    const std::function<void()> ways[] = {
        [] { QTest::mouseClick(Control(u8"按钮2"), Qt::LeftButton); },
        [] { QTest::keyClick(Control(u8"编辑框1"), Qt::Key_Escape); },
        [] { QTest::keyClick(Control(u8"按钮3"), Qt::Key_Escape); },
        [] { Control(u8"按钮1")->window()->close(); },
    };
    int way = 0;
    for (const auto& leave : ways) {
        SCOPED_TRACE(way++);
        if (!program)
            program = std::make_unique<Program>();
        AccountCookie = qelvo::Text("left over");
        QTimer::singleShot(0, leave);
        QTimer watchdog;  // a way out that does not work fails instead of hanging
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [&] { program->Window().Destroy(); });
        watchdog.start(5000);
        program->RunMessageLoop();
        EXPECT_TRUE(watchdog.isActive());
        EXPECT_FALSE(program->Window().Exists());
        EXPECT_EQ(Control(u8"按钮1"), nullptr) << "the window's controls are freed";
        program.reset();
        EXPECT_TRUE(AccountCookie.empty());
        EXPECT_EQ(ActivityJson, nullptr);
        EXPECT_TRUE(TextFalse.empty());
    }
}

TEST_F(WindowTest, EmptyCookieBoxGivesOnlyTheMessageBox) {
    AccountCookie = qelvo::Text("previous");
    ClickCheck();
    ASSERT_EQ(messageBoxes.size(), 1u);
    EXPECT_EQ(messageBoxes[0].first, GbkText(u8"请填写Cookie！").str());
    EXPECT_EQ(messageBoxes[0].second, GbkText(u8"信息：").str());
    EXPECT_TRUE(LogLines().empty());
    EXPECT_TRUE(sim.Requests().empty());
    EXPECT_EQ(AccountCookie.str(), "previous");
}

// Only a zero-length box counts as empty: a blank goes to the service as the cookie.
TEST_F(WindowTest, BlankCookieIsSent) {
    Run(" ");
    EXPECT_TRUE(messageBoxes.empty());
    EXPECT_EQ(AccountCookie.str(), " ");
    EXPECT_EQ(Requests(), std::vector<std::string>{kTaskList});
    EXPECT_EQ(LogLines(),
              std::vector<std::string>{U8(u8">>> 获取任务进度失败！错误原因：未登录或登录已过期")});
}

}  // namespace
}  // namespace qelvo::app::testing
