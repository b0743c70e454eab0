#include "platform/window/QtText.h"

#include "platform/codepage/Codepage.h"

namespace qelvo::platform::window::detail {

QString FromGbk(std::string_view gbk) {
    return QString::fromStdU16String(codepage::Decode(gbk, "GBK").value_or(std::u16string()));
}

std::string ToGbk(const QString& text) {
    return codepage::Encode(text.toStdU16String(), "GBK").value_or(std::string());
}

}  // namespace qelvo::platform::window::detail
