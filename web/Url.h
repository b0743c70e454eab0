#pragma once
// The four parts of a request URL, found by plain text search (no general URL grammar).
//
// A scheme is recognised only as "https://" or "http://" (any letter case); the authority is
// what follows it up to the next "/"; user information, brackets and percent-encoding get no
// special treatment. Without a scheme a URL is taken as HTTP.

#include "text/Text.h"

namespace qelvo {

/// True when the first 8 characters, lower-cased, are "https://".
[[nodiscard]] bool IsSecureUrl(const Text& url);

/// The host, ASCII-lower-cased: the authority up to its first ":" ("server" for
/// "https://Server:444/a"). With `withPort` the whole authority ("server:444"). Empty when
/// the authority is empty ("http:///x").
[[nodiscard]] Text UrlHost(const Text& url, bool withPort = false);

/// The number after the last ":" of the authority (TextToInt rules: "http://s:/" gives 0,
/// saturates beyond 32 bits); without a colon 443 when the URL begins with "https" (any
/// case), else 80.
[[nodiscard]] int UrlPort(const Text& url);

/// The object name: the URL from the first "/" after the host to its end, letter case, query
/// and fragment kept; "/" when there is none. Never empty.
[[nodiscard]] Text UrlPath(const Text& url);

}  // namespace qelvo
