#pragma once
// One fixed-size top-level window with simple controls, its events and its message loop.
//
// Every text that crosses this interface is GBK (code page 936) bytes; a character GBK lacks
// becomes "?" on the way out. Line breaks read from an edit box are CR LF. Control names are
// GBK too and become the controls' object names, so tests can find them.
//
// Handlers run on the window thread, one at a time, unless a handler processes events itself
// (Wait.h): then other handlers may run inside it.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qelvo::platform::window {

enum class ControlKind { kLabel, kEditBox, kButton, kHyperlink };
enum class Border { kNone, kSingle, kSunken };

struct Color {
    std::uint8_t red = 0, green = 0, blue = 0;
};

/// One control; places are in pixels inside the window's client area.
struct ControlSpec {
    ControlKind kind = ControlKind::kLabel;
    std::string name;  ///< GBK; the control's object name
    int left = 0, top = 0, width = 0, height = 0;
    std::string text;  ///< GBK; initial text (the caption of labels, buttons and links)
    // Edit boxes only. A multi-line box wraps long lines and inserts a line break on Enter.
    bool multiLine = false;
    bool verticalScrollBar = false;  ///< shown at all times; never a horizontal one
    Border border = Border::kSunken;
    Color textColor{0, 0, 0};  ///< on a white background
    bool readOnly = false;
};

struct WindowSpec {
    std::string title;                      ///< GBK
    int clientWidth = 0, clientHeight = 0;  ///< fixed: the window cannot be resized or maximized
    bool closeOnEscape = false;             ///< Esc anywhere in the window destroys it
    std::vector<ControlSpec> controls;
};

class Window {
  public:
    explicit Window(WindowSpec spec);
    /// Frees the window and its controls (destroying it first if that has not happened).
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    /// Handlers; register them before Create. A control name that does not exist is ignored.
    void SetCreatedHandler(std::function<void()> handler);
    void SetClickHandler(std::string_view controlName, std::function<void()> handler);
    /// Left mouse button pressed on the control.
    void SetMousePressHandler(std::string_view controlName, std::function<void()> handler);

    /// Builds the window and its controls (not shown yet), then runs the created handler.
    /// A second call does nothing.
    void Create();
    /// Shows the window centred on the primary screen and gives it the focus.
    void Show();
    /// Runs the window's events until the window is destroyed; returns at once when it never
    /// was created or is gone already.
    void RunMessageLoop();
    /// Destroys the window: it disappears, no handler runs any more, the message loop ends.
    /// The close box and (with closeOnEscape) the Esc key do the same. Safe inside a handler.
    void Destroy();
    /// True from Create until the window is destroyed.
    [[nodiscard]] bool Exists() const;

    /// The whole current text of a control (GBK, line breaks as CR LF); empty when the control
    /// is empty, unknown or the window does not exist.
    [[nodiscard]] std::string ReadText(std::string_view controlName) const;
    /// Appends GBK text at the end of an edit box and scrolls the end into view; the caret
    /// moves to the end, text already in the box (typed by the user too) stays. CR LF and
    /// lone CR or LF each make one line break. No effect on other controls or a gone window.
    void AppendText(std::string_view controlName, std::string_view text);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace qelvo::platform::window
