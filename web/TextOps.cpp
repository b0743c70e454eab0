#include "web/TextOps.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace qelvo {

namespace {

using Byte = unsigned char;
constexpr std::size_t kNone = std::string_view::npos;

Byte ByteAt(std::string_view s, std::size_t i) {
    return static_cast<Byte>(s[i]);
}

bool IsLead(Byte b) {
    return b >= 0x80;
}

// Offset of the character after the one at `i`; a lone lead byte at the end stops at the end.
std::size_t NextChar(std::string_view s, std::size_t i) {
    return std::min(s.size(), i + (IsLead(ByteAt(s, i)) ? 2 : 1));
}

// The first character boundary at or after byte offset `offset`, walking from the start.
std::size_t BoundaryAtOrAfter(std::string_view s, std::size_t offset) {
    std::size_t i = 0;
    while (i < offset && i < s.size())
        i = NextChar(s, i);
    return i;
}

Byte FoldAscii(Byte b) {
    return b >= 'A' && b <= 'Z' ? static_cast<Byte>(b + ('a' - 'A')) : b;
}

// `sought` (non-empty) at boundary `at`. Folding follows the sought's own characters: once
// the bytes before agree, the text's characters line up with them.
bool MatchesAt(std::string_view text, std::size_t at, std::string_view sought, bool ignoreCase) {
    if (sought.size() > text.size() - at)
        return false;
    if (!ignoreCase)
        return text.compare(at, sought.size(), sought) == 0;
    for (std::size_t i = 0; i < sought.size();) {
        const Byte s = ByteAt(sought, i);
        if (IsLead(s)) {
            const std::size_t width = std::min<std::size_t>(2, sought.size() - i);
            if (text.compare(at + i, width, sought.substr(i, width)) != 0)
                return false;
            i += width;
        } else {
            if (FoldAscii(s) != FoldAscii(ByteAt(text, at + i)))
                return false;
            ++i;
        }
    }
    return true;
}

// First occurrence of non-empty `sought` at a boundary at or after boundary `from`.
std::size_t FindFrom(std::string_view text, std::string_view sought, std::size_t from,
                     bool ignoreCase) {
    const Byte first = ignoreCase ? FoldAscii(ByteAt(sought, 0)) : ByteAt(sought, 0);
    for (std::size_t i = from; i < text.size() && sought.size() <= text.size() - i;
         i = NextChar(text, i)) {
        const Byte b = ignoreCase ? FoldAscii(ByteAt(text, i)) : ByteAt(text, i);
        if (b == first && MatchesAt(text, i, sought, ignoreCase))
            return i;
    }
    return kNone;
}

// The boundary at which a search resumes after an occurrence [at, at + length).
std::size_t ResumeAfter(std::string_view text, std::size_t at, std::size_t length) {
    std::size_t i = at;
    while (i < at + length && i < text.size())
        i = NextChar(text, i);
    return i;
}

int Position(std::size_t offset) {
    return static_cast<int>(offset + 1);
}

Text ToCase(const Text& text, bool upper) {
    std::string out = text.str();
    const std::string_view s = text.view();
    for (std::size_t i = 0; i < s.size(); i = NextChar(s, i)) {
        const Byte b = ByteAt(s, i);
        if (upper && b >= 'a' && b <= 'z')
            out[i] = static_cast<char>(b - ('a' - 'A'));
        else if (!upper && b >= 'A' && b <= 'Z')
            out[i] = static_cast<char>(b + ('a' - 'A'));
    }
    return Text(std::move(out));
}

// Reads a text one character at a time with full-width forms narrowed to ASCII.
class NarrowReader {
  public:
    static constexpr int kEnd = -1;
    static constexpr int kOther = 0x100;  // a double-byte character with no narrow form

    explicit NarrowReader(std::string_view s) : s_(s) {}

    [[nodiscard]] int Peek() const {
        if (i_ >= s_.size())
            return kEnd;
        const Byte b = ByteAt(s_, i_);
        if (!IsLead(b) || i_ + 1 >= s_.size())
            return IsLead(b) ? kOther : b;
        const Byte trail = ByteAt(s_, i_ + 1);
        if (b == 0xA3 && trail >= 0xA1 && trail <= 0xFE)
            return trail - 0x80;
        if (b == 0xA1 && trail == 0xA1)
            return ' ';
        return kOther;
    }
    void Skip() { i_ = NextChar(s_, i_); }

  private:
    std::string_view s_;
    std::size_t i_ = 0;
};

bool IsCSpace(int c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

const Text& QuoteMarker() {
    static const Text marker = GbkText(u8"#引号");
    return marker;
}

}  // namespace

int FindText(const Text& text, const Text& sought, int start, bool ignoreCase) {
    if (sought.empty())
        return text.empty() ? -1 : 1;
    if (start > 1 && static_cast<std::size_t>(start) > text.size())
        return -1;
    const std::size_t from =
        start <= 1 ? 0 : BoundaryAtOrAfter(text.view(), static_cast<std::size_t>(start) - 1);
    const std::size_t at = FindFrom(text.view(), sought.view(), from, ignoreCase);
    return at == kNone ? -1 : Position(at);
}

int FindLastText(const Text& text, const Text& sought) {
    if (sought.empty())
        return text.empty() ? -1 : 1;
    const std::string_view t = text.view();
    std::size_t last = kNone;
    for (std::size_t at = FindFrom(t, sought.view(), 0, false); at != kNone;
         at = FindFrom(t, sought.view(), NextChar(t, at), false))
        last = at;
    return last == kNone ? -1 : Position(last);
}

Text TextLeft(const Text& text, int n) {
    if (n <= 0)
        return {};
    return Text(text.view().substr(0, static_cast<std::size_t>(n)));
}

Text TextRight(const Text& text, int n) {
    if (n <= 0)
        return {};
    const std::size_t count = std::min(text.size(), static_cast<std::size_t>(n));
    return Text(text.view().substr(text.size() - count));
}

Text TextMid(const Text& text, int start, int n) {
    if (start < 1 || static_cast<std::size_t>(start) > text.size() || n <= 0)
        return {};
    return Text(
        text.view().substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(n)));
}

std::vector<Text> SplitText(const Text& text, const Text& separator) {
    std::vector<Text> pieces;
    if (text.empty())
        return pieces;
    if (separator.empty()) {
        pieces.push_back(text);
        return pieces;
    }
    const std::string_view t = text.view();
    const std::string_view sep = separator.view();
    std::size_t begin = 0;
    for (std::size_t at = FindFrom(t, sep, 0, false); at != kNone;
         at = FindFrom(t, sep, ResumeAfter(t, at, sep.size()), false)) {
        pieces.emplace_back(t.substr(begin, at - begin));
        begin = at + sep.size();
    }
    if (begin < t.size())
        pieces.emplace_back(t.substr(begin));
    return pieces;
}

Text TrimBlanks(const Text& text) {
    const std::string_view s = text.view();
    std::size_t first = kNone;
    std::size_t end = 0;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t next = NextChar(s, i);
        const bool blank = (next - i == 1 && ByteAt(s, i) == ' ') ||
                           (next - i == 2 && ByteAt(s, i) == 0xA1 && ByteAt(s, i + 1) == 0xA1);
        if (!blank) {
            if (first == kNone)
                first = i;
            end = next;
        }
        i = next;
    }
    return first == kNone ? Text() : Text(s.substr(first, end - first));
}

Text ReplaceText(const Text& text, const Text& sought, const Text& replacement, bool ignoreCase) {
    if (sought.empty())
        return text;
    const std::string_view t = text.view();
    const std::string_view s = sought.view();
    std::string out;
    out.reserve(t.size());
    std::size_t begin = 0;
    for (std::size_t at = FindFrom(t, s, 0, ignoreCase); at != kNone;
         at = FindFrom(t, s, ResumeAfter(t, at, s.size()), ignoreCase)) {
        out.append(t.substr(begin, at - begin));
        out.append(replacement.view());
        begin = at + s.size();
    }
    out.append(t.substr(begin));
    return Text(std::move(out));
}

int TextToInt(const Text& text) {
    NarrowReader in(text.view());
    while (IsCSpace(in.Peek()))
        in.Skip();
    bool negative = false;
    if (in.Peek() == '+' || in.Peek() == '-') {
        negative = in.Peek() == '-';
        in.Skip();
    }
    // Accumulate the magnitude, stopping once it is past what 32 bits can hold.
    const std::int64_t limit = negative ? -static_cast<std::int64_t>(INT32_MIN) : INT32_MAX;
    std::int64_t value = 0;
    for (int c = in.Peek(); c >= '0' && c <= '9'; in.Skip(), c = in.Peek()) {
        value = std::min(limit, value * 10 + (c - '0'));
    }
    return static_cast<int>(negative ? -value : value);
}

Text TextBetween(const Text& text, const Text& startMarker, const Text& endMarker) {
    const Text startText = ReplaceText(startMarker, QuoteMarker(), "\"", false);
    const Text endText = ReplaceText(endMarker, QuoteMarker(), "\"", false);
    const int startPos = FindText(text, startText);
    if (startPos == -1)
        return {};
    const int contentStart = startPos + static_cast<int>(startText.size());
    const int endPos = FindText(text, endText, contentStart);
    if (endPos == -1)
        return {};
    return TextMid(text, contentStart, endPos - contentStart);
}

Text TextBefore(const Text& text, const Text& separator) {
    const int pos = FindText(text, separator);
    return pos == -1 ? Text() : TextLeft(text, pos - 1);
}

Text TextToLower(const Text& text) {
    return ToCase(text, false);
}

Text TextToUpper(const Text& text) {
    return ToCase(text, true);
}

}  // namespace qelvo
