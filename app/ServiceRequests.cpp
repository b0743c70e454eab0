#include "app/ServiceRequests.h"

#include "app/Addresses.h"
#include "text/ConvertCharset.h"
#include "text/KeyValueList.h"
#include "web/WebAccess.h"

namespace qelvo::app {

Text AccountCookie;

namespace {

constexpr int kMethodGet = 0;
constexpr int kMethodPost = 1;

Text Request(const Text& url, int method) {
    KeyValueList headerList;
    headerList.AddPair(Text("User-Agent"), Text(kUserAgent));
    const Text headers = headerList.ToHeaderText();
    // Always supplied, even empty: it keeps the platform's own cookie store out.
    Text cookies = AccountCookie;
    const Bytes body = WebAccess(url, method, std::nullopt, &cookies, nullptr, headers);
    return Text::FromBytes(ConvertCharset(body));
}

}  // namespace

Text FetchTaskList() {
    return Request(TaskListUrl(), kMethodPost);
}

Text VisitPage() {
    return Request(PageViewUrl(), kMethodGet);
}

}  // namespace qelvo::app
