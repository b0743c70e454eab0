#pragma once
// Cookies kept as plain text that the caller carries from request to request.
//
// Cookie list: items (normally name=value) separated by "; ", no separator after the last.
// A deleted cookie is an item ending in "=deleted" (exact case). Items compare byte for byte.

#include <vector>

#include "text/Text.h"

namespace qelvo {

/// The name=value part of every line of `rawHeaders` (CR LF lines) whose name before ": " is
/// exactly "Set-Cookie", in block order, joined by "; ". The value runs from "Set-Cookie:" to
/// the first ";" (attributes dropped), blank-trimmed. "set-cookie: a=1" and "Set-Cookie:a=1"
/// are not collected. Empty when there is none.
[[nodiscard]] Text CollectResponseCookies(const Text& rawHeaders);

/// The response's items first, in order, then the request items whose cookie names no response
/// item has, in order; deleted cookies dropped from both sides, identical items kept once.
/// `requestCookies` receives the result too. A request "a=1;" counts as "a=1"; "a=1;b=2" is
/// one item. Quadratic in the number of items.
[[nodiscard]] Text MergeCookies(Text& requestCookies, const Text& responseCookies);

/// The blank-trimmed part of `item` before its first "=", or the whole trimmed item.
[[nodiscard]] Text CookieName(const Text& item);

/// True when some element of `items` has the cookie name `name` (byte for byte).
[[nodiscard]] bool HasCookieNamed(const std::vector<Text>& items, const Text& name);

/// `text` split at `separator` with repeated identical items left out, joined by `separator`
/// (no trailing separator). Empty for an empty text.
[[nodiscard]] Text JoinDistinct(const Text& text, const Text& separator);

/// 1-based index of the first element equal to `text`, or -1.
[[nodiscard]] int IndexOfText(const std::vector<Text>& texts, const Text& text);

}  // namespace qelvo
