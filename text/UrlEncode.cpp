#include "text/UrlEncode.h"

#include <array>
#include <string>

namespace qelvo {

namespace {

// No byte yields more than three output bytes ("%XX"); one more for the terminator.
constexpr std::size_t kMaxOutputPerByte = 3;

constexpr std::array<bool, 256> MakeUnreservedTable() {
    std::array<bool, 256> table{};
    for (int c = '0'; c <= '9'; ++c)
        table[c] = true;
    for (int c = 'A'; c <= 'Z'; ++c)
        table[c] = true;
    for (int c = 'a'; c <= 'z'; ++c)
        table[c] = true;
    for (char c : {'\'', '(', ')', '*', '-', '.', '_'})
        table[static_cast<unsigned char>(c)] = true;
    return table;
}

constexpr std::array<bool, 256> kUnreserved = MakeUnreservedTable();
constexpr char kHexDigits[] = "0123456789ABCDEF";

}  // namespace

Text UrlEncode(const Text& text) {
    const std::string_view in = text.view();
    if (in.empty())
        return Text();

    // One zero-filled buffer sized for the worst case up front, written in a single pass.
    std::string out(kMaxOutputPerByte * in.size() + 1, '\0');
    char* dst = out.data();
    for (unsigned char byte : in) {
        if (kUnreserved[byte]) {
            *dst++ = static_cast<char>(byte);
        } else if (byte == ' ') {
            *dst++ = '+';
        } else {
            *dst++ = '%';
            *dst++ = kHexDigits[byte >> 4];
            *dst++ = kHexDigits[byte & 0x0F];
        }
    }
    out.resize(static_cast<std::size_t>(dst - out.data()));  // shrinks; never reallocates
    return Text(std::move(out));
}

}  // namespace qelvo
