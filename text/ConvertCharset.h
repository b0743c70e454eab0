#pragma once
// Conversion between named character sets, and GBK text re-encoded as UTF-8.
//
// Invalid input, the same for both functions (the code-page layer's policy):
// - a byte that is not valid in the source charset decodes to U+FFFD, one per bad byte, and
//   decoding goes on after it; an incomplete sequence at the very end is one U+FFFD;
// - a character the target charset lacks is written as "?" (so a bad byte read as UTF-8
//   comes out of a GBK encoding as "?", and out of a UTF-8 encoding as EF BF BD);
// - GBK 0x80 is the euro sign, as in code page 936; GBK 0xFF is never valid;
// - a leading byte-order mark is dropped when decoding UTF-8 or UTF-16; none is written.
// The output always covers the whole input: nothing is cut short, NUL bytes included.

#include <optional>

#include "text/Text.h"

namespace qelvo {

/// `input` decoded as a whole in `fromCharset`, then encoded in `toCharset`, then read from
/// byte offset `startPosition` (default 0) of the encoded output to its end.
///
/// Only the empty text takes a default: `fromCharset` "UTF-8", `toCharset` "GBK"; any other
/// name, blanks included, is looked up as given (case-insensitive; names such as "utf-8",
/// "GBK", "gb2312", "GB18030", "BIG5", "Unicode", "us-ascii", "iso-8859-1").
/// Empty Bytes when either charset is unknown, when `startPosition` is negative or not before
/// the end of the encoded output, and for empty input.
/// The per-thread component initialisation is taken once and released once on every path.
[[nodiscard]] Bytes ConvertCharset(const Bytes& input, const Text& fromCharset = Text(),
                                   const Text& toCharset = Text(),
                                   std::optional<int> startPosition = std::nullopt);

/// The UTF-8 bytes of the same characters as the GBK `text` (code page 936 whatever the
/// platform's own code page is). Pure ASCII comes back unchanged; the empty text gives the
/// empty text.
[[nodiscard]] Text Utf8FromGbk(const Text& text);

}  // namespace qelvo
