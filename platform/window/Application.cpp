#include "platform/window/Application.h"

#include <QApplication>

namespace qelvo::platform::window {

struct Application::Impl {
    std::unique_ptr<QApplication> owned;
};

Application::Application(int& argc, char** argv) : impl_(std::make_unique<Impl>()) {
    if (!QApplication::instance())
        impl_->owned = std::make_unique<QApplication>(argc, argv);
    // The program ends when its window is destroyed, not when the toolkit thinks the last
    // window went away (a modal box closing must not end it).
    QApplication::setQuitOnLastWindowClosed(false);
}

Application::~Application() = default;

}  // namespace qelvo::platform::window
