#pragma once
// The two requests of the service's activity API. Both send AccountCookie and one
// User-Agent line, follow redirects, and return the answer body converted from UTF-8 to GBK,
// cut at its first NUL byte; empty when the request failed or had no body. Neither looks at
// the answer's status, retries, or processes window events.

#include "text/Text.h"

namespace qelvo::app {

/// The account's session cookie: set from 编辑框1 at the start of every check run, read by
/// both requests (each sends its own copy, so a cookie the service sets is not carried on),
/// released by the exit clean-up.
extern Text AccountCookie;

/// The User-Agent value both requests send.
inline constexpr const char* kUserAgent =
    "Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/50.0.2661.87 Safari/537.36";

/// POST to the task-list endpoint, no body: the account's task progress (JSON text).
[[nodiscard]] Text FetchTaskList();
/// GET of the page-view endpoint: registers one report-page view. Callers drop the answer.
Text VisitPage();

}  // namespace qelvo::app
