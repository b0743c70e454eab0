// A whole check run per request, against plain WebAccess calls making the same requests.
// Both talk to an in-process qelvo-sim on loopback; the run's pauses are cut to nothing.
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>

#include <benchmark/benchmark.h>

#include "app/Addresses.h"
#include "app/Program.h"
#include "app/ProgressLog.h"
#include "app/ServiceRequests.h"
#include "platform/window/Application.h"
#include "text/KeyValueList.h"
#include "tools/qelvo-sim/SimServer.h"
#include "web/WebAccess.h"

namespace {

using namespace qelvo;

constexpr int kRequestsPerRun = 26;  // task list, 24 page views, task list

sim::SimServer& Sim() {
    static sim::SimServer sim{sim::Options{.lifetime = std::chrono::seconds(3600)}};
    static const bool started = [] {
        bool ok = sim.Start() && sim.SetScenario("all-false=12");
        app::SetServiceBase(Text(sim.BaseUrl()));
        return ok;
    }();
    (void)started;
    return sim;
}

QWidget* Control(const char8_t* name) {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* control = top->findChild<QWidget*>(QString::fromUtf8(name)))
            return control;
    return nullptr;
}

void BM_CheckRunAllOpen(benchmark::State& state) {
    Sim();
    app::SetPacedWaitHookForTesting([](std::int64_t) { return 0; });
    app::Program program;
    auto* log = static_cast<QPlainTextEdit*>(Control(u8"编辑框_log"));
    static_cast<QPlainTextEdit*>(Control(u8"编辑框1"))->setPlainText("session=bench");
    auto* check = static_cast<QPushButton*>(Control(u8"按钮1"));
    for (auto _ : state) {
        check->click();
        state.PauseTiming();
        log->clear();
        Sim().ClearRequests();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRequestsPerRun);
    app::SetPacedWaitHookForTesting(nullptr);
}
BENCHMARK(BM_CheckRunAllOpen)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlainWebAccess(benchmark::State& state) {
    Sim();
    KeyValueList list;
    list.AddPair(Text("User-Agent"), Text(app::kUserAgent));
    const Text headers = list.ToHeaderText();
    const Text taskList = app::TaskListUrl();
    const Text pageView = app::PageViewUrl();
    for (auto _ : state) {
        for (int i = 0; i < kRequestsPerRun; ++i) {
            Text cookies("session=bench");
            const bool fetch = i == 0 || i == kRequestsPerRun - 1;
            benchmark::DoNotOptimize(WebAccess(fetch ? taskList : pageView, fetch ? 1 : 0,
                                               std::nullopt, &cookies, nullptr, headers));
        }
        state.PauseTiming();
        Sim().ClearRequests();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRequestsPerRun);
}
BENCHMARK(BM_PlainWebAccess)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    platform::window::Application platform(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
