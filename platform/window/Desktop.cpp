#include "platform/window/Desktop.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

#include <utility>

#include "platform/window/QtText.h"

namespace qelvo::platform::window {

namespace {
std::function<void(const std::string&, const std::string&)>& MessageBoxHook() {
    static std::function<void(const std::string&, const std::string&)> hook;
    return hook;
}
std::function<void(const std::string&)>& BrowserHook() {
    static std::function<void(const std::string&)> hook;
    return hook;
}
}  // namespace

void ShowMessageBox(std::string_view text, std::optional<std::string_view> caption) {
    const QString title = caption ? detail::FromGbk(*caption) : QString::fromUtf8(u8"信息：");
    if (auto hook = MessageBoxHook()) {
        hook(std::string(text), detail::ToGbk(title));
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, title, detail::FromGbk(text), QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

void OpenInBrowser(std::string_view address) {
    if (auto hook = BrowserHook()) {
        hook(std::string(address));
        return;
    }
    const QUrl url(detail::FromGbk(address), QUrl::StrictMode);
    if (url.isValid())
        QDesktopServices::openUrl(url);
}

void SetMessageBoxHookForTesting(
    std::function<void(const std::string& text, const std::string& caption)> hook) {
    MessageBoxHook() = std::move(hook);
}

void SetBrowserHookForTesting(std::function<void(const std::string& address)> hook) {
    BrowserHook() = std::move(hook);
}

}  // namespace qelvo::platform::window
