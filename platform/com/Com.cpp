#include "platform/com/Com.h"

namespace qelvo::platform::com {

namespace {
thread_local int count = 0;
}

void Initialize() {
    ++count;
}

void Uninitialize() {
    if (count > 0)
        --count;
}

int InitCount() {
    return count;
}

}  // namespace qelvo::platform::com
