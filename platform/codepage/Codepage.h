#pragma once
// Character-set conversion over the C library's iconv.
//
// Error policy, the same for every call:
// - a byte sequence that is not valid in the source charset becomes U+FFFD, one per bad byte,
//   and decoding goes on after it; an incomplete sequence at the very end becomes one U+FFFD;
// - a character the target charset lacks becomes "?", and encoding goes on after it;
// - a leading byte-order mark is dropped when decoding UTF-8 or UTF-16; none is written;
// - an unknown charset name gives std::nullopt.
// Nothing is ever cut short silently: the output covers the whole input.

#include <optional>
#include <string>
#include <string_view>

namespace qelvo::platform::codepage {

/// The iconv name for a charset name as the system spells it ("utf-8", "GB2312", "Unicode",
/// "us-ascii", ...; case-insensitive), or nullopt when the name is not one we know.
/// Known: UTF-8, GBK/CP936, GB2312 (read as its GBK superset, as the platform does), GB18030,
/// BIG5, Unicode/UTF-16/UTF-16LE, UnicodeFFFE/UTF-16BE, US-ASCII/ASCII, ISO-8859-1/Latin1,
/// Windows-1252.
[[nodiscard]] std::optional<std::string> IconvName(std::string_view charset);

/// `bytes` written in `charset`, decoded to UTF-16.
[[nodiscard]] std::optional<std::u16string> Decode(std::string_view bytes,
                                                   std::string_view charset);

/// `text` encoded in `charset`.
[[nodiscard]] std::optional<std::string> Encode(std::u16string_view text, std::string_view charset);

/// Decode in `from`, then encode in `to`.
[[nodiscard]] std::optional<std::string> Convert(std::string_view bytes, std::string_view from,
                                                 std::string_view to);

}  // namespace qelvo::platform::codepage
