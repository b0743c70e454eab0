#include "platform/window/Window.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QWidget>

#include <map>
#include <utility>

#include "platform/window/QtText.h"

namespace qelvo::platform::window {

namespace {

// The top-level widget: reports the close box and the Esc key instead of acting on them.
class Form : public QWidget {
  public:
    std::function<void()> onClose;
    std::function<void()> onEscape;

  protected:
    void closeEvent(QCloseEvent* event) override {
        event->accept();
        if (onClose)
            onClose();
    }
    // Child controls ignore Esc, so it arrives here whichever control has the focus.
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape && onEscape) {
            onEscape();
            return;
        }
        QWidget::keyPressEvent(event);
    }
};

// Reports a left mouse button press on the control it watches; the press goes on as usual.
class PressFilter : public QObject {
  public:
    explicit PressFilter(std::function<void()> onPress, QObject* parent)
        : QObject(parent), onPress_(std::move(onPress)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            onPress_();
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void()> onPress_;
};

using HandlerMap = std::map<std::string, std::function<void()>, std::less<>>;

QFrame::Shape FrameShape(Border border) {
    switch (border) {
        case Border::kNone:
            return QFrame::NoFrame;
        case Border::kSingle:
            return QFrame::Box;
        case Border::kSunken:
            return QFrame::StyledPanel;
    }
    return QFrame::NoFrame;
}

void StyleEditBox(QWidget* box, const ControlSpec& spec) {
    QPalette palette = box->palette();
    const QColor text(spec.textColor.red, spec.textColor.green, spec.textColor.blue);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Base, Qt::white);
    box->setPalette(palette);
}

QWidget* MakeControl(const ControlSpec& spec, QWidget* parent) {
    const QString text = detail::FromGbk(spec.text);
    QWidget* control = nullptr;
    switch (spec.kind) {
        case ControlKind::kLabel: {
            auto* label = new QLabel(text, parent);
            label->setTextFormat(Qt::PlainText);
            control = label;
            break;
        }
        case ControlKind::kHyperlink: {
            auto* link = new QLabel(text, parent);
            link->setTextFormat(Qt::PlainText);
            QFont font = link->font();
            font.setUnderline(true);
            link->setFont(font);
            QPalette palette = link->palette();
            palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
            link->setPalette(palette);
            link->setCursor(Qt::PointingHandCursor);
            control = link;
            break;
        }
        case ControlKind::kButton: {
            auto* button = new QPushButton(text, parent);
            button->setAutoDefault(false);  // Enter must not press a button
            control = button;
            break;
        }
        case ControlKind::kEditBox: {
            if (spec.multiLine) {
                auto* box = new QPlainTextEdit(text, parent);
                box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
                box->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
                box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
                box->setVerticalScrollBarPolicy(spec.verticalScrollBar ? Qt::ScrollBarAlwaysOn
                                                                       : Qt::ScrollBarAlwaysOff);
                box->setFrameShape(FrameShape(spec.border));
                box->setFrameShadow(spec.border == Border::kSunken ? QFrame::Sunken
                                                                   : QFrame::Plain);
                if (spec.border == Border::kSingle)
                    box->setLineWidth(1);
                box->setReadOnly(spec.readOnly);
                control = box;
            } else {
                auto* box = new QLineEdit(text, parent);
                box->setFrame(spec.border != Border::kNone);
                box->setReadOnly(spec.readOnly);
                control = box;
            }
            StyleEditBox(control, spec);
            break;
        }
    }
    control->setObjectName(detail::FromGbk(spec.name));
    control->setGeometry(spec.left, spec.top, spec.width, spec.height);
    return control;
}

void CentreOnScreen(QWidget* window) {
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

}  // namespace

struct Window::Impl {
    WindowSpec spec;
    QPointer<Form> form;
    std::map<std::string, QPointer<QWidget>, std::less<>> controls;
    std::function<void()> onCreated;
    HandlerMap clicks;
    HandlerMap presses;
    bool exists = false;
    bool destroyed = false;
    QEventLoop* loop = nullptr;

    // Handlers are copied before they run: one may destroy the window, which drops them all.
    void Fire(const HandlerMap& handlers, const std::string& name) const {
        if (!exists)
            return;
        if (auto it = handlers.find(name); it != handlers.end()) {
            auto handler = it->second;
            handler();
        }
    }

    QWidget* Control(std::string_view name) const {
        if (!exists)
            return nullptr;
        auto it = controls.find(name);
        return it == controls.end() ? nullptr : it->second.data();
    }

    void FreeWidgets() {
        controls.clear();
        delete form.data();
    }
};

Window::Window(WindowSpec spec) : impl_(std::make_unique<Impl>()) {
    impl_->spec = std::move(spec);
}

Window::~Window() {
    impl_->exists = false;
    impl_->FreeWidgets();
}

void Window::SetCreatedHandler(std::function<void()> handler) {
    impl_->onCreated = std::move(handler);
}

void Window::SetClickHandler(std::string_view controlName, std::function<void()> handler) {
    impl_->clicks[std::string(controlName)] = std::move(handler);
}

void Window::SetMousePressHandler(std::string_view controlName, std::function<void()> handler) {
    impl_->presses[std::string(controlName)] = std::move(handler);
}

void Window::Create() {
    Impl& d = *impl_;
    if (d.form || d.destroyed)
        return;
    auto* form = new Form;
    d.form = form;
    form->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                         Qt::WindowCloseButtonHint);
    form->setAttribute(Qt::WA_QuitOnClose, false);
    form->setWindowTitle(detail::FromGbk(d.spec.title));
    form->setFixedSize(d.spec.clientWidth, d.spec.clientHeight);
    form->onClose = [this] { Destroy(); };
    if (d.spec.closeOnEscape)
        form->onEscape = [this] { Destroy(); };

    for (const ControlSpec& spec : d.spec.controls) {
        QWidget* control = MakeControl(spec, form);
        d.controls[spec.name] = control;
        if (auto* button = qobject_cast<QPushButton*>(control)) {
            QObject::connect(button, &QPushButton::clicked,
                             [this, name = spec.name] { impl_->Fire(impl_->clicks, name); });
        }
        control->installEventFilter(new PressFilter(
            [this, name = spec.name] { impl_->Fire(impl_->presses, name); }, control));
    }
    d.exists = true;
    if (auto created = d.onCreated)
        created();
}

void Window::Show() {
    Impl& d = *impl_;
    if (!d.exists)
        return;
    CentreOnScreen(d.form);
    d.form->show();
    CentreOnScreen(d.form);  // again, now that the frame is known on systems that draw one
    d.form->raise();
    d.form->activateWindow();
}

void Window::RunMessageLoop() {
    Impl& d = *impl_;
    if (!d.exists)
        return;
    QEventLoop loop;
    d.loop = &loop;
    loop.exec();
    d.loop = nullptr;
    // Every handler has returned by now, so the controls can go.
    if (d.destroyed)
        d.FreeWidgets();
}

void Window::Destroy() {
    Impl& d = *impl_;
    if (!d.exists)
        return;
    d.exists = false;
    d.destroyed = true;
    d.clicks.clear();
    d.presses.clear();
    d.onCreated = nullptr;
    // The widgets stay allocated until no handler can be on the stack: a click handler may be
    // the one destroying the window, from inside its own button's signal.
    if (d.form)
        d.form->hide();
    if (d.loop)
        d.loop->quit();
}

bool Window::Exists() const {
    return impl_->exists;
}

std::string Window::ReadText(std::string_view controlName) const {
    QWidget* control = impl_->Control(controlName);
    QString text;
    if (auto* box = qobject_cast<QPlainTextEdit*>(control))
        text = box->toPlainText().replace(u'\n', QStringLiteral("\r\n"));
    else if (auto* line = qobject_cast<QLineEdit*>(control))
        text = line->text();
    else if (auto* label = qobject_cast<QLabel*>(control))
        text = label->text();
    else if (auto* button = qobject_cast<QPushButton*>(control))
        text = button->text();
    return detail::ToGbk(text);
}

void Window::AppendText(std::string_view controlName, std::string_view text) {
    QWidget* control = impl_->Control(controlName);
    QString more = detail::FromGbk(text);
    if (auto* box = qobject_cast<QPlainTextEdit*>(control)) {
        more.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
        box->moveCursor(QTextCursor::End);
        box->ensureCursorVisible();
        box->insertPlainText(more);
        box->ensureCursorVisible();
        box->verticalScrollBar()->setValue(box->verticalScrollBar()->maximum());
    } else if (auto* line = qobject_cast<QLineEdit*>(control)) {
        line->end(false);
        line->insert(more);
    }
}

}  // namespace qelvo::platform::window
