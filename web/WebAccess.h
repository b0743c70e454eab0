#pragma once
// One complete HTTP or HTTPS request through the internet layer.

#include <optional>

#include "text/Text.h"

namespace qelvo {

/// Sends one request to `url` and returns the answer body exactly as read; empty when nothing
/// was read or the request could not start. Never throws. Each call has its own session: no
/// connection or cookie outlives it, except the process cookie store for calls without
/// `cookies`.
///
/// - `method`: 0 GET, 1 POST, 2 HEAD, 3 PUT, 4 OPTIONS, 5 DELETE, 6 TRACE, 7 CONNECT; any other
///   value, or none, is GET. GET never sends a body.
/// - Body (every verb but GET): `bodyBytes` when not empty; else the bytes of `bodyText`, which
///   `bodyBytes` (when given) then receives.
/// - `cookies` given (even empty): sent as the Cookie line when not empty, the process cookie
///   store stays out, and with `mergeCookies` (default true) it receives the merged list.
///   Not given: the process cookie store (in memory) sends and keeps the cookies.
/// - `responseCookies`: name=value of each Set-Cookie line of the final response, "; "-joined;
///   merged with `cookies` as above.
/// - `headers`: extra "Name: value" lines joined by CR LF; names are capitalised first unless
///   `normalizeHeaderCase` is false; Accept, Referer, Accept-Language and (POST) Content-Type
///   are added when missing unless `completeHeaders` is false.
/// - `responseHeaders`: the final response's raw header block (status line and header lines,
///   each ending in CR LF, then CR LF), whole; empty when no answer arrived.
/// - `noRedirect`: the 3xx answer itself instead of following it.
/// - `proxy`: host:port; an HTTP proxy (CONNECT for HTTPS), or SOCKS5 with `socksProxy`.
/// Certificates are validated; a failed validation is a failed request. When the session, the
/// connection or the request cannot be opened, no in/out argument is touched.
[[nodiscard]] Bytes WebAccess(const Text& url, std::optional<int> method = std::nullopt,
                              const std::optional<Text>& bodyText = std::nullopt,
                              Text* cookies = nullptr, Text* responseCookies = nullptr,
                              const std::optional<Text>& headers = std::nullopt,
                              Text* responseHeaders = nullptr,
                              std::optional<bool> noRedirect = std::nullopt,
                              Bytes* bodyBytes = nullptr,
                              const std::optional<Text>& proxy = std::nullopt,
                              std::optional<bool> mergeCookies = std::nullopt,
                              std::optional<bool> completeHeaders = std::nullopt,
                              std::optional<bool> normalizeHeaderCase = std::nullopt,
                              std::optional<bool> socksProxy = std::nullopt);

}  // namespace qelvo
