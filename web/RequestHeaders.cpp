#include "web/RequestHeaders.h"

#include <string>

#include "web/TextOps.h"

namespace qelvo {

namespace {

constexpr const char* kCrLf = "\r\n";

// Raises an ASCII lower-case letter at the start of the name or after a "-"; the second
// byte of a double-byte character is never a "-" nor a letter here.
Text CapitaliseName(const Text& name) {
    std::string out = name.str();
    bool raise = true;
    for (std::size_t i = 0; i < out.size();) {
        const auto b = static_cast<unsigned char>(out[i]);
        if (b >= 0x80) {
            raise = false;
            i += 2;
            continue;
        }
        if (raise && b >= 'a' && b <= 'z')
            out[i] = static_cast<char>(b - ('a' - 'A'));
        raise = b == '-';
        ++i;
    }
    return Text(std::move(out));
}

void AppendIfMissing(Text& headers, const char* presenceTest, const Text& line) {
    if (FindText(headers, presenceTest, 1, true) == -1)
        headers += kCrLf + line;
}

}  // namespace

Text NormalizeHeaderNames(const Text& headers) {
    std::string out;
    for (const Text& item : SplitText(headers, kCrLf)) {
        const int colon = FindText(item, ":");
        if (colon == -1)
            continue;
        if (!out.empty())
            out += kCrLf;
        out += CapitaliseName(TextLeft(item, colon - 1)).str();
        out += item.view().substr(static_cast<std::size_t>(colon) - 1);
    }
    return Text(std::move(out));
}

Text ChooseUserAgent(const Text& headers) {
    if (FindText(headers, "User-Agent:", 1, true) == -1)
        return Text(std::string(kDefaultUserAgent));
    const Text agent = TrimBlanks(TextBetween(headers + kCrLf, "User-Agent:", kCrLf));
    return agent.empty() ? ValueAfterColon(headers) : agent;
}

Text ValueAfterColon(const Text& text) {
    const int colon = FindText(text, ":");
    if (colon == -1)
        return {};
    return TrimBlanks(TextRight(text, static_cast<int>(text.size()) - colon));
}

void CompleteRequestHeaders(Text& headers, const Text& url, int method) {
    if (headers.empty())
        headers = "Accept: */*";
    AppendIfMissing(headers, "Accept:", "Accept: */*");
    AppendIfMissing(headers, "Referer:", "Referer: " + url);
    AppendIfMissing(headers, "Accept-Language:", "Accept-Language: zh-cn");
    if (method == 1)
        AppendIfMissing(headers,
                        "Content-Type:", "Content-Type: application/x-www-form-urlencoded");
}

void AddCookieHeader(Text& headers, const std::optional<Text>& cookies) {
    if (!cookies || cookies->empty())
        return;
    if (FindText(*cookies, "Cookie:") != -1)
        headers += kCrLf + *cookies;
    else
        headers += kCrLf + ("Cookie: " + *cookies);
}

}  // namespace qelvo
