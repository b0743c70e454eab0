#include "platform/window/Window.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "tests/platform/window/TestText.h"

namespace qelvo::platform::window {
namespace {

WindowSpec SampleSpec() {
    WindowSpec spec;
    spec.title = Gbk(u8"样例【窗口】");
    spec.clientWidth = 300;
    spec.clientHeight = 200;
    spec.closeOnEscape = true;
    spec.controls = {
        {ControlKind::kLabel, Gbk(u8"标签1"), 8, 8, 80, 24, Gbk(u8"账号：")},
        {.kind = ControlKind::kEditBox,
         .name = Gbk(u8"输入"),
         .left = 90,
         .top = 8,
         .width = 200,
         .height = 48,
         .text = {},
         .multiLine = true},
        {.kind = ControlKind::kEditBox,
         .name = "log",
         .left = 4,
         .top = 60,
         .width = 290,
         .height = 80,
         .text = {},
         .multiLine = true,
         .verticalScrollBar = true,
         .border = Border::kSingle,
         .textColor = {128, 128, 128}},
        {ControlKind::kButton, "ok", 10, 150, 80, 24, Gbk(u8"检测")},
        {ControlKind::kHyperlink, "link", 100, 150, 150, 24, "Forum  host"},
    };
    return spec;
}

class WindowTest : public ::testing::Test {
  protected:
    Window window{SampleSpec()};

    static QWidget* Top() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowTitle() == QString::fromUtf8(u8"样例【窗口】"))
                return w;
        return nullptr;
    }
    static QWidget* Find(const char8_t* name) {
        QWidget* top = Top();
        return top ? top->findChild<QWidget*>(QString::fromUtf8(name)) : nullptr;
    }
    void CreateAndShow() {
        window.Create();
        window.Show();
        ASSERT_NE(Top(), nullptr);
    }
};

TEST_F(WindowTest, BuildsControlsWithTheirNamesPlacesAndSettings) {
    int created = 0;
    window.SetCreatedHandler([&] { ++created; });
    CreateAndShow();
    window.Create();
    EXPECT_EQ(created, 1);

    QWidget* top = Top();
    EXPECT_EQ(top->size(), QSize(300, 200));
    EXPECT_EQ(top->minimumSize(), top->maximumSize()) << "must not be resizable";
    EXPECT_FALSE(top->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(top->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(top->windowFlags() & Qt::WindowCloseButtonHint);
    const QPoint screenCentre = top->screen()->availableGeometry().center();
    EXPECT_LE((top->frameGeometry().center() - screenCentre).manhattanLength(), 2);

    struct Row {
        const char8_t* name;
        QRect place;
        const char* type;
    } rows[] = {{u8"标签1", {8, 8, 80, 24}, "QLabel"},
                {u8"输入", {90, 8, 200, 48}, "QPlainTextEdit"},
                {u8"log", {4, 60, 290, 80}, "QPlainTextEdit"},
                {u8"ok", {10, 150, 80, 24}, "QPushButton"},
                {u8"link", {100, 150, 150, 24}, "QLabel"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(QString::fromUtf8(row.name).toStdString());
        QWidget* control = Find(row.name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->geometry(), row.place);
        EXPECT_STREQ(control->metaObject()->className(), row.type);
    }
    EXPECT_EQ(static_cast<QLabel*>(Find(u8"标签1"))->text(), QString::fromUtf8(u8"账号："));
    EXPECT_EQ(static_cast<QPushButton*>(Find(u8"ok"))->text(), QString::fromUtf8(u8"检测"));
    EXPECT_FALSE(static_cast<QPushButton*>(Find(u8"ok"))->autoDefault());

    auto* input = static_cast<QPlainTextEdit*>(Find(u8"输入"));
    EXPECT_EQ(input->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(input->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(input->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_EQ(input->frameShadow(), QFrame::Sunken);
    auto* log = static_cast<QPlainTextEdit*>(Find(u8"log"));
    EXPECT_EQ(log->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(log->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(log->frameShape(), QFrame::Box);
    EXPECT_EQ(log->palette().color(QPalette::Text), QColor(128, 128, 128));
    EXPECT_EQ(log->palette().color(QPalette::Base), QColor(Qt::white));
    EXPECT_FALSE(log->isReadOnly());
}

TEST_F(WindowTest, EnterInAMultiLineBoxInsertsALineBreakReadAsCrLf) {
    CreateAndShow();
    QWidget* input = Find(u8"输入");
    input->setFocus();
    QTest::keyClicks(input, "ab");
    QTest::keyClick(input, Qt::Key_Return);
    QTest::keyClicks(input, "c ");
    EXPECT_EQ(window.ReadText(Gbk(u8"输入")), "ab\r\nc ");
    EXPECT_EQ(input->window()->focusWidget(), input) << "Enter must not move the focus";
    EXPECT_EQ(window.ReadText(Gbk(u8"标签1")), Gbk(u8"账号："));
    EXPECT_EQ(window.ReadText("no such control"), "");
}

TEST_F(WindowTest, AppendKeepsTypedTextAndShowsTheEnd) {
    CreateAndShow();
    auto* log = static_cast<QPlainTextEdit*>(Find(u8"log"));
    log->setFocus();
    QTest::keyClicks(log, "typed");
    log->moveCursor(QTextCursor::Start);  // the user's caret somewhere else
    window.AppendText("log", Gbk(u8"中文\r\n"));
    window.AppendText("log", "two\rlines\n");
    EXPECT_EQ(window.ReadText("log"), Gbk(u8"typed中文\r\ntwo\r\nlines\r\n"));
    for (int i = 0; i < 40; ++i)
        window.AppendText("log", ">>> line\r\n");
    QScrollBar* bar = log->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_EQ(log->textCursor().position(), log->document()->characterCount() - 1);

    window.AppendText(Gbk(u8"标签1"), "ignored");  // not an edit box
    EXPECT_EQ(window.ReadText(Gbk(u8"标签1")), Gbk(u8"账号："));
}

TEST_F(WindowTest, ClickAndLeftPressReachTheirHandlers) {
    int clicks = 0, presses = 0;
    window.SetClickHandler("ok", [&] { ++clicks; });
    window.SetMousePressHandler("link", [&] { ++presses; });
    CreateAndShow();
    QTest::mouseClick(Find(u8"ok"), Qt::LeftButton);
    QTest::mouseClick(Find(u8"link"), Qt::RightButton);
    EXPECT_EQ(presses, 0);
    QTest::mouseClick(Find(u8"link"), Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(presses, 1);
}

// Esc from any control, the close box and Destroy from inside a click handler all end the
// window the same way: gone, handlers dead, texts unreachable, message loop over.
TEST_F(WindowTest, EveryWayOfClosingEndsTheWindowAndItsLoop) {
    enum class How { kEscapeInEditBox, kEscapeOnButton, kCloseBox, kDestroyInClick };
    for (How how :
         {How::kEscapeInEditBox, How::kEscapeOnButton, How::kCloseBox, How::kDestroyInClick}) {
        SCOPED_TRACE(static_cast<int>(how));
        Window w(SampleSpec());
        int clicks = 0;
        w.SetClickHandler("ok", [&] {
            ++clicks;
            if (how == How::kDestroyInClick)
                w.Destroy();
        });
        w.Create();
        w.Show();
        QWidget* top = Top();
        ASSERT_NE(top, nullptr);
        QPointer<QWidget> button = top->findChild<QWidget*>("ok");
        QPointer<QWidget> input = top->findChild<QWidget*>(QString::fromUtf8(u8"输入"));
        QTimer::singleShot(0, [&] {
            switch (how) {
                case How::kEscapeInEditBox:
                    input->setFocus();
                    QTest::keyClick(input, Qt::Key_Escape);
                    break;
                case How::kEscapeOnButton:
                    QTest::keyClick(button, Qt::Key_Escape);
                    break;
                case How::kCloseBox:
                    top->close();
                    break;
                case How::kDestroyInClick:
                    QTest::mouseClick(button, Qt::LeftButton);
                    break;
            }
        });
        QTimer watchdog;  // a broken close must fail the test, not hang it
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [&] { w.Destroy(); });
        watchdog.start(5000);
        w.RunMessageLoop();
        EXPECT_TRUE(watchdog.isActive()) << "the loop ended only through the watchdog";
        EXPECT_FALSE(w.Exists());
        EXPECT_TRUE(button.isNull()) << "controls freed once the loop is over";
        EXPECT_EQ(w.ReadText(Gbk(u8"标签1")), "");
        w.AppendText("log", "x");  // no effect, no crash
        w.Destroy();
        w.RunMessageLoop();  // returns at once
        EXPECT_EQ(clicks, how == How::kDestroyInClick ? 1 : 0);
    }
}

TEST_F(WindowTest, NoHandlerRunsAfterDestroy) {
    int clicks = 0;
    window.SetClickHandler("ok", [&] { ++clicks; });
    CreateAndShow();
    QPointer<QWidget> button = Find(u8"ok");
    window.Destroy();
    EXPECT_FALSE(Top()) << "hidden at once";
    ASSERT_FALSE(button.isNull()) << "kept until no handler can be on the stack";
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(clicks, 0);
}

TEST(WindowWithoutEscape, EscDoesNotCloseIt) {
    WindowSpec spec = SampleSpec();
    spec.closeOnEscape = false;
    Window w(spec);
    w.Create();
    w.Show();
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible())
            QTest::keyClick(top, Qt::Key_Escape);
    EXPECT_TRUE(w.Exists());
}

}  // namespace
}  // namespace qelvo::platform::window
