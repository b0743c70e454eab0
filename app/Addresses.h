#pragma once
// Every host and address the program talks to or opens, in one place.

#include <string_view>

#include "text/Text.h"

namespace qelvo::app {

/// Base of both service endpoints: scheme and host (and port), no trailing "/".
inline constexpr std::string_view kDefaultServiceBase = "https://api.qelvo.com";
inline constexpr std::string_view kTaskListPath = "/api/user/active/taskList";
inline constexpr std::string_view kPageViewPath = "/api/user/active/pv?productCode=v6&pageType=2";

/// Opened by 按钮3: the invitation host, the program's invitation code as path, "target=V6".
inline constexpr std::string_view kInvitationPage = "https://invite.qelvo.com/OSTREL?target=V6";
/// Shown by and opened from 超级链接框1.
inline constexpr std::string_view kForumName = "Ostrel";
inline constexpr std::string_view kForumHost = "bbs.ostrel.com";
inline constexpr std::string_view kForumHomePage = "https://bbs.ostrel.com/";

/// The service base in use: kDefaultServiceBase unless SetServiceBase changed it.
[[nodiscard]] const Text& ServiceBase();
/// Points both endpoints at `base` ("http://127.0.0.1:8080"); one trailing "/" is dropped.
/// Check it with IsServiceBase first.
void SetServiceBase(const Text& base);
/// True for "http://" or "https://" followed by a host (letters, digits, ".", "-", "_", or an
/// IPv6 address in brackets) and an optional ":port" of 1 to 5 digits, then at most one "/".
[[nodiscard]] bool IsServiceBase(std::string_view base);

/// ServiceBase() + the endpoint's path and query.
[[nodiscard]] Text TaskListUrl();
[[nodiscard]] Text PageViewUrl();

}  // namespace qelvo::app
