#include "app/app_messages.h"

#include <string>

#include "platform/registered_messages.h"
#include "platform/trace.h"

namespace app {

RegisteredMessages& Messages() {
    static RegisteredMessages messages;
    return messages;
}

bool RegisterActivationMessage() {
    const uint32_t msg = platform::RegisterWindowMessage(kProductWord);
    platform::TraceF("activation message %u", msg);
    if (!IsRegisteredNumber(msg))
        return false;
    Messages().activation.store(msg);
    return true;
}

bool RegisterGuidMessages() {
    bool ok = true;
    for (size_t i = 0; i < kGuidMessageNames.size(); ++i) {
        const uint32_t msg = platform::RegisterWindowMessage(kGuidMessageNames[i]);
        if (!IsRegisteredNumber(msg)) {
            platform::Trace("cannot register " + std::string(kGuidMessageNames[i]));
            ok = false;
            continue;
        }
        Messages().guid[i].store(msg);
    }
    return ok;
}

}  // namespace app
