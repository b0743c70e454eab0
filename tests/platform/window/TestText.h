#pragma once
// GBK bytes of a UTF-8 constant, for tests of the window layer's text boundary.

#include <string>
#include <string_view>

#include "platform/codepage/Codepage.h"

inline std::string Gbk(std::u8string_view utf8) {
    std::string_view raw(reinterpret_cast<const char*>(utf8.data()), utf8.size());
    return qelvo::platform::codepage::Convert(raw, "UTF-8", "GBK").value();
}
