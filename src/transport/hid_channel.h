#pragma once

// CHidChannel: one open HID top-level collection (one interface path) with
// time-limited, cancellable report I/O and the report decoder. It also lists
// the interface paths present on the machine. The channel knows nothing of a
// device's protocol.
//
// Reports are handed over with the report id in byte 0 (0 for a collection
// without report ids) and only the input reports of the opened collection are
// delivered. Any thread may Close the channel: a read or write waiting on it
// returns false at once. The channel does no other locking; one thread reads
// while another writes, as the command protocol and the event threads do.

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"
#include "platform/sync.h"
#include "platform/unique_fd.h"
#include "transport/hid_descriptor.h"
#include "transport/hid_enumerator.h"
#include "transport/hid_path.h"

namespace transport {

// Time-outs of Read and Write; kInfinite waits until a report or a Close.
using platform::kInfinite;
using platform::Millis;

enum class HidAccess : unsigned { None = 0, Read = 1, Write = 2, ReadWrite = 3 };
enum class HidSharing { Shared, Exclusive };

class CHidChannel {
public:
    CHidChannel();
    ~CHidChannel();
    CHidChannel(const CHidChannel&) = delete;
    CHidChannel& operator=(const CHidChannel&) = delete;

    // --- Path list (independent of the open state) ---
    // Fills the path list from the current HID roots; false with an empty list
    // when enumeration fails.
    bool EnumeratePaths();
    // The path at the cursor, advancing it; nullptr at the end.
    const std::string* NextPath();
    void FreePaths();
    const std::vector<std::string>& Paths() const { return m_paths; }

    // True while the interface behind `path` is still attached (the device
    // manager's presence check; opens nothing that needs access rights).
    static bool PathPresent(std::string_view path);

    // --- Open and close ---
    // Opens one collection's path. false (channel closed, OpenError() set)
    // when the path cannot be opened or described. Opening an open channel
    // closes it first. Exclusive sharing refuses other opens of the interface
    // while this one holds it.
    bool Open(std::string_view path, HidAccess access, HidSharing sharing = HidSharing::Shared);
    // Releases any waiting read or write, then closes. Safe when closed.
    void Close();
    bool IsOpen() const;

    // --- Report I/O ---
    // One input report of this collection into `buffer` (truncated when the
    // buffer is shorter). true when a report arrived; false on time-out, a
    // Close from another thread, a device that went away or any error.
    bool Read(std::span<uint8_t> buffer, size_t& transferred, Millis timeout);
    // One output report, report id first; a report shorter than the
    // collection's output report length is padded with zeros.
    bool Write(std::span<const uint8_t> report, size_t& transferred, Millis timeout);

    // The last failure of each kind, kept per channel.
    platform::Error OpenError() const;
    platform::Error ReadError() const;
    platform::Error WriteError() const;

    // --- Description of the open collection ---
    const HidAttributes& Attributes() const { return m_attributes; }
    uint16_t VendorId() const { return m_attributes.vendorId; }
    uint16_t ProductId() const { return m_attributes.productId; }
    const HidCaps& Caps() const { return m_caps; }
    uint16_t UsagePage() const { return m_caps.usagePage; }
    uint16_t Usage() const { return m_caps.usage; }
    uint16_t InputReportLength() const { return m_caps.inputReportByteLength; }
    uint16_t OutputReportLength() const { return m_caps.outputReportByteLength; }
    uint16_t FeatureReportLength() const { return m_caps.featureReportByteLength; }
    uint16_t InterfaceNumber() const { return m_interfaceNumber; }
    uint16_t CollectionNumber() const { return m_collectionNumber; }
    const std::string& DevicePath() const { return m_path; }

    // Report buffers (zero-filled, of the kind's report length) and items.
    std::span<uint8_t> ReportBuffer(HidReportKind kind);
    std::span<uint8_t> InputReportBuffer() { return ReportBuffer(HidReportKind::Input); }
    std::span<const HidReportItem> Items(HidReportKind kind) const;
    std::span<const HidButtonCaps> ButtonCaps(HidReportKind kind) const;
    std::span<const HidValueCaps> ValueCaps(HidReportKind kind) const;
    // The usage list of the first input item (empty when there is none).
    std::span<const uint16_t> FirstInputUsageList() const;

    // Decodes one input report (report id in byte 0) into the input items.
    // false when a value lies beyond the end of the report.
    bool UnpackInputReport(std::span<const uint8_t> report);

private:
    bool Fail(platform::Error& slot, platform::Error error);
    bool BeginIo(bool reading);
    void EndIo(bool reading);
    bool AcceptInputReport(std::span<const uint8_t> report) const;

    // Path list, and the enumerator that remembers nodes between passes.
    std::vector<std::string> m_paths;
    size_t m_cursor = 0;
    std::unique_ptr<HidEnumerator> m_enumerator;

    // Open parameters, kept for re-opening.
    HidAccess m_access = HidAccess::None;
    HidSharing m_sharing = HidSharing::Shared;
    std::string m_path;

    // The open interface.
    HidNodeKind m_nodeKind = HidNodeKind::Hidraw;
    platform::UniqueFd m_fd;
    bool m_open = false;
    std::shared_ptr<const HidReportDescriptor> m_descriptor;
    const HidCollection* m_collection = nullptr;
    bool m_prefixReportId = false;  // hidraw hands reports over without an id
    HidCaps m_caps;
    HidAttributes m_attributes;
    uint16_t m_interfaceNumber = 0;
    uint16_t m_collectionNumber = 0;
    std::array<std::vector<uint8_t>, kHidReportKinds> m_buffers;
    std::array<std::vector<HidReportItem>, kHidReportKinds> m_items;
    std::vector<uint8_t> m_readBuffer;   // one whole report as it arrives
    std::vector<uint8_t> m_writeBuffer;  // the report padded to its length

    // Cancellation: Close sets the cancel fd and waits until no call is inside.
    platform::UniqueFd m_cancelFd;
    mutable std::mutex m_mutex;
    std::condition_variable m_idle;
    int m_busy = 0;
    bool m_closing = false;
    bool m_readPending = false;
    bool m_writePending = false;
    platform::Error m_openError;
    platform::Error m_readError;
    platform::Error m_writeError;
};

}  // namespace transport
