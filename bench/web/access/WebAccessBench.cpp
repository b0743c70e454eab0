// WebAccess GET of a 1 KiB body from a loopback server, beside a plain client-library GET with
// a new handle per request and the same header lines, over HTTP and HTTPS.

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <memory>
#include <string>

#include "platform/internet/Internet.h"
#include "tests/support/TestPki.h"
#include "tests/support/TestServer.h"
#include "web/WebAccess.h"

namespace {

using qelvo::netfix::HttpReply;
using qelvo::netfix::TestPki;
using qelvo::netfix::TestServer;

constexpr auto kLifetime = std::chrono::seconds(600);

TestServer& Server(bool tls) {
    static const std::string body(1024, 'b');
    static TestServer plain(TestServer::Always(HttpReply(200, {}, body)), kLifetime);
    static TestServer secure(TestPki::Get().good, TestServer::Always(HttpReply(200, {}, body)),
                             kLifetime);
    return tls ? secure : plain;
}

void WebAccessGet(benchmark::State& state, bool tls) {
    qelvo::platform::internet::SetCaFile(TestPki::Get().caFile);
    const qelvo::Text url(Server(tls).Url("/bench"));
    for (auto _ : state) {
        qelvo::Text cookies("a=1");
        const qelvo::Bytes body = qelvo::WebAccess(url, 0, std::nullopt, &cookies);
        if (body.size() != 1024) {
            state.SkipWithError("short body");
            break;
        }
    }
}

std::size_t Collect(char* data, std::size_t size, std::size_t n, void* out) {
    static_cast<std::string*>(out)->append(data, size * n);
    return size * n;
}

void PlainCurlGet(benchmark::State& state, bool tls) {
    const std::string caFile = TestPki::Get().caFile;
    const std::string url = Server(tls).Url("/bench");
    // The lines WebAccess sends for the same call.
    const std::string lines[] = {"User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)",
                                 "Accept: */*", "Referer: " + url, "Accept-Language: zh-cn",
                                 "Cookie: a=1"};
    for (auto _ : state) {
        CURL* curl = curl_easy_init();
        curl_slist* headers = nullptr;
        for (const std::string& l : lines) {
            headers = curl_slist_append(headers, l.c_str());
        }
        std::string body;
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_PROXY, "");
        curl_easy_setopt(curl, CURLOPT_CAINFO, caFile.c_str());
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Collect);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
        const CURLcode rc = curl_easy_perform(curl);
        curl_slist_free_all(headers);
        curl_easy_cleanup(curl);
        if (rc != CURLE_OK || body.size() != 1024) {
            state.SkipWithError("plain GET failed");
            break;
        }
    }
}

BENCHMARK_CAPTURE(PlainCurlGet, http, false)->UseRealTime();
BENCHMARK_CAPTURE(WebAccessGet, http, false)->UseRealTime();
BENCHMARK_CAPTURE(PlainCurlGet, https, true)->UseRealTime();
BENCHMARK_CAPTURE(WebAccessGet, https, true)->UseRealTime();

}  // namespace
