#include "platform/window/Desktop.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include "tests/platform/window/TestText.h"

namespace qelvo::platform::window {
namespace {

TEST(MessageBox, RealBoxHasTheTextCaptionOkOnlyNoIconAndNoOwner) {
    struct Seen {
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::Information;
        int buttons = 0;
        bool ok = false, owned = true;
        Qt::WindowModality modality = Qt::NonModal;
    } seen;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = {box->windowTitle(),
                box->text(),
                box->icon(),
                int(box->buttons().size()),
                box->button(QMessageBox::Ok) != nullptr,
                box->parentWidget() != nullptr,
                box->windowModality()};
        box->button(QMessageBox::Ok)->click();
    });
    ShowMessageBox(Gbk(u8"请填写Cookie！"));
    EXPECT_EQ(seen.title, QString::fromUtf8(u8"信息："));
    EXPECT_EQ(seen.text, QString::fromUtf8(u8"请填写Cookie！"));
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen.buttons, 1);
    EXPECT_TRUE(seen.ok);
    EXPECT_FALSE(seen.owned);
    EXPECT_EQ(seen.modality, Qt::ApplicationModal);
}

TEST(MessageBox, HookAnswersInsteadOfShowing) {
    std::vector<std::pair<std::string, std::string>> shown;
    SetMessageBoxHookForTesting([&](const std::string& text, const std::string& caption) {
        shown.push_back({text, caption});
    });
    ShowMessageBox(Gbk(u8"一"));
    ShowMessageBox("two", Gbk(u8"标题"));
    SetMessageBoxHookForTesting(nullptr);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], std::make_pair(Gbk(u8"一"), Gbk(u8"信息：")));
    EXPECT_EQ(shown[1], std::make_pair(std::string("two"), Gbk(u8"标题")));
}

TEST(Browser, HookReceivesTheAddress) {
    std::vector<std::string> opened;
    SetBrowserHookForTesting([&](const std::string& address) { opened.push_back(address); });
    OpenInBrowser("https://example.invalid/a?b=c");
    SetBrowserHookForTesting(nullptr);
    EXPECT_EQ(opened, std::vector<std::string>{"https://example.invalid/a?b=c"});
}

}  // namespace
}  // namespace qelvo::platform::window
