#pragma once
// Composition of the header text handed to the internet layer with a request.
//
// Header text: lines "Name: value" joined by CR LF, no line break after the last line. The
// presence tests below look for "Name:" anywhere in the text ignoring ASCII case: they are
// substring tests ("X-Accept: 1" counts as an Accept line), not line parsing.

#include <optional>
#include <string_view>

#include "text/Text.h"

namespace qelvo {

/// Session agent used when the header text names none.
inline constexpr std::string_view kDefaultUserAgent =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

/// Each CR LF line with a ":" kept, its name (the part before the first ":") with every ASCII
/// lower-case letter that starts the name or follows a "-" raised ("accept-language: x" ->
/// "Accept-Language: x"); the rest of the line unchanged. Lines without ":" (empty ones
/// included) are dropped. Joined by CR LF without a trailing break; empty when none is kept.
[[nodiscard]] Text NormalizeHeaderNames(const Text& headers);

/// The session agent: kDefaultUserAgent when "User-Agent:" (any case) is absent; else the
/// blank-trimmed value of the exactly written "User-Agent:" line; when that is empty,
/// ValueAfterColon of the whole text. The User-Agent line itself stays in the header text.
[[nodiscard]] Text ChooseUserAgent(const Text& headers);

/// Everything after the first ":", blank-trimmed (line breaks inside kept); empty without ":".
[[nodiscard]] Text ValueAfterColon(const Text& text);

/// Appends, each after CR LF, the defaults the text lacks: "Accept: */*", "Referer: " + `url`
/// (as given), "Accept-Language: zh-cn", and for `method` 1 (POST) "Content-Type:
/// application/x-www-form-urlencoded". An empty text becomes "Accept: */*" first.
void CompleteRequestHeaders(Text& headers, const Text& url, int method);

/// Appends CR LF and "Cookie: " + `cookies`, or CR LF and `cookies` alone when they already
/// hold "Cookie:" (exact case). Absent or empty cookies change nothing. The line is added even
/// when the text has a Cookie line of its own, and even to an empty text (which then begins
/// with CR LF).
void AddCookieHeader(Text& headers, const std::optional<Text>& cookies);

}  // namespace qelvo
