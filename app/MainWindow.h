#pragma once
// 窗口, the program's one window: its controls, its event bindings and the operations the
// check run and the log use on it.

#include <memory>

#include "text/Text.h"

namespace qelvo::platform::window {
class Window;
}

namespace qelvo::app {

/// "false", set by the window-created handler; a task is open when its flag reads as this.
/// Released by the exit clean-up.
extern Text TextFalse;

/// Control names, as the controls bear them (GBK).
[[nodiscard]] Text CookieBoxName();  // 编辑框1
[[nodiscard]] Text LogBoxName();     // 编辑框_log

class MainWindow {
  public:
    /// Describes 窗口 and binds its events; nothing is shown yet. The newest MainWindow is the
    /// one Current() returns.
    MainWindow();
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    /// Creates the window (the created handler sets TextFalse) and shows it centred.
    void CreateAndShow();
    /// Runs the window's events until the window is destroyed (按钮2, Esc, the close box).
    void RunMessageLoop();
    void Destroy();
    /// True from CreateAndShow until the window is destroyed.
    [[nodiscard]] bool Exists() const;
    /// True once the window was created and has been destroyed.
    [[nodiscard]] bool Gone() const;

    /// The whole text of 编辑框1, line breaks as CR LF; empty when the window is gone.
    [[nodiscard]] Text ReadCookieBox() const;
    /// Appends `text` at the end of 编辑框_log and scrolls it into view; no effect once the
    /// window is gone.
    void AppendToLog(const Text& text);

    /// The window the check run and the log act on; nullptr when there is none.
    [[nodiscard]] static MainWindow* Current();

  private:
    std::unique_ptr<platform::window::Window> window_;
    bool created_ = false;
};

/// True when a window was made and has been destroyed since: a running check run must stop
/// touching it and make no more requests.
[[nodiscard]] bool WindowGone();

}  // namespace qelvo::app
