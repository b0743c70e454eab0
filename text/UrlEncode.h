#pragma once
// Percent-encoding of a text's bytes for form data and header values.

#include "text/Text.h"

namespace qelvo {

/// The bytes of `text` as stored (GBK, or UTF-8 where the text holds UTF-8), encoded one byte
/// at a time, never as characters:
/// - 0-9, A-Z, a-z and ' ( ) * - . _ are copied;
/// - the space becomes "+";
/// - every other byte becomes "%" and two upper-case hex digits ("!" -> %21, "~" -> %7E,
///   GBK D6 D0 -> %D6%D0; the trail byte of GBK 81 41 is the letter A, so -> %81A).
/// The empty text gives the empty text; n bytes give at most 3n bytes.
[[nodiscard]] Text UrlEncode(const Text& text);

}  // namespace qelvo
