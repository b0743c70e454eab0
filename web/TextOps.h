#pragma once
// Search and extraction on GBK Text, the rules every header, cookie and URL operation rests on.
//
// Common rules:
// - Positions count bytes from 1; -1 means "not found". Texts are assumed shorter than 2^31
//   bytes.
// - A byte >= 0x80 starts a double-byte character and takes the next byte with it (a lone lead
//   byte at the very end is a character of its own). Characters are counted from the start of
//   the text, and an occurrence only ever begins on a character boundary, so an ASCII byte that
//   is the second byte of a double-byte character never matches.
// - Ignoring case folds the ASCII letters A-Z / a-z of single-byte characters only; both bytes
//   of a double-byte character always compare exactly.
// - A blank is the space 0x20 or the ideographic space A1 A1; tab, CR and LF are not blanks.

#include <vector>

#include "text/Text.h"

namespace qelvo {

/// Position of the first occurrence of `sought` beginning at or after position `start`, or -1.
/// A start of 1 or less searches the whole text; a start beyond the end gives -1. An empty
/// `sought` gives 1 for a non-empty text and -1 for an empty one, whatever `start` is.
[[nodiscard]] int FindText(const Text& text, const Text& sought, int start = 1,
                           bool ignoreCase = false);

/// Position of the last occurrence of `sought` in the whole text, or -1 (case significant).
/// An empty `sought` gives 1 for a non-empty text and -1 for an empty one.
[[nodiscard]] int FindLastText(const Text& text, const Text& sought);

/// The first `n` bytes; empty for n <= 0; the whole text when n reaches its length.
[[nodiscard]] Text TextLeft(const Text& text, int n);

/// The last `n` bytes; empty for n <= 0; the whole text when n reaches its length.
[[nodiscard]] Text TextRight(const Text& text, int n);

/// `n` bytes from position `start`, fewer when the text ends first; empty when start < 1,
/// start > length or n <= 0.
[[nodiscard]] Text TextMid(const Text& text, int start, int n);

/// The pieces between occurrences of `separator`, in order. A separator at the start gives an
/// empty first piece, two adjacent separators an empty piece between them; a separator at the
/// very end adds no empty last piece. An empty text gives no pieces; an empty separator gives
/// the whole (non-empty) text as the one piece.
[[nodiscard]] std::vector<Text> SplitText(const Text& text, const Text& separator);

/// The text without its leading and trailing blanks (space and A1 A1).
[[nodiscard]] Text TrimBlanks(const Text& text);

/// Every occurrence of `sought` replaced by `replacement`, scanning from the left and resuming
/// after each replaced occurrence (the replacement is never rescanned). An empty `sought`
/// leaves the text unchanged.
[[nodiscard]] Text ReplaceText(const Text& text, const Text& sought, const Text& replacement,
                               bool ignoreCase);

/// The decimal number at the start of the text: leading white space (space, \t \n \v \f \r),
/// an optional "+" or "-", then digits; 0 when no digit follows. Full-width characters count
/// as their narrow forms (A3 A1..A3 FE -> 0x21..0x7E, A1 A1 -> space). A value beyond 32 bits
/// saturates at INT32_MAX / INT32_MIN.
[[nodiscard]] int TextToInt(const Text& text);

/// The bytes between the first `startMarker` and the first `endMarker` after it (case
/// significant); empty when either is missing. In both markers "#引号" stands for one '"'.
[[nodiscard]] Text TextBetween(const Text& text, const Text& startMarker, const Text& endMarker);

/// Everything before the first `separator` (case significant); empty when there is none.
[[nodiscard]] Text TextBefore(const Text& text, const Text& separator);

/// ASCII letters lower-cased; double-byte characters left intact.
[[nodiscard]] Text TextToLower(const Text& text);

/// ASCII letters upper-cased; double-byte characters left intact.
[[nodiscard]] Text TextToUpper(const Text& text);

}  // namespace qelvo
