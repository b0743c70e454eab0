#pragma once
// Shared by the JSON document tests.

#include <ostream>

#include "json/JsonDocument.h"

namespace qelvo {

// Failure messages show a Text as its bytes.
inline void PrintTo(const Text& text, std::ostream* os) {
    *os << '"' << text.str() << '"';
}

// A document that has parsed `json` in the default form.
inline JsonDocument Parsed(const Text& json) {
    JsonDocument doc;
    (void)doc.Parse(json);
    return doc;
}

}  // namespace qelvo
