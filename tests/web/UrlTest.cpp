#include "web/Url.h"

#include <gtest/gtest.h>

#include <string>

namespace qelvo {
namespace {

// All parts of a parsed URL in one line: secure, host, host with port, port, object name.
std::string Render(const Text& url) {
    return std::string(IsSecureUrl(url) ? "secure" : "plain") + " " + UrlHost(url).str() + " " +
           UrlHost(url, true).str() + " " + std::to_string(UrlPort(url)) + " " + UrlPath(url).str();
}

TEST(UrlTest, PartsOfUrls) {
    struct Case {
        const char* url;
        const char* want;
    };
    const Case cases[] = {
        {"https://Server:444/A/b?x=1", "secure server server:444 444 /A/b?x=1"},
        {"server", "plain server server 80 /"},
        {"http://server", "plain server server 80 /"},
        {"https://server", "secure server server 443 /"},
        {"HTTPS://server/x", "secure server server 443 /x"},
        {"HTTP://SERVER/X", "plain server server 80 /X"},
        {"http://server:/x", "plain server server: 0 /x"},
        {"http://server:81", "plain server server:81 81 /"},
        {"server:8080/p#f", "plain server server:8080 8080 /p#f"},
        {"https://a.b:99999999999/", "secure a.b a.b:99999999999 2147483647 /"},
        {"http://user@host:5/p", "plain user@host user@host:5 5 /p"},
        {"", "plain   80 /"},
        {"http:///x", "plain   80 /x"},
        {"https//server/x", "plain https https 443 //server/x"},
        // Hosts that also occur inside the scheme: the object name starts after the host.
        {"http://t/x", "plain t t 80 /x"},
        {"https://s/x", "secure s s 443 /x"},
        {"http://p:81/a", "plain p p:81 81 /a"},
        {"http://HTTP/Y", "plain http http 80 /Y"},
        // Double-byte host characters keep their bytes; only ASCII letters are lowered.
        {"http://\x81"
         "A.cn/Q",
         "plain \x81"
         "A.cn \x81"
         "A.cn 80 /Q"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.url << '"');
        EXPECT_EQ(Render(c.url), c.want);
    }
}

}  // namespace
}  // namespace qelvo
