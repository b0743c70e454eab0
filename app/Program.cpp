#include "app/Program.h"

#include <cstdio>
#include <string_view>

#include "app/Addresses.h"
#include "app/CheckRun.h"
#include "app/MainWindow.h"
#include "app/ServiceRequests.h"
#include "platform/window/Application.h"

namespace qelvo::app {

Program::Program() {
    // Whether the document's engine could be set up is not looked at: the window is shown
    // either way, and a document without engine makes every run end at its code test.
    ActivityJson = std::make_unique<JsonDocument>();
    // From here on the destructor is the registered exit clean-up.
    window_ = std::make_unique<MainWindow>();
    window_->CreateAndShow();
}

Program::~Program() {
    window_->Destroy();
    window_.reset();
    AccountCookie = Text();
    ActivityJson.reset();
    TextFalse = Text();
}

void Program::RunMessageLoop() {
    window_->RunMessageLoop();
}

MainWindow& Program::Window() {
    return *window_;
}

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    CommandLine result;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        std::string_view value;
        if (arg == "--service") {
            if (i + 1 >= argc) {
                result.error = "--service needs a URL";
                return result;
            }
            value = argv[++i];
        } else if (arg.starts_with("--service=")) {
            value = arg.substr(10);
        } else {
            result.error = "unknown argument: " + std::string(arg);
            return result;
        }
        if (result.service) {
            result.error = "--service given twice";
            return result;
        }
        if (!IsServiceBase(value)) {
            result.error = "not a service base (http[s]://host[:port]): " + std::string(value);
            return result;
        }
        result.service = Text(value);
    }
    return result;
}

int Main(int argc, char** argv) {
    const CommandLine commandLine = ParseCommandLine(argc, argv);
    if (!commandLine.error.empty()) {
        std::fprintf(stderr, "qelvo: %s\nusage: qelvo [--service http[s]://host[:port]]\n",
                     commandLine.error.c_str());
        return 2;
    }
    if (commandLine.service)
        SetServiceBase(*commandLine.service);
    platform::window::Application platform(argc, argv);
    Program program;
    program.RunMessageLoop();
    return 0;
}

}  // namespace qelvo::app
