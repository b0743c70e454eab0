#include <algorithm>
#include <string>

#include "tools/qelvo-sim/SimInternal.h"

namespace qelvo::sim::detail {
namespace {

constexpr int kDailyPoints = 10;
constexpr int kWeeklyPoints = 50;
constexpr int kWeekLoginDays = 5;
constexpr int kWeekReportPages = 30;
constexpr int kWeekDailyTasks = 30;

void FinishDaily(Progress& p, bool& flag, bool done) {
    if (flag || !done) {
        return;
    }
    flag = true;
    p.dayTaskCount += 1;
    p.totalActivePoint += kDailyPoints;
}

void FinishWeekly(Progress& p, bool& flag, bool done) {
    if (flag || !done) {
        return;
    }
    flag = true;
    p.totalActivePoint += kWeeklyPoints;
}

// Daily flags first: a daily task finished now may complete weekTask30 in the same step.
void Settle(Progress& p) {
    const int reportViews = std::max(0, p.viewsToday - 1);
    FinishDaily(p, p.dailyApplication, p.viewsToday >= 1);
    FinishDaily(p, p.dailyReport1, reportViews >= 1);
    FinishDaily(p, p.dailyReport2, reportViews >= 3);
    FinishDaily(p, p.dailyReport3, reportViews >= 5);
    FinishWeekly(p, p.weekLogin, p.loginDays >= kWeekLoginDays);
    FinishWeekly(p, p.weekReport30, p.weekReportPages >= kWeekReportPages);
    FinishWeekly(p, p.weekTask30, p.dayTaskCount >= kWeekDailyTasks);
    FinishWeekly(p, p.weekTaskAll, p.weekLogin && p.weekReport30 && p.weekTask30);
}

std::string Bool(bool b) {
    return b ? "true" : "false";
}

using Members = std::vector<std::pair<std::string, std::string>>;

std::string RenderObject(const Members& members) {
    std::string out = "{";
    for (std::size_t i = 0; i < members.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        out += '"';
        out += members[i].first;
        out += "\":";
        out += members[i].second;
    }
    out += '}';
    return out;
}

void Apply(Members& members, std::string_view name, const std::optional<std::string>& value) {
    auto it = std::find_if(members.begin(), members.end(),
                           [&](const auto& m) { return m.first == name; });
    if (!value) {
        if (it != members.end()) {
            members.erase(it);
        }
    } else if (it != members.end()) {
        it->second = *value;
    } else {
        members.emplace_back(std::string(name), *value);
    }
}

}  // namespace

void CountLogin(Progress& p) {
    if (!p.loggedInToday) {
        p.loggedInToday = true;
        p.loginDays += 1;
        p.dayTaskCount += 1;
        p.totalActivePoint += kDailyPoints;
    }
    Settle(p);
}

void CountPageView(Progress& p) {
    p.viewsToday += 1;
    p.weekReportPages += 1;
    Settle(p);
}

void StartNewDay(Progress& p) {
    p.dailyApplication = p.dailyReport1 = p.dailyReport2 = p.dailyReport3 = false;
    p.viewsToday = 0;
    p.loggedInToday = false;
}

void StartNewWeek(Progress& p) {
    StartNewDay(p);
    p.weekLogin = p.weekReport30 = p.weekTask30 = p.weekTaskAll = false;
    p.loginDays = p.weekReportPages = p.dayTaskCount = 0;
}

void SetOverride(AnswerSettings& settings, std::string path,
                 std::vector<std::optional<std::string>> values) {
    std::erase_if(settings.members, [&](const MemberOverride& m) { return m.path == path; });
    if (values.empty()) {
        values.emplace_back();
    }
    settings.members.push_back({std::move(path), std::move(values), 0});
}

std::string RenderTaskList(const Progress& p, AnswerSettings& settings) {
    Members data = {
        {"dailyApplication", Bool(p.dailyApplication)},
        {"dailyReport1", Bool(p.dailyReport1)},
        {"dailyReport2", Bool(p.dailyReport2)},
        {"dailyReport3", Bool(p.dailyReport3)},
        {"weekLogin", Bool(p.weekLogin)},
        {"weekReport30", Bool(p.weekReport30)},
        {"weekTask30", Bool(p.weekTask30)},
        {"weekTaskAll", Bool(p.weekTaskAll)},
        {"loginDays", std::to_string(p.loginDays)},
        {"weekReportPages", std::to_string(p.weekReportPages)},
        {"dayTaskCount", std::to_string(p.dayTaskCount)},
        {"totalActivePoint", std::to_string(p.totalActivePoint)},
    };
    Members top = {{"code", "2000"}, {"message", "\"success\""}};

    // Each override is used once per answer, whichever object it lands in.
    std::vector<std::pair<std::string_view, const std::optional<std::string>*>> current;
    for (MemberOverride& m : settings.members) {
        const std::size_t k = std::min(m.used, m.values.size() - 1);
        m.used += 1;
        current.emplace_back(m.path, &m.values[k]);
    }
    constexpr std::string_view kDataPrefix = "data.";
    for (const auto& [path, value] : current) {
        if (path.starts_with(kDataPrefix)) {
            Apply(data, path.substr(kDataPrefix.size()), *value);
        }
    }
    top.emplace_back("data", RenderObject(data));
    for (const auto& [path, value] : current) {
        if (!path.starts_with(kDataPrefix)) {
            Apply(top, path, *value);
        }
    }
    return RenderObject(top);
}

}  // namespace qelvo::sim::detail
