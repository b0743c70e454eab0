// GoogleTest main with the window system up, offscreen unless the caller chose a platform.
#include <QByteArray>
#include <QtGlobal>

#include <gtest/gtest.h>

#include "platform/window/Application.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qelvo::platform::window::Application app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
