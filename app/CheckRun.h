#pragma once
// The check run behind 检测: fetch the task progress, do the open page-view tasks, report the
// rest, fetch again and report the new activity total, one log line per step.

#include <memory>

#include "json/JsonDocument.h"

namespace qelvo::app {

/// The program's one JSON document: each task-list answer is parsed into it. Constructed at
/// start-up before the window exists, destroyed by the exit clean-up.
extern std::unique_ptr<JsonDocument> ActivityJson;

/// Handler of 按钮1. An empty 编辑框1 gives the message box "请填写Cookie！" and nothing else.
/// Otherwise the box's text (unchanged) becomes AccountCookie and the run logs:
///   "获取任务进度失败！错误原因：" + message          when "code" is not exactly "2000"
///                                                    (the only line; nothing more is asked)
///   "获取任务进度成功，当前活跃度：" + total + "，正在检测任务完成情况"
///   one line per open task (flag exactly TextFalse), with its page views and 1 s pauses
///   "检测完成，当前活跃度：" + the total of a second fetch
/// The weekly visit task makes 30 - N views for N = TextToInt(weekReportPages) >= 0 and 30 for
/// a negative N. Window events run during the pauses, so a second click runs a whole nested
/// run there. When the window is destroyed during a pause the run ends at once: no request,
/// no log line after that.
void RunCheck();

}  // namespace qelvo::app
