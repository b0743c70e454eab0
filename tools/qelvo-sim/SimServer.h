#pragma once
// qelvo-sim: a stand-in for the service's activity API on 127.0.0.1 (plain HTTP), with
// per-account progress, chosen answer shapes and a record of every request.
//
//   qelvo::sim::SimServer sim;                  // free port, stops by itself after 600 s
//   ASSERT_TRUE(sim.Start());
//   RunApp("--service", sim.BaseUrl());          // "http://127.0.0.1:PORT"
//   sim.SetScenario("all-false=12");             // presets: see SetScenario
//   sim.QueueReply(Endpoint::TaskList, {.status = 500, .body = "<html></html>"});
//   for (const RecordedRequest& r : sim.Requests()) ...   // arrival order
//
// Endpoints
//   POST /api/user/active/taskList                     task progress (JSON below)
//   GET  /api/user/active/pv?productCode=v6&pageType=2  one page view
//   Test control, never recorded: GET /sim/requests (RecordLine per request, LF after each),
//   POST /sim/scenario?name=NAME (400 for an unknown name), POST /sim/next-day,
//   POST /sim/next-week, POST /sim/stop. Any other path: 404, empty body, recorded.
//   Every connection serves one request ("Connection: close").
//
// Accounts: the value of the first Cookie line, blanks trimmed, names the account. With
// autoCreateAccounts, a value containing "session=" starts a new account on first use;
// AddAccount registers any value. Any other cookie (none, empty, unknown) is answered
//   {"code":2001,"message":"未登录或登录已过期"}
// by both endpoints and changes nothing.
//
// Answers of a known account (UTF-8, "application/json; charset=utf-8", members in this order):
//   taskList {"code":2000,"message":"success","data":{"dailyApplication":false,
//            "dailyReport1":false,"dailyReport2":false,"dailyReport3":false,"weekLogin":false,
//            "weekReport30":false,"weekTask30":false,"weekTaskAll":false,"loginDays":1,
//            "weekReportPages":0,"dayTaskCount":1,"totalActivePoint":10}}
//   pv       {"code":2000,"message":"success"}; another query: {"code":4001,"message":"参数错误"}
//            and nothing is counted.
//
// Progress rules (state changes with every request of a known account, whatever shape the
// answer then takes):
//   - A taskList fetch is the day's login: the first one of a day sets loggedInToday and adds
//     one to loginDays. The login is itself a daily task (counts in dayTaskCount).
//   - A page view adds one to viewsToday and weekReportPages. The day's first view is the
//     application-page view; later views of the day are report views:
//       dailyApplication  viewsToday >= 1        dailyReport2  report views >= 3
//       dailyReport1      report views >= 1      dailyReport3  report views >= 5
//     (report views = viewsToday - 1), so the 1 + 1 + 2 + 2 views of one check run finish
//     all four.
//   - weekLogin: loginDays >= 5; weekReport30: weekReportPages >= 30; weekTask30:
//     dayTaskCount >= 30; weekTaskAll: the other three weekly flags are true.
//   - A daily task that turns true adds 1 to dayTaskCount and 10 to totalActivePoint (the
//     login too); a weekly flag that turns true adds 50. Flags never turn false by themselves.
//   - Days pass only by NextDay (daily flags, viewsToday, loggedInToday reset) and weeks by
//     NextWeek (that, plus every weekly flag and counter; totalActivePoint is kept).
//
// Threads: every member may be called from any thread while the server runs on its own.

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qelvo::sim {

struct Progress {
    bool dailyApplication = false;
    bool dailyReport1 = false;
    bool dailyReport2 = false;
    bool dailyReport3 = false;
    bool weekLogin = false;
    bool weekReport30 = false;
    bool weekTask30 = false;
    bool weekTaskAll = false;
    int loginDays = 0;
    int weekReportPages = 0;
    int dayTaskCount = 0;
    int totalActivePoint = 0;
    int viewsToday = 0;
    bool loggedInToday = false;
    bool operator==(const Progress&) const = default;
};

// One canned answer. "{{answer}}" anywhere in body stands for the answer the server would
// give without this reply (state, members and all).
struct Reply {
    int status = 200;
    std::string contentType = "application/json; charset=utf-8";
    std::string body;
    std::chrono::milliseconds delay{0};
};

enum class Endpoint { TaskList, PageView };

struct RecordedRequest {
    std::string method;                    // as on the request line, e.g. "POST"
    std::string target;                    // path with query, exactly as on the request line
    std::string userAgent;                 // first User-Agent line's value, blanks trimmed
    std::string cookie;                    // first Cookie line's value, blanks trimmed
    std::vector<std::string> headerLines;  // every header line as sent, in order, no CR LF
    std::string head;                      // raw bytes: request line .. blank line (CR LF CR LF)
    std::string body;                      // raw bytes after the head
};

struct Options {
    int port = 0;                                 // 0: a free port
    std::chrono::milliseconds lifetime{600'000};  // stops by itself this long after Start
    bool autoCreateAccounts = true;               // see "Accounts" above
};

class SimServer {
  public:
    SimServer();
    explicit SimServer(Options options);
    ~SimServer();  // stops and joins (an answer being delayed is cut short)
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // Binds 127.0.0.1 and serves on a thread of its own. False when the port cannot be bound
    // or Start was called before (a server starts at most once).
    [[nodiscard]] bool Start();
    void Stop();  // idempotent; returns once no request is being served
    void Wait();  // returns when the server has stopped (Stop, lifetime, POST /sim/stop)
    [[nodiscard]] bool Running() const;
    [[nodiscard]] int Port() const;             // 0 before a successful Start
    [[nodiscard]] std::string BaseUrl() const;  // "http://127.0.0.1:PORT", no trailing slash

    // Answer shape. SetScenario first resets delay, members, fixed and queued replies to
    // "normal", then applies the preset; false (nothing changed) for an unknown name.
    //   normal              answers from the account's progress
    //   slow[=MS]           every answer of both endpoints waits MS ms (2000)
    //   http-500            taskList: status 500, text/html error page
    //   not-json            taskList: 200, body "this is not JSON"
    //   script              taskList: 200, body while(1){}
    //   nul-byte            taskList: the normal answer, a NUL byte, then {"code":5000}
    //   nul-inside          "message" holds a NUL byte: "su\0ccess"
    //   chinese-message     code 2002, message "活动太火爆了，请稍后再试"
    //   code-2001           code 2001, message "未登录或登录已过期" (data still present)
    //   code-missing        no "code" member
    //   code-blank          "code":" 2000"
    //   code-string         "code":"2000"
    //   code=RAW            "code":RAW (RAW is JSON text, put in as given)
    //   all-true            the eight flags true
    //   all-false[=N]       the eight flags false, "weekReportPages":N (12)
    //   flags=RAW           the eight flags RAW, e.g. flags="False" or flags=0
    //   pages-missing       no "data.weekReportPages" member
    //   pages=RAW           "weekReportPages":RAW, e.g. pages=31, pages=-5, pages="abc"
    //   second-total[=A,B]  all-true; totalActivePoint A on the first taskList answer after
    //                       the call, B on every later one (100,150)
    // Members only shape answers of known accounts; fixed and queued replies shape every answer.
    [[nodiscard]] bool SetScenario(std::string_view name);
    [[nodiscard]] static std::vector<std::string> ScenarioNames();  // the forms above

    void SetDelay(std::chrono::milliseconds delay);  // added to every answer of both endpoints
    // path is "code", "message", "data" or "data.NAME"; rawJson goes in as given. A member
    // not in the answer is appended to its object.
    void SetMember(std::string path, std::string rawJson);
    // The k-th taskList answer after this call uses rawJsonPerAnswer[k]; the last repeats.
    void SetMemberSequence(std::string path, std::vector<std::string> rawJsonPerAnswer);
    void RemoveMember(std::string path);
    void SetFixedReply(Endpoint endpoint, Reply reply);  // every answer until cleared
    void ClearFixedReply(Endpoint endpoint);
    void QueueReply(Endpoint endpoint, Reply reply);  // the next answers, first in first out,
                                                      // ahead of a fixed reply

    // Accounts.
    void AddAccount(std::string cookie, Progress progress = {});  // creates or replaces
    [[nodiscard]] std::optional<Progress> Account(std::string_view cookie) const;
    void NextDay();
    void NextWeek();

    // Record of every request to the endpoints and unknown paths, in arrival order; a request
    // is recorded before its answer is sent.
    [[nodiscard]] std::vector<RecordedRequest> Requests() const;
    [[nodiscard]] bool WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;
    void ClearRequests();
    // Called on a server thread for each recorded request, before its answer, one at a time,
    // with the server's lock held: it must not call back into the server.
    void SetRequestObserver(std::function<void(const RecordedRequest&)> observer);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// One record as one line without line break: method, target, userAgent, cookie, head, body,
// separated by TAB. In each field backslash, TAB, CR, LF and other bytes below 0x20 or 0x7F
// are escaped as \\ \t \r \n \xHH; bytes >= 0x80 stay as they are.
[[nodiscard]] std::string RecordLine(const RecordedRequest& request);
// The inverse of RecordLine (headerLines rebuilt from head); nullopt for a line with another
// field count or a bad escape.
[[nodiscard]] std::optional<RecordedRequest> ParseRecordLine(std::string_view line);

}  // namespace qelvo::sim
