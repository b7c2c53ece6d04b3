#include "app/devicemanager/device_table.h"

namespace devicemanager {

bool DeviceEntry::SameInterface(const DeviceEntry& other) const {
    return vendorId == other.vendorId && productId == other.productId &&
           interfaceNumber == other.interfaceNumber && collection == other.collection &&
           type == other.type && role == other.role && usagePage == other.usagePage &&
           usage == other.usage;
}

int FindKindRow(int32_t vendorId, int32_t productId, int32_t type, int32_t variant) {
    for (const DeviceKindRow& row : kDeviceKinds) {
        if (row.vendorId == vendorId && row.productId == productId && row.type == type &&
            row.variant == variant) {
            return row.row;
        }
    }
    return -1;
}

DeviceList::DeviceList() {
    m_entries.reserve(kSupportedDevices.size());
    for (const DeviceIdentity& id : kSupportedDevices) {
        m_entries.push_back(DeviceEntry{id, 0, {}});
    }
}

std::vector<DeviceEntry> DeviceList::Entries() const {
    std::lock_guard lock(m_mutex);
    return m_entries;
}

DeviceEntry DeviceList::Entry(size_t index) const {
    std::lock_guard lock(m_mutex);
    return index < m_entries.size() ? m_entries[index] : DeviceEntry{};
}

bool DeviceList::HasUnclaimed() const {
    std::lock_guard lock(m_mutex);
    for (const DeviceEntry& e : m_entries) {
        if (e.attached == 0) {
            return true;
        }
    }
    return false;
}

bool DeviceList::ClaimCheck(uint16_t vendorId, uint16_t productId, uint16_t interfaceNumber,
                            uint16_t collection) const {
    std::lock_guard lock(m_mutex);
    // The list is a copy of the fixed table, so an unclaimed list entry with these
    // ids is also a table entry.
    for (const DeviceEntry& e : m_entries) {
        if (e.attached == 0 && e.path.empty() && e.vendorId == vendorId &&
            e.productId == productId && e.interfaceNumber == interfaceNumber &&
            e.collection == collection) {
            return true;
        }
    }
    return false;
}

std::optional<size_t> DeviceList::FullMatch(uint16_t interfaceNumber, uint16_t collection,
                                            const InterfaceDescription& opened,
                                            std::string_view path) {
    std::lock_guard lock(m_mutex);
    for (size_t i = 0; i < m_entries.size(); ++i) {
        DeviceEntry& e = m_entries[i];
        if (e.attached == 0 && e.path.empty() && e.vendorId == opened.vendorId &&
            e.productId == opened.productId && e.interfaceNumber == interfaceNumber &&
            e.collection == collection && e.usagePage == opened.usagePage &&
            e.usage == opened.usage) {
            e.attached = 1;
            e.path = std::string(path);
            return i;
        }
    }
    return std::nullopt;
}

void DeviceList::Release(size_t index) {
    std::lock_guard lock(m_mutex);
    if (index < m_entries.size()) {
        m_entries[index].attached = 0;
        m_entries[index].path.clear();
    }
}

void DeviceList::MarkAttached(size_t index, std::string path) {
    std::lock_guard lock(m_mutex);
    if (index < m_entries.size()) {
        m_entries[index].attached = 1;
        m_entries[index].path = std::move(path);
    }
}

}  // namespace devicemanager
