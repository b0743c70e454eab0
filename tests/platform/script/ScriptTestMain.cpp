// QJSEngine needs an application object; the first engine is asked for before it exists.
#include <QCoreApplication>

#include <gtest/gtest.h>

#include "platform/script/ScriptEngine.h"

bool engineMadeWithoutApplication = true;

int main(int argc, char** argv) {
    engineMadeWithoutApplication =
        !qelvo::platform::script::ScriptEngine::Create("JavaScript").empty();
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
