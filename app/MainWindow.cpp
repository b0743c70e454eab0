#include "app/MainWindow.h"

#include "app/Addresses.h"
#include "app/CheckRun.h"
#include "platform/window/Desktop.h"
#include "platform/window/Window.h"

namespace qelvo::app {

namespace pw = platform::window;

Text TextFalse;

namespace {

MainWindow* g_current = nullptr;

std::string Gbk(std::u8string_view utf8) {
    return GbkText(utf8).str();
}

pw::WindowSpec Layout() {
    pw::WindowSpec spec;
    spec.title = Gbk(u8"Qelvo自动任务【Ostrel专版】  BY:Vesk");
    // A 365 x 379 outer window less a usual frame.
    spec.clientWidth = 359;
    spec.clientHeight = 351;
    spec.closeOnEscape = true;

    pw::ControlSpec label{pw::ControlKind::kLabel, Gbk(u8"标签1"), 8, 8, 80, 24,
                          Gbk(u8"账号cookie：")};
    pw::ControlSpec cookie{pw::ControlKind::kEditBox, CookieBoxName().str(), 88, 8, 264, 48, {}};
    cookie.multiLine = true;
    cookie.border = pw::Border::kSunken;
    cookie.textColor = {0, 0, 0};
    pw::ControlSpec check{pw::ControlKind::kButton, Gbk(u8"按钮1"), 32, 64, 80, 24, Gbk(u8"检测")};
    pw::ControlSpec quit{pw::ControlKind::kButton, Gbk(u8"按钮2"), 136, 64, 80, 24, Gbk(u8"退出")};
    pw::ControlSpec invite{pw::ControlKind::kButton, Gbk(u8"按钮3"), 232, 64, 96, 24,
                           Gbk(u8"注册Pellar计划")};
    pw::ControlSpec log{pw::ControlKind::kEditBox, LogBoxName().str(), 3, 98, 352, 222, {}};
    log.multiLine = true;
    log.verticalScrollBar = true;
    log.border = pw::Border::kSingle;
    log.textColor = {128, 128, 128};
    pw::ControlSpec link{pw::ControlKind::kHyperlink,
                         Gbk(u8"超级链接框1"),
                         75,
                         323,
                         208,
                         24,
                         std::string(kForumName) + "  " + std::string(kForumHost)};
    spec.controls = {label, cookie, check, quit, invite, log, link};
    return spec;
}

}  // namespace

Text CookieBoxName() {
    return GbkText(u8"编辑框1");
}

Text LogBoxName() {
    return GbkText(u8"编辑框_log");
}

MainWindow::MainWindow() : window_(std::make_unique<pw::Window>(Layout())) {
    g_current = this;
    window_->SetCreatedHandler([] { TextFalse = Text("false"); });
    window_->SetClickHandler(Gbk(u8"按钮1"), [] { RunCheck(); });
    window_->SetClickHandler(Gbk(u8"按钮2"), [this] { window_->Destroy(); });
    window_->SetClickHandler(Gbk(u8"按钮3"), [] { pw::OpenInBrowser(kInvitationPage); });
    window_->SetMousePressHandler(Gbk(u8"超级链接框1"), [] { pw::OpenInBrowser(kForumHomePage); });
}

MainWindow::~MainWindow() {
    if (g_current == this)
        g_current = nullptr;
}

void MainWindow::CreateAndShow() {
    window_->Create();
    created_ = true;
    window_->Show();
}

void MainWindow::RunMessageLoop() {
    window_->RunMessageLoop();
}

void MainWindow::Destroy() {
    window_->Destroy();
}

bool MainWindow::Exists() const {
    return window_->Exists();
}

bool MainWindow::Gone() const {
    return created_ && !window_->Exists();
}

Text MainWindow::ReadCookieBox() const {
    return Text(window_->ReadText(CookieBoxName().view()));
}

void MainWindow::AppendToLog(const Text& text) {
    window_->AppendText(LogBoxName().view(), text.view());
}

MainWindow* MainWindow::Current() {
    return g_current;
}

bool WindowGone() {
    return g_current && g_current->Gone();
}

}  // namespace qelvo::app
