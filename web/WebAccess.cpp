#include "web/WebAccess.h"

#include <array>
#include <string_view>

#include "platform/internet/Internet.h"
#include "web/Cookies.h"
#include "web/RequestHeaders.h"
#include "web/Url.h"

namespace qelvo {

namespace net = platform::internet;

namespace {

constexpr std::array<const char*, 8> kVerbs = {"GET",     "POST",   "HEAD",  "PUT",
                                               "OPTIONS", "DELETE", "TRACE", "CONNECT"};
constexpr std::size_t kReadBuffer = 1024;

// Only the redirect bits of the old value: certificate errors are never ignored.
constexpr std::uint32_t kSecurityFlags =
    net::kSecurityIgnoreRedirectToHttps | net::kSecurityIgnoreRedirectToHttp;

std::unique_ptr<net::Session> OpenSession(const Text& agent, const Text& proxy, bool socks,
                                          bool secure) {
    if (proxy.empty()) {
        return net::Session::Open(agent.view(), net::AccessType::kDirect);
    }
    const Text list = socks ? Text("SOCKS=") + proxy : secure ? proxy : Text("http=") + proxy;
    return net::Session::Open(agent.view(), net::AccessType::kProxy, list.view(), "");
}

}  // namespace

Bytes WebAccess(const Text& url, std::optional<int> method, const std::optional<Text>& bodyText,
                Text* cookies, Text* responseCookies, const std::optional<Text>& headers,
                Text* responseHeaders, std::optional<bool> noRedirect, Bytes* bodyBytes,
                const std::optional<Text>& proxy, std::optional<bool> mergeCookies,
                std::optional<bool> completeHeaders, std::optional<bool> normalizeHeaderCase,
                std::optional<bool> socksProxy) {
    Text working = headers.value_or(Text());
    if (normalizeHeaderCase.value_or(true)) {
        working = NormalizeHeaderNames(working);
    }
    int index = method.value_or(0);
    if (index < 0 || index >= static_cast<int>(kVerbs.size())) {
        index = 0;
    }
    const bool secure = IsSecureUrl(url);
    const Text agent = ChooseUserAgent(working);

    auto session = OpenSession(agent, proxy.value_or(Text()), socksProxy.value_or(false), secure);
    if (!session) {
        return {};
    }
    auto connection = session->Connect(UrlHost(url).view(), UrlPort(url));
    if (!connection) {
        return {};
    }
    std::uint32_t flags = net::kFlagReload | net::kFlagNeedFile;
    if (cookies != nullptr) {
        flags |= net::kFlagNoCookies;
    }
    if (noRedirect.value_or(false)) {
        flags |= net::kFlagNoAutoRedirect;
    }
    flags |= secure ? net::kFlagSecure : net::kFlagIgnoreRedirectToHttps;
    auto request = connection->OpenRequest(kVerbs[index], UrlPath(url).view(), "HTTP/1.1", flags);
    if (!request) {
        return {};
    }
    request->SetSecurityFlags(kSecurityFlags);

    if (completeHeaders.value_or(true)) {
        CompleteRequestHeaders(working, url, index);
    }
    AddCookieHeader(working, cookies != nullptr ? std::optional<Text>(*cookies) : std::nullopt);

    Bytes body;
    if (index != 0) {
        if (bodyBytes != nullptr && !bodyBytes->empty()) {
            body = *bodyBytes;
        } else {
            body = bodyText.value_or(Text()).ToBytes();
            if (bodyBytes != nullptr) {
                *bodyBytes = body;
            }
        }
    }
    request->Send(working.view(), body.view());

    Bytes answer;
    std::array<char, kReadBuffer> buffer;
    while (const std::size_t n = request->Read(buffer.data(), buffer.size())) {
        answer.Append(std::string_view(buffer.data(), n));
    }
    const Text rawHeaders(request->RawHeaders());
    if (responseHeaders != nullptr) {
        *responseHeaders = rawHeaders;
    }
    request.reset();
    connection.reset();
    session.reset();

    Text collected = CollectResponseCookies(rawHeaders);
    if (mergeCookies.value_or(true) && cookies != nullptr) {
        collected = MergeCookies(*cookies, collected);
    }
    if (responseCookies != nullptr) {
        *responseCookies = collected;
    }
    return answer;
}

}  // namespace qelvo
