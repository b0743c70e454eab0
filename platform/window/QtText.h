#pragma once
// Private to this layer: GBK bytes <-> the toolkit's strings.

#include <QString>

#include <string>
#include <string_view>

namespace qelvo::platform::window::detail {

/// GBK bytes as a QString; invalid bytes become U+FFFD.
QString FromGbk(std::string_view gbk);
/// A QString as GBK bytes; characters GBK lacks become "?".
std::string ToGbk(const QString& text);

}  // namespace qelvo::platform::window::detail
