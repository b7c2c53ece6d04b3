#pragma once

// Virtual HID endpoints: a simulated device served as a Unix SOCK_SEQPACKET
// socket, one message per report, that CHidChannel enumerates and opens
// exactly as it does a hidraw node (paths "vhid:<socket>#vid_...").
//
// Wire format. On connect the endpoint sends one handshake message:
//   bytes 0..5   "QVHID1"
//   bytes 6..7   bus (little-endian), 8..9 vendor id, 10..11 product id,
//   bytes 12..13 version number, 14..15 interface number,
//   bytes 16..17 descriptor length n, then n descriptor bytes.
// After it, every message either way is one report with the report id in
// byte 0 (0 when the descriptor has no report ids). Input reports go to every
// connected host, as hidraw gives every open file each report.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/result.h"
#include "platform/unique_fd.h"

namespace transport {

inline constexpr char kVirtualHidMagic[6] = {'Q', 'V', 'H', 'I', 'D', '1'};
inline constexpr size_t kVirtualHidHeaderSize = 18;

struct VirtualHidIdentity {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t interfaceNumber = 0;
    uint16_t versionNumber = 0x0100;
    uint16_t bus = 0x0003;  // USB
};

// The handshake message of an identity and descriptor.
std::vector<uint8_t> EncodeVirtualHidHandshake(const VirtualHidIdentity& identity,
                                               std::span<const uint8_t> descriptor);
struct VirtualHidHandshake {
    VirtualHidIdentity identity;
    std::vector<uint8_t> descriptor;
};
platform::Result<VirtualHidHandshake> DecodeVirtualHidHandshake(std::span<const uint8_t> message);

// The host side: connects to an endpoint's socket and reads its handshake,
// waiting at most `timeoutMs` for it.
struct VirtualHidConnection {
    platform::UniqueFd fd;
    VirtualHidHandshake handshake;
};
platform::Result<VirtualHidConnection> ConnectVirtualHid(const std::filesystem::path& socketPath,
                                                         int timeoutMs);

// The device side of one virtual interface. It serves its socket on a thread
// of its own; destroying it unplugs the device and joins that thread.
class VirtualHidEndpoint {
public:
    // Called on the endpoint's thread for each output report a host writes
    // (report id in byte 0). It may call SendInputReport, Unplug and Replug.
    using OutputHandler = std::function<void(std::span<const uint8_t> report)>;

    // Creates the socket (replacing a stale one left by a crashed server) and
    // starts serving. The folder must exist.
    static platform::Result<std::unique_ptr<VirtualHidEndpoint>> Create(
        VirtualHidIdentity identity, std::vector<uint8_t> descriptor,
        std::filesystem::path socketPath, OutputHandler onOutput);

    // <runtime folder>/vhid, created (0700) when missing.
    static platform::Result<std::filesystem::path> DefaultFolder();

    ~VirtualHidEndpoint();
    VirtualHidEndpoint(const VirtualHidEndpoint&) = delete;
    VirtualHidEndpoint& operator=(const VirtualHidEndpoint&) = delete;

    const VirtualHidIdentity& Identity() const;
    const std::filesystem::path& SocketPath() const;
    // The interface path of one collection (1, 2, ... in descriptor order; 0
    // for an interface with a single collection).
    std::string InterfacePath(uint16_t collectionNumber) const;

    // Sends one input report (report id in byte 0) to every connected host.
    // A host that does not read loses reports once its queue is full, as with
    // hidraw. Fails only when the device is unplugged.
    platform::Status SendInputReport(std::span<const uint8_t> report);

    // Unplug: every host sees the device go away and the socket disappears
    // until Replug. Both may be called from any thread, the handler included.
    void Unplug();
    platform::Status Replug();
    bool IsPlugged() const;
    // Hosts connected now (enumeration probes come and go).
    size_t HostCount() const;

private:
    struct Impl;
    explicit VirtualHidEndpoint(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

}  // namespace transport
