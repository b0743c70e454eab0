#include "web/Url.h"

#include "web/TextOps.h"

namespace qelvo {

namespace {

constexpr const char* kHttps = "https://";
constexpr const char* kHttp = "http://";

// Position of the first character after the scheme that UrlHost recognises, or 1.
int AuthorityStart(const Text& url) {
    const Text lower = TextToLower(url);
    if (TextLeft(lower, 8) == kHttps)
        return 9;
    const int http = FindText(lower, kHttp);
    return http == -1 ? 1 : http + 7;
}

}  // namespace

bool IsSecureUrl(const Text& url) {
    return TextToLower(TextLeft(url, 8)) == kHttps;
}

Text UrlHost(const Text& url, bool withPort) {
    Text text = TextToLower(url);
    if (TextRight(text, 1) != "/")
        text += "/";
    Text authority;
    if (TextLeft(text, 8) == kHttps) {
        authority = TextBetween(text, kHttps, "/");
    } else {
        if (FindText(text, kHttp) == -1)
            text = Text(kHttp) + text;
        authority = TextBetween(text, kHttp, "/");
    }
    if (withPort)
        return authority;
    const int colon = FindText(authority, ":");
    return colon == -1 ? authority : TextLeft(authority, colon - 1);
}

int UrlPort(const Text& url) {
    const Text hostAndPort = UrlHost(url, true);
    const int colon = FindLastText(hostAndPort, ":");
    if (colon != -1)
        return TextToInt(TextRight(hostAndPort, static_cast<int>(hostAndPort.size()) - colon));
    return TextToLower(TextLeft(url, 5)) == "https" ? 443 : 80;
}

Text UrlPath(const Text& url) {
    // The host is looked for after the scheme: searched from the start, a host such as "t"
    // or "p" would be found inside "http://" and the object name would begin at its "//".
    const int from = AuthorityStart(url);
    const Text host = UrlHost(url);
    const int hostPos = host.empty() ? from : FindText(url, host, from, true);
    const int slash = FindText(url, "/", hostPos == -1 ? from : hostPos);
    return slash == -1 ? Text("/") : TextRight(url, static_cast<int>(url.size()) - slash + 1);
}

}  // namespace qelvo
