#include "app/CheckRun.h"

#include <algorithm>

#include "app/MainWindow.h"
#include "app/ProgressLog.h"
#include "app/ServiceRequests.h"
#include "platform/window/Desktop.h"
#include "web/TextOps.h"

namespace qelvo::app {

std::unique_ptr<JsonDocument> ActivityJson;

namespace {

// What a run reads from the first answer, in the order it reads it.
struct Progress {
    Text dailyApplication, dailyReport1, dailyReport2, dailyReport3;
    Text weekLogin, weekReport30, weekTask30, weekTaskAll;
    Text loginDays, weekReportPages, dayTaskCount, totalActivePoint;
};

Text Read(const char* path) {
    return ActivityJson ? ActivityJson->GetText(Text(path)) : Text();
}

void FetchIntoDocument() {
    const Text answer = FetchTaskList();
    if (ActivityJson)
        (void)ActivityJson->Parse(answer);
}

// One second, with the window live. False when the window went away meanwhile: the run must
// then stop before it touches anything.
bool Pause() {
    PacedWait(1000);
    return !WindowGone();
}

// The weekly visit task's views: 30 - N, and never more than 30 (a negative N would
// otherwise ask for up to 2^31 views).
int WeeklyVisits(const Text& weekReportPages) {
    const int done = TextToInt(weekReportPages);
    return done < 0 ? 30 : std::max(0, 30 - done);
}

bool IsOpen(const Text& flag) {
    return flag == TextFalse;
}

// Tasks 1 to 5 all view the same page; the daily ones pause once after their views, the
// weekly visit task after every view. Returns false when the run must end.
bool RunTasks(const Progress& p) {
    struct DailyVisit {
        const Text& flag;
        const char8_t* line;
        int views;
    };
    const DailyVisit daily[] = {
        {p.dailyApplication, u8"【访问1次应用管理页】未完成，正在访问。", 1},
        {p.dailyReport1, u8"【访问报表页1次】未完成，正在访问。", 1},
        {p.dailyReport2, u8"【访问报表页3次】未完成，正在访问。", 2},
        {p.dailyReport3, u8"【访问报表页5次】未完成，正在访问。", 2},
    };
    for (const DailyVisit& task : daily) {
        if (!IsOpen(task.flag))
            continue;
        LogLine(GbkText(task.line));
        for (int i = 0; i < task.views; ++i)
            VisitPage();
        if (!Pause())
            return false;
    }

    if (IsOpen(p.weekReport30)) {
        LogLine(GbkText(u8"【累计访问报表页30次】未完成，本周完成") + p.weekReportPages +
                GbkText(u8"次，开始访问。"));
        for (int i = WeeklyVisits(p.weekReportPages); i > 0; --i) {
            VisitPage();
            if (!Pause())
                return false;
        }
    }

    const Text weekly[][2] = {
        {p.weekLogin,
         GbkText(u8"【累计登录5天】未完成，本周登录") + p.loginDays + GbkText(u8"天。")},
        {p.weekTask30,
         GbkText(u8"【完成30个每日任务】未完成，本周完成") + p.dayTaskCount + GbkText(u8"次。")},
        {p.weekTaskAll, GbkText(u8"【完成全部周任务】未完成。")},
    };
    for (const auto& [flag, line] : weekly) {
        if (!IsOpen(flag))
            continue;
        LogLine(line);
        if (!Pause())
            return false;
    }
    return true;
}

}  // namespace

void RunCheck() {
    MainWindow* window = MainWindow::Current();
    if (!window || !window->Exists())
        return;
    const Text cookie = window->ReadCookieBox();
    if (cookie.empty()) {
        platform::window::ShowMessageBox(GbkText(u8"请填写Cookie！").view());
        return;
    }
    AccountCookie = cookie;

    FetchIntoDocument();
    if (Read("code") != Text("2000")) {
        LogLine(GbkText(u8"获取任务进度失败！错误原因：") + Read("message"));
        return;
    }
    Progress p;
    p.dailyApplication = Read("data.dailyApplication");
    p.dailyReport1 = Read("data.dailyReport1");
    p.dailyReport2 = Read("data.dailyReport2");
    p.dailyReport3 = Read("data.dailyReport3");
    p.weekLogin = Read("data.weekLogin");
    p.weekReport30 = Read("data.weekReport30");
    p.weekTask30 = Read("data.weekTask30");
    p.weekTaskAll = Read("data.weekTaskAll");
    p.loginDays = Read("data.loginDays");
    p.weekReportPages = Read("data.weekReportPages");
    p.dayTaskCount = Read("data.dayTaskCount");
    p.totalActivePoint = Read("data.totalActivePoint");
    LogLine(GbkText(u8"获取任务进度成功，当前活跃度：") + p.totalActivePoint +
            GbkText(u8"，正在检测任务完成情况"));

    if (!RunTasks(p))
        return;

    FetchIntoDocument();
    LogLine(GbkText(u8"检测完成，当前活跃度：") + Read("data.totalActivePoint"));
}

}  // namespace qelvo::app
