#pragma once
// Desktop services: the modal message box and the hand-off of an address to the browser.
// Texts are GBK bytes.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qelvo::platform::window {

/// Shows `text` in a box with an OK button only and no icon, without owner window and modal
/// for the whole application; returns when the user has dismissed it. `caption` absent gives
/// "信息：".
void ShowMessageBox(std::string_view text, std::optional<std::string_view> caption = std::nullopt);

/// Hands `address` to the user's default browser and returns at once; the outcome is not
/// reported. An address that is not a valid URL is dropped.
void OpenInBrowser(std::string_view address);

/// Test seams. With a hook set, ShowMessageBox calls it with the text and the caption it
/// would show (GBK) instead of showing a box, and OpenInBrowser calls it with the address
/// instead of starting a browser. An empty function restores the real behaviour.
void SetMessageBoxHookForTesting(
    std::function<void(const std::string& text, const std::string& caption)> hook);
void SetBrowserHookForTesting(std::function<void(const std::string& address)> hook);

}  // namespace qelvo::platform::window
