#include "text/Text.h"

#include "platform/codepage/Codepage.h"

namespace qelvo {

namespace {
std::string_view BeforeNul(std::string_view bytes) {
    return bytes.substr(0, bytes.find('\0'));
}
}  // namespace

Text::Text(const char* cstr) : s_(cstr ? cstr : "") {}

Text::Text(std::string_view bytes) : s_(BeforeNul(bytes)) {}

Text::Text(std::string&& bytes) : s_(std::move(bytes)) {
    if (auto nul = s_.find('\0'); nul != std::string::npos)
        s_.resize(nul);
}

Text Text::FromBytes(const Bytes& bytes) {
    return Text(bytes.view());
}

Bytes Text::ToBytes() const {
    return Bytes(s_);
}

Text& Text::operator+=(const Text& other) {
    s_ += other.s_;
    return *this;
}

Text GbkText(std::u8string_view utf8) {
    std::string_view raw(reinterpret_cast<const char*>(utf8.data()), utf8.size());
    return Text(platform::codepage::Convert(raw, "UTF-8", "GBK").value_or(std::string()));
}

}  // namespace qelvo
