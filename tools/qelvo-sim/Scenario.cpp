#include <charconv>
#include <string>

#include "tools/qelvo-sim/SimInternal.h"

namespace qelvo::sim::detail {
namespace {

using namespace std::string_literals;

constexpr std::string_view kFlags[] = {
    "data.dailyApplication", "data.dailyReport1", "data.dailyReport2", "data.dailyReport3",
    "data.weekLogin",        "data.weekReport30", "data.weekTask30",   "data.weekTaskAll",
};

constexpr std::string_view kServerErrorPage =
    "<html><head><title>500 Internal Server Error</title></head>"
    "<body><h1>500 Internal Server Error</h1></body></html>";

constexpr long long kMaxDelayMs = 600'000;

std::optional<long long> ParseInt(std::string_view text) {
    long long value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return value;
}

void Set(AnswerSettings& s, std::string_view path, std::string raw) {
    SetOverride(s, std::string(path), {std::move(raw)});
}

void SetFlags(AnswerSettings& s, const std::string& raw) {
    for (std::string_view flag : kFlags) {
        Set(s, flag, raw);
    }
}

void SetTaskListReply(AnswerSettings& s, int status, std::string contentType, std::string body) {
    s.fixed[static_cast<int>(Endpoint::TaskList)] =
        Reply{status, std::move(contentType), std::move(body), {}};
}

// Presets without an argument; "name=arg" forms are handled in ScenarioSettings.
bool ApplyPlain(std::string_view name, AnswerSettings& s) {
    const std::string json = Reply{}.contentType;
    if (name == "normal") {
    } else if (name == "slow") {
        s.delay = std::chrono::milliseconds(2000);
    } else if (name == "http-500") {
        SetTaskListReply(s, 500, "text/html; charset=utf-8", std::string(kServerErrorPage));
    } else if (name == "not-json") {
        SetTaskListReply(s, 200, json, "this is not JSON");
    } else if (name == "script") {
        SetTaskListReply(s, 200, json, "while(1){}");
    } else if (name == "nul-byte") {
        SetTaskListReply(s, 200, json, std::string(kAnswerPlaceholder) + "\0{\"code\":5000}"s);
    } else if (name == "nul-inside") {
        Set(s, "message", "\"su\0ccess\""s);
    } else if (name == "chinese-message") {
        Set(s, "code", "2002");
        Set(s, "message", "\"活动太火爆了，请稍后再试\"");
    } else if (name == "code-2001") {
        Set(s, "code", "2001");
        Set(s, "message", "\"未登录或登录已过期\"");
    } else if (name == "code-missing") {
        SetOverride(s, "code", {std::nullopt});
    } else if (name == "code-blank") {
        Set(s, "code", "\" 2000\"");
    } else if (name == "code-string") {
        Set(s, "code", "\"2000\"");
    } else if (name == "all-true") {
        SetFlags(s, "true");
    } else if (name == "all-false") {
        SetFlags(s, "false");
        Set(s, "data.weekReportPages", "12");
    } else if (name == "pages-missing") {
        SetOverride(s, "data.weekReportPages", {std::nullopt});
    } else if (name == "second-total") {
        SetFlags(s, "true");
        SetOverride(s, "data.totalActivePoint", {"100", "150"});
    } else {
        return false;
    }
    return true;
}

bool ApplyWithArgument(std::string_view name, std::string_view arg, AnswerSettings& s) {
    if (arg.empty()) {
        return false;
    }
    if (name == "slow") {
        auto ms = ParseInt(arg);
        if (!ms || *ms < 0 || *ms > kMaxDelayMs) {
            return false;
        }
        s.delay = std::chrono::milliseconds(*ms);
    } else if (name == "code") {
        Set(s, "code", std::string(arg));
    } else if (name == "all-false") {
        SetFlags(s, "false");
        Set(s, "data.weekReportPages", std::string(arg));
    } else if (name == "flags") {
        SetFlags(s, std::string(arg));
    } else if (name == "pages") {
        Set(s, "data.weekReportPages", std::string(arg));
    } else if (name == "second-total") {
        const auto comma = arg.find(',');
        if (comma == std::string_view::npos || comma == 0 || comma + 1 == arg.size()) {
            return false;
        }
        SetFlags(s, "true");
        SetOverride(s, "data.totalActivePoint",
                    {std::string(arg.substr(0, comma)), std::string(arg.substr(comma + 1))});
    } else {
        return false;
    }
    return true;
}

}  // namespace

std::optional<AnswerSettings> ScenarioSettings(std::string_view name) {
    AnswerSettings settings;
    const auto eq = name.find('=');
    const bool ok = eq == std::string_view::npos
                        ? ApplyPlain(name, settings)
                        : ApplyWithArgument(name.substr(0, eq), name.substr(eq + 1), settings);
    if (!ok) {
        return std::nullopt;
    }
    return settings;
}

std::vector<std::string> ScenarioForms() {
    return {"normal",     "slow[=MS]",     "http-500",        "not-json",          "script",
            "nul-byte",   "nul-inside",    "chinese-message", "code-2001",         "code-missing",
            "code-blank", "code-string",   "code=RAW",        "all-true",          "all-false[=N]",
            "flags=RAW",  "pages-missing", "pages=RAW",       "second-total[=A,B]"};
}

}  // namespace qelvo::sim::detail
