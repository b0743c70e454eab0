#pragma once
// The whole program on the offscreen platform, its service simulated on 127.0.0.1, with
// the message box, the browser and the pauses recorded instead of happening.

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Addresses.h"
#include "app/MainWindow.h"
#include "app/Program.h"
#include "app/ProgressLog.h"
#include "platform/window/Desktop.h"
#include "tools/qelvo-sim/SimServer.h"

namespace qelvo::app::testing {

inline std::string U8(std::u8string_view s) {
    return std::string(s.begin(), s.end());
}

inline QWidget* Control(const char8_t* name) {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* control = top->findChild<QWidget*>(QString::fromUtf8(name)))
            return control;
    return nullptr;
}

class AppTest : public ::testing::Test {
  protected:
    sim::SimServer sim{sim::Options{.lifetime = std::chrono::seconds(120)}};
    std::unique_ptr<Program> program;
    std::vector<std::int64_t> dueTimes;                 // one per PacedWait, as computed
    std::function<std::int64_t(std::size_t)> pauseFor;  // 1-based pause number -> due time
    std::vector<std::pair<std::string, std::string>> messageBoxes;  // text, caption (GBK)
    std::vector<std::string> opened;                                // browser addresses

    void SetUp() override {
        ASSERT_TRUE(sim.Start());
        SetServiceBase(Text(sim.BaseUrl()));
        platform::window::SetMessageBoxHookForTesting(
            [this](const std::string& text, const std::string& caption) {
                messageBoxes.push_back({text, caption});
            });
        platform::window::SetBrowserHookForTesting(
            [this](const std::string& address) { opened.push_back(address); });
        SetPacedWaitHookForTesting([this](std::int64_t due) {
            dueTimes.push_back(due);
            return pauseFor ? pauseFor(dueTimes.size()) : 0;
        });
        program = std::make_unique<Program>();
    }

    void TearDown() override {
        program.reset();
        SetPacedWaitHookForTesting(nullptr);
        platform::window::SetMessageBoxHookForTesting(nullptr);
        platform::window::SetBrowserHookForTesting(nullptr);
        SetServiceBase(Text(kDefaultServiceBase));
    }

    static void TypeCookie(const std::string& utf8) {
        static_cast<QPlainTextEdit*>(Control(u8"编辑框1"))
            ->setPlainText(QString::fromStdString(utf8));
    }
    static void ClickCheck() { QTest::mouseClick(Control(u8"按钮1"), Qt::LeftButton); }
    // One run: the click returns when the run (and any run nested in it) has ended.
    static void Run(const std::string& cookie) {
        TypeCookie(cookie);
        ClickCheck();
    }

    /// The log box's lines in UTF-8, without the empty line after the last line break.
    static std::vector<std::string> LogLines() {
        QString text = static_cast<QPlainTextEdit*>(Control(u8"编辑框_log"))->toPlainText();
        QStringList lines = text.split(u'\n');
        if (!lines.isEmpty() && lines.back().isEmpty())
            lines.pop_back();
        std::vector<std::string> result;
        for (const QString& line : lines)
            result.push_back(line.toStdString());
        return result;
    }

    /// Requests the simulator received, as "METHOD target cookie".
    std::vector<std::string> Requests() const {
        std::vector<std::string> result;
        for (const sim::RecordedRequest& r : sim.Requests())
            result.push_back(r.method + " " + r.target + " " + r.cookie);
        return result;
    }
};

inline constexpr const char* kTaskList = "POST /api/user/active/taskList ";
inline constexpr const char* kPageView = "GET /api/user/active/pv?productCode=v6&pageType=2 ";

}  // namespace qelvo::app::testing
