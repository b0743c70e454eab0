#pragma once
// Pieces of the simulator that need no network: progress rules, answer rendering, scenario
// presets and the record format.

#include <array>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tools/qelvo-sim/SimServer.h"

namespace qelvo::sim::detail {

inline constexpr std::string_view kUnknownAccountAnswer =
    "{\"code\":2001,\"message\":\"未登录或登录已过期\"}";
inline constexpr std::string_view kPageViewAnswer = "{\"code\":2000,\"message\":\"success\"}";
inline constexpr std::string_view kBadQueryAnswer = "{\"code\":4001,\"message\":\"参数错误\"}";
inline constexpr std::string_view kAnswerPlaceholder = "{{answer}}";

void CountLogin(Progress& progress);
void CountPageView(Progress& progress);
void StartNewDay(Progress& progress);
void StartNewWeek(Progress& progress);

// One member override: the k-th answer rendered after it was set uses values[k], the last
// one repeating; an absent value removes the member.
struct MemberOverride {
    std::string path;
    std::vector<std::optional<std::string>> values;
    std::size_t used = 0;
};

// Everything SetScenario resets.
struct AnswerSettings {
    std::chrono::milliseconds delay{0};
    std::vector<MemberOverride> members;  // in the order they were set
    std::array<std::optional<Reply>, 2> fixed;
    std::array<std::deque<Reply>, 2> queued;
};

void SetOverride(AnswerSettings& settings, std::string path,
                 std::vector<std::optional<std::string>> values);

// The taskList answer of an account; advances every member override by one answer.
[[nodiscard]] std::string RenderTaskList(const Progress& progress, AnswerSettings& settings);

// Applies a preset (see SimServer::SetScenario) to fresh settings; nullopt for an unknown
// name or a bad argument.
[[nodiscard]] std::optional<AnswerSettings> ScenarioSettings(std::string_view name);
[[nodiscard]] std::vector<std::string> ScenarioForms();

// Fills method, target, userAgent, cookie, headerLines, head and body from the raw bytes of
// one request. head ends after the first CR LF CR LF (all of raw when there is none).
[[nodiscard]] RecordedRequest ParseRawRequest(std::string_view raw);

}  // namespace qelvo::sim::detail
