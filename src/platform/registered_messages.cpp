#include "platform/registered_messages.h"

#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/messages.h"

namespace platform {

namespace {

struct Registry {
    std::mutex mutex;
    std::unordered_map<std::string, uint32_t> byName;
    std::vector<std::string> byNumber;  // index = number - kFirstRegisteredMessage
};

Registry& GetRegistry() {
    static Registry registry;
    return registry;
}

}  // namespace

uint32_t RegisterWindowMessage(std::string_view name) {
    if (name.empty()) {
        return 0;
    }
    Registry& r = GetRegistry();
    std::lock_guard lock(r.mutex);
    auto it = r.byName.find(std::string(name));
    if (it != r.byName.end()) {
        return it->second;
    }
    if (r.byNumber.size() > kLastRegisteredMessage - kFirstRegisteredMessage) {
        return 0;
    }
    const uint32_t number = kFirstRegisteredMessage + static_cast<uint32_t>(r.byNumber.size());
    r.byNumber.emplace_back(name);
    r.byName.emplace(std::string(name), number);
    return number;
}

std::optional<std::string> RegisteredMessageName(uint32_t message) {
    Registry& r = GetRegistry();
    std::lock_guard lock(r.mutex);
    if (message < kFirstRegisteredMessage ||
        message - kFirstRegisteredMessage >= r.byNumber.size()) {
        return std::nullopt;
    }
    return r.byNumber[message - kFirstRegisteredMessage];
}

}  // namespace platform
