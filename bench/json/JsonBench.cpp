// What one check run costs the JSON document: a task-list answer parsed and its 13 members
// read, the engine start-up inside it, growth with the answer size, and the layer's own
// share measured against bare QJSEngine evaluations of the same statements.
#include <QCoreApplication>
#include <QJSEngine>
#include <QJSValue>
#include <QString>

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "json/JsonDocument.h"
#include "platform/script/ScriptEngine.h"
#include "platform/script/Watchdog.h"

namespace {

using qelvo::JsonDocument;
using qelvo::Text;

const char* const kReads[] = {
    "code",
    "data.dailyApplication",
    "data.dailyReport1",
    "data.dailyReport2",
    "data.dailyReport3",
    "data.weekLogin",
    "data.weekReport30",
    "data.weekTask30",
    "data.weekTaskAll",
    "data.loginDays",
    "data.weekReportPages",
    "data.dayTaskCount",
    "data.totalActivePoint",
};

// About 1 KiB, shaped like the service's answer, with members the run never reads.
Text TaskListAnswer() {
    return qelvo::GbkText(
        u8R"({"code":2000,"message":"操作成功","data":{"userId":10482213,"nickName":"测试用户",)"
        u8R"("level":3,"vip":false,"dailyApplication":false,"dailyReport1":true,)"
        u8R"("dailyReport2":false,"dailyReport3":false,"weekLogin":true,"weekReport30":false,)"
        u8R"("weekTask30":false,"weekTaskAll":false,"loginDays":4,"weekReportPages":12,)"
        u8R"("dayTaskCount":17,"totalActivePoint":1385,"taskList":[)"
        u8R"({"id":1,"name":"访问1次应用管理页","point":5,"done":false},)"
        u8R"({"id":2,"name":"访问报表页1次","point":5,"done":true},)"
        u8R"({"id":3,"name":"访问报表页3次","point":10,"done":false},)"
        u8R"({"id":4,"name":"访问报表页5次","point":15,"done":false},)"
        u8R"({"id":5,"name":"累计登录5天","point":20,"done":true},)"
        u8R"({"id":6,"name":"累计访问报表页30次","point":30,"done":false}],)"
        u8R"("weekStart":"2026-12-07","weekEnd":"2026-12-13","serverTime":1765432100000,)"
        u8R"("notice":{"title":"活跃度规则调整","url":"https://bbs.example/notice/77",)"
        u8R"("read":false},"badges":["early","weekly","report"],"ratio":0.4375}})");
}

// A task-list answer padded with records to at least `bytes`.
Text AnswerOfSize(std::size_t bytes) {
    std::string json = TaskListAnswer().str();
    json.pop_back();
    json.pop_back();  // reopen data
    json += ",\"records\":[";
    for (int i = 0; json.size() + 3 < bytes; ++i) {
        if (i)
            json += ",";
        json += "{\"id\":" + std::to_string(i) + ",\"page\":\"/report/" + std::to_string(i % 97) +
                "\",\"ok\":true,\"ms\":" + std::to_string(100 + i % 900) + "}";
    }
    json += "]}}";
    return Text(json);
}

void ReadAll(JsonDocument& doc) {
    for (const char* path : kReads)
        benchmark::DoNotOptimize(doc.GetText(Text(path)));
}

// (a) What one task-list answer costs: parse plus the run's 13 reads.
void BM_ParseAndCheckRunReads(benchmark::State& state) {
    JsonDocument doc;
    const Text answer = TaskListAnswer();
    for (auto _ : state) {
        benchmark::DoNotOptimize(doc.Parse(answer));
        ReadAll(doc);
    }
}
BENCHMARK(BM_ParseAndCheckRunReads)->Unit(benchmark::kMicrosecond);

// (a') The same 13 reads alone, on a loaded document.
void BM_CheckRunReads(benchmark::State& state) {
    JsonDocument doc;
    (void)doc.Parse(TaskListAnswer());
    for (auto _ : state)
        ReadAll(doc);
}
BENCHMARK(BM_CheckRunReads)->Unit(benchmark::kMicrosecond);

// (b) Init alone: a new engine with the helper script (the previous engine is let go).
void BM_Init(benchmark::State& state) {
    JsonDocument doc;
    for (auto _ : state)
        doc.Init();
}
BENCHMARK(BM_Init)->Unit(benchmark::kMicrosecond);

// (b') Init's parts: an engine made and dropped, and a bare QJSEngine made and dropped.
void BM_EngineCreateAndRelease(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(qelvo::platform::script::ScriptEngine::Create("JavaScript"));
}
BENCHMARK(BM_EngineCreateAndRelease)->Unit(benchmark::kMicrosecond);

void BM_BareQJSEngineCreateAndDestroy(benchmark::State& state) {
    for (auto _ : state) {
        QJSEngine engine;
        benchmark::DoNotOptimize(&engine);
    }
}
BENCHMARK(BM_BareQJSEngineCreateAndDestroy)->Unit(benchmark::kMicrosecond);

void BM_HelperScript(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto engine = qelvo::platform::script::ScriptEngine::Create("JavaScript");
        state.ResumeTiming();
        benchmark::DoNotOptimize(engine.AddCode(qelvo::JsonHelperScript));
        state.PauseTiming();
        engine.Release();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_HelperScript)->Unit(benchmark::kMicrosecond);

// (c) Growth with the answer size: parse and one read.
void BM_ParseOfSize(benchmark::State& state) {
    JsonDocument doc;
    const Text answer = AnswerOfSize(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(doc.Parse(answer));
        benchmark::DoNotOptimize(doc.GetText("data.totalActivePoint"));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(answer.size()));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ParseOfSize)
    ->Arg(1 << 10)
    ->Arg(100 << 10)
    ->Arg(1 << 20)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// (d) The 13 reads on a bare QJSEngine, the same statements our layer issues (ResolvePath's
// two tests, of which the first fails, then the read): the ratio to BM_CheckRunReads is the
// layer's own cost (GBK conversion, watchdog, error capture, variant reading).
void BM_BareEngineSameStatements(benchmark::State& state) {
    QJSEngine engine;
    QJSValue anchor = engine.globalObject();  // as the layer does: no handle-page churn
    engine.evaluate("var da = " + QString::fromUtf8(TaskListAnswer().str().c_str()));
    engine.evaluate(
        "var str_Code = String.fromCharCode(9216), str_reg = new RegExp(str_Code, 'g')");
    std::vector<std::pair<QString, bool>> statements;  // code, read as text
    for (const char* path : kReads) {
        const QString p = QString::fromLatin1(path);
        if (p.startsWith("da"))
            statements.emplace_back(p + " != null", false);
        statements.emplace_back("da." + p + " != null", false);
        statements.emplace_back("da." + p + ".toString().replace(str_reg, '\\\\')", true);
    }
    for (auto _ : state) {
        for (const auto& [code, asText] : statements) {
            QStringList trace;
            QJSValue value = engine.evaluate(code, QString(), 1, &trace);
            if (asText)
                benchmark::DoNotOptimize(value.toString());
            else
                benchmark::DoNotOptimize(value.toBool());
        }
    }
}
BENCHMARK(BM_BareEngineSameStatements)->Unit(benchmark::kMicrosecond);

// (d') The 13 reads as one direct evaluation each: what the path rules cost over that.
void BM_BareEngineDirectReads(benchmark::State& state) {
    QJSEngine engine;
    QJSValue anchor = engine.globalObject();
    engine.evaluate("var da = " + QString::fromUtf8(TaskListAnswer().str().c_str()));
    std::vector<QString> statements;
    for (const char* path : kReads)
        statements.push_back("da." + QString::fromLatin1(path) + ".toString()");
    for (auto _ : state) {
        for (const QString& statement : statements)
            benchmark::DoNotOptimize(engine.evaluate(statement).toString());
    }
}
BENCHMARK(BM_BareEngineDirectReads)->Unit(benchmark::kMicrosecond);

// Per call: our Eval of a trivial expression against the bare engine's.
void BM_EvalTrivial(benchmark::State& state) {
    auto engine = qelvo::platform::script::ScriptEngine::Create("JavaScript");
    for (auto _ : state)
        benchmark::DoNotOptimize(engine.EvalBool("1"));
}
BENCHMARK(BM_EvalTrivial);

void BM_BareEvalTrivial(benchmark::State& state) {
    QJSEngine engine;
    QJSValue anchor = engine.globalObject();
    for (auto _ : state) {
        QStringList trace;
        benchmark::DoNotOptimize(engine.evaluate("1", QString(), 1, &trace).toBool());
    }
}
BENCHMARK(BM_BareEvalTrivial);

// The watchdog's share of every call: arming and disarming one slot.
struct NoTarget final : qelvo::platform::script::Watchdog::Target {
    void SetInterrupted(bool) override {}
};

void BM_WatchdogPerCall(benchmark::State& state) {
    NoTarget target;
    qelvo::platform::script::Watchdog::Slot slot(target);
    for (auto _ : state) {
        slot.Begin();
        benchmark::DoNotOptimize(slot.End());
    }
}
BENCHMARK(BM_WatchdogPerCall);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);  // QJSEngine cannot exist without one
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
