// The program's own start-up and check run, measured from inside.
//
//   qelvo_startup_probe shown       start-up as the program does it; prints "shown_ns N"
//   qelvo_startup_probe run URL     then one check run against URL with the pauses cut to
//                                   nothing; prints "peak_kb N"
//   qelvo_startup_probe cpu URL     one check run with the real one-second pauses; prints
//                                   "cpu_ms N" and "wall_ms N" for the run
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>

#include <cstring>

#include "app/Addresses.h"
#include "app/Program.h"
#include "app/ProgressLog.h"
#include "bench/app/ProbeCommon.h"
#include "platform/window/Application.h"

namespace {

QWidget* Control(const char8_t* name) {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* control = top->findChild<QWidget*>(QString::fromUtf8(name)))
            return control;
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace qelvo;
    const char* mode = argc > 1 ? argv[1] : "shown";
    if (argc > 2)
        app::SetServiceBase(Text(argv[2]));
    platform::window::Application platform(argc, argv);
    app::Program program;
    bench::WaitUntilExposed(Control(u8"按钮1")->window());
    if (std::strcmp(mode, "shown") == 0) {
        std::printf("shown_ns %lld\n", bench::NowNs());
        return 0;
    }
    const bool realPauses = std::strcmp(mode, "cpu") == 0;
    if (!realPauses)
        app::SetPacedWaitHookForTesting([](std::int64_t) { return 0; });
    static_cast<QPlainTextEdit*>(Control(u8"编辑框1"))->setPlainText("session=bench");
    const double cpuBefore = bench::CpuMs();
    const long long wallBefore = bench::NowNs();
    static_cast<QPushButton*>(Control(u8"按钮1"))->click();  // returns when the run is over
    const double cpuMs = bench::CpuMs() - cpuBefore;
    const double wallMs = (bench::NowNs() - wallBefore) / 1e6;
    if (realPauses)
        std::printf("cpu_ms %.1f\nwall_ms %.1f\n", cpuMs, wallMs);
    else
        std::printf("peak_kb %ld\n", bench::PeakRssKb());
    return 0;
}
