#include "web/Cookies.h"

#include <string>

#include "web/TextOps.h"

namespace qelvo {

namespace {

constexpr const char* kItemSeparator = "; ";

// Trimmed, with a final ";" turned into a whole separator so that splitting drops it.
Text PrepareList(const Text& list) {
    Text trimmed = TrimBlanks(list);
    if (TextRight(trimmed, 1) == ";")
        trimmed += " ";
    return trimmed;
}

bool IsDeleted(const Text& item) {
    return TextRight(item, 8) == "=deleted";
}

Text WithoutLast(const std::string& text, std::size_t count) {
    return Text(std::string_view(text).substr(0, text.size() >= count ? text.size() - count : 0));
}

}  // namespace

Text CollectResponseCookies(const Text& rawHeaders) {
    std::string result;
    for (const Text& line : SplitText(rawHeaders, "\r\n")) {
        if (!(TextBefore(line, ": ") == "Set-Cookie"))
            continue;
        const Text value = FindText(line, ";") != -1 ? TextBetween(line, "Set-Cookie:", ";")
                                                     : ReplaceText(line, "Set-Cookie:", "", true);
        result += TrimBlanks(value).str();
        result += kItemSeparator;
    }
    return WithoutLast(result, 2);
}

Text MergeCookies(Text& requestCookies, const Text& responseCookies) {
    const std::vector<Text> requestItems = SplitText(PrepareList(requestCookies), kItemSeparator);
    std::vector<Text> working = SplitText(PrepareList(responseCookies), kItemSeparator);
    for (const Text& item : requestItems) {
        if (!HasCookieNamed(working, CookieName(item)))
            working.push_back(item);
    }
    std::string output;
    for (const Text& item : working) {
        if (IsDeleted(item))
            continue;
        output += item.str();
        output += kItemSeparator;
    }
    requestCookies = JoinDistinct(WithoutLast(output, 2), kItemSeparator);
    return requestCookies;
}

Text CookieName(const Text& item) {
    const int equals = FindText(item, "=");
    return TrimBlanks(equals == -1 ? item : TextLeft(item, equals - 1));
}

bool HasCookieNamed(const std::vector<Text>& items, const Text& name) {
    for (const Text& item : items) {
        if (CookieName(item) == name)
            return true;
    }
    return false;
}

Text JoinDistinct(const Text& text, const Text& separator) {
    std::vector<Text> seen;
    std::string output;
    for (const Text& item : SplitText(text, separator)) {
        if (IndexOfText(seen, item) != -1)
            continue;
        seen.push_back(item);
        output += item.str();
        output += separator.str();
    }
    return WithoutLast(output, separator.size());
}

int IndexOfText(const std::vector<Text>& texts, const Text& text) {
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (texts[i] == text)
            return static_cast<int>(i + 1);
    }
    return -1;
}

}  // namespace qelvo
