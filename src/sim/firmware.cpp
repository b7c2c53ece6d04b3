#include "sim/firmware.h"

#include <algorithm>

namespace sim {

namespace {

namespace fo = transport::frame_offset;
using transport::Command;
using transport::CommandFrame;

struct CommandRoute {
    Command command;
    Region region;
    bool write;
};

// Which memory each data command reaches.
constexpr CommandRoute kRoutes[] = {
    {Command::ReadDeviceInfo, Region::Info, false},
    {Command::ReadSettings, Region::Settings, false},
    {Command::WriteSettings, Region::Settings, true},
    {Command::ReadKeyTable, Region::KeyMatrix, false},
    {Command::WriteKeyTable, Region::KeyTable, true},
    {Command::WriteKeyTable2, Region::KeyTable2, true},
    {Command::WriteKeyTable3, Region::KeyTable3, true},
    {Command::ReadKeyTableShort, Region::LedTable, false},
    {Command::ReadPagedBlock, Region::Paged, false},
    {Command::WritePagedBlock, Region::Paged, true},
    {Command::StreamLightFrame, Region::LiveFrame, true},
    {Command::WriteMacroData, Region::Macro, true},
    {Command::WriteShootData, Region::Shoot, true},
    {Command::ReadStatus, Region::Status, false},
};

const CommandRoute* FindRoute(uint8_t code) {
    for (const CommandRoute& r : kRoutes) {
        if (static_cast<uint8_t>(r.command) == code) {
            return &r;
        }
    }
    return nullptr;
}

std::vector<uint8_t> Filled(std::size_t size, std::span<const uint8_t> initial) {
    std::vector<uint8_t> v(std::max(size, initial.size()), 0);
    std::copy(initial.begin(), initial.end(), v.begin());
    return v;
}

// An answer header: report id, echo of command, length and offset; status 0.
void StartAnswer(const CommandFrame& request, Reply::Report& out) {
    out.bytes.fill(0);
    out.bytes[fo::kReportId] = transport::kCommandReportId;
    for (std::size_t i = fo::kCommand; i < fo::kStatus; ++i) {
        out.bytes[i] = request[i];
    }
    out.length = transport::kFrameSize;
}

void SealAnswer(Reply::Report& out) {
    CommandFrame f{};
    std::copy_n(out.bytes.begin(), transport::kFrameSize, f.begin());
    transport::SealFrame(f);
    out.bytes[fo::kChecksumLow] = f[fo::kChecksumLow];
    out.bytes[fo::kChecksumHigh] = f[fo::kChecksumHigh];
}

}  // namespace

Firmware::Firmware(DeviceModel model) : m_model(std::move(model)) {
    const MemoryLayout& l = m_model.layout;
    auto at = [this](Region r) -> std::vector<uint8_t>& {
        return m_regions[static_cast<std::size_t>(r)];
    };
    at(Region::Info) = Filled(kDeviceInfoSize, m_model.info);
    at(Region::Settings) = Filled(l.settings, m_model.settings);
    at(Region::KeyMatrix) = Filled(l.keyTable, m_model.keyMatrix);
    at(Region::KeyTable) = Filled(l.keyTable, m_model.keyMatrix);
    at(Region::KeyTable2) = Filled(l.keyTable, {});
    at(Region::KeyTable3) = Filled(l.keyTable, {});
    at(Region::LedTable) = Filled(l.keyTable, m_model.ledTable);
    at(Region::Paged) = Filled(l.pagedBlocks, {});
    at(Region::LiveFrame) = Filled(l.liveFrame, {});
    at(Region::Macro) = Filled(m_model.MacroCapacity(), {});
    at(Region::Shoot) = Filled(l.shootData, {});
    at(Region::Status) = Filled(l.status, m_model.status);
}

Reply Firmware::HandleOutputReport(std::span<const uint8_t> report) {
    Reply reply;
    CommandFrame request{};
    const std::size_t n = std::min(report.size(), transport::kFrameSize);
    std::copy_n(report.begin(), n, request.begin());

    std::lock_guard lock(m_mutex);
    LoggedFrame logged{request, report.size(), transport::ChecksumMatches(request)};
    if (m_log.size() == kLogCapacity) {
        m_log.pop_front();
    }
    m_log.push_back(logged);
    ++m_received;
    // Only whole reports of the command collection are frames.
    if (report.size() < transport::kFrameSize ||
        request[fo::kReportId] != transport::kCommandReportId) {
        return reply;
    }
    const uint8_t command = request[fo::kCommand];
    if (const std::optional<Fault> fault = TakeFault(command)) {
        ApplyFault(*fault, request, reply);
        return reply;
    }
    Compose(request, reply);
    return reply;
}

void Firmware::Compose(const CommandFrame& request, Reply& reply) {
    Reply::Report& out = reply.reports[reply.count++];
    StartAnswer(request, out);
    const uint8_t command = request[fo::kCommand];

    if (!transport::ChecksumMatches(request)) {
        out.bytes[fo::kCommand] = transport::kAnswerRejected;
        SealAnswer(out);
        return;
    }
    if (m_model.receiver) {
        if (command == static_cast<uint8_t>(Command::CheckLink)) {
            out.bytes[fo::kPayload] = m_inReach ? transport::kLinkAlive : 0x00;
            SealAnswer(out);
            return;
        }
        if (!m_inReach) {
            out.bytes[fo::kCommand] = transport::kAnswerOutOfReach;
            SealAnswer(out);
            return;
        }
    }

    switch (static_cast<Command>(command)) {
        case Command::BeginTransfer:
            m_transferOpen = true;
            break;
        case Command::EndTransfer:
            m_transferOpen = false;
            break;
        case Command::EnableHostLighting:
            m_hostLighting = true;
            break;
        case Command::CheckLink:
            out.bytes[fo::kPayload] = transport::kLinkAlive;  // a cable is always linked
            break;
        default: {
            const CommandRoute* route = FindRoute(command);
            if (route == nullptr) {
                out.bytes[fo::kCommand] = transport::kAnswerRejected;
                break;
            }
            std::vector<uint8_t>& mem = m_regions[static_cast<std::size_t>(route->region)];
            const std::size_t length = request[fo::kLength];
            const std::size_t offset =
                static_cast<std::size_t>(request[fo::kOffsetLow] | request[fo::kOffsetHigh] << 8);
            if (length > transport::kMaxPayload || offset + length > mem.size()) {
                out.bytes[fo::kStatus] = transport::kAnswerRejected;
                break;
            }
            if (route->write) {
                std::copy_n(request.begin() + fo::kPayload, length, mem.begin() + offset);
            } else {
                std::copy_n(mem.begin() + offset, length, out.bytes.begin() + fo::kPayload);
            }
            break;
        }
    }
    SealAnswer(out);
}

void Firmware::ApplyFault(Fault fault, const CommandFrame& request, Reply& reply) {
    switch (fault) {
        case Fault::NoAnswer:
            return;
        case Fault::Unplug:
            reply.unplug = true;
            return;
        case Fault::Rejected:
        case Fault::StatusError:
        case Fault::SecondError:
        case Fault::OutOfReach: {
            Reply::Report& out = reply.reports[reply.count++];
            StartAnswer(request, out);
            if (fault == Fault::Rejected)
                out.bytes[fo::kCommand] = transport::kAnswerRejected;
            if (fault == Fault::StatusError)
                out.bytes[fo::kStatus] = transport::kAnswerRejected;
            if (fault == Fault::SecondError)
                out.bytes[fo::kStatus] = transport::kAnswerSecondError;
            if (fault == Fault::OutOfReach)
                out.bytes[fo::kCommand] = transport::kAnswerOutOfReach;
            SealAnswer(out);
            return;
        }
        default:
            break;
    }
    // The device did its work but its answer went wrong on the way.
    Compose(request, reply);
    Reply::Report& out = reply.reports[0];
    switch (fault) {
        case Fault::WrongEcho:
            out.bytes[fo::kCommand] = static_cast<uint8_t>(request[fo::kCommand] ^ 0x40);
            SealAnswer(out);
            break;
        case Fault::ShortReport:
            out.length = 5;
            break;
        case Fault::LongReport:
            std::fill(out.bytes.begin() + transport::kFrameSize, out.bytes.end(), 0xEE);
            out.length = out.bytes.size();
            break;
        case Fault::GarbageReport: {
            uint32_t x = 0x9E3779B9u ^ request[fo::kCommand];
            for (std::size_t i = 1; i < transport::kFrameSize; ++i) {
                x ^= x << 13;
                x ^= x >> 17;
                x ^= x << 5;
                out.bytes[i] = static_cast<uint8_t>(x);
            }
            // Noise that happens to look like an echo would be indistinguishable
            // from an answer; keep it recognisably foreign.
            if (out.bytes[fo::kCommand] == request[fo::kCommand]) {
                out.bytes[fo::kCommand] ^= 0x5A;
            }
            out.bytes[fo::kReportId] = transport::kCommandReportId;
            break;
        }
        case Fault::ForeignReport:
            out.bytes[fo::kReportId] = 0x03;
            break;
        case Fault::EchoThenAnswer: {
            reply.reports[1] = out;
            reply.count = 2;
            out.bytes[fo::kCommand] =
                static_cast<uint8_t>(Command::ReadStatus) == request[fo::kCommand]
                    ? static_cast<uint8_t>(Command::BeginTransfer)
                    : static_cast<uint8_t>(Command::ReadStatus);
            SealAnswer(out);
            break;
        }
        default:
            break;
    }
}

std::optional<Fault> Firmware::TakeFault(uint8_t command) {
    for (auto it = m_faults.begin(); it != m_faults.end(); ++it) {
        if (it->command && *it->command != command) {
            continue;
        }
        if (it->skip > 0) {
            --it->skip;
            return std::nullopt;
        }
        const Fault fault = it->fault;
        if (--it->count <= 0) {
            m_faults.erase(it);
        }
        return fault;
    }
    return std::nullopt;
}

void Firmware::SetInReach(bool inReach) {
    std::lock_guard lock(m_mutex);
    m_inReach = inReach;
}

bool Firmware::InReach() const {
    std::lock_guard lock(m_mutex);
    return m_inReach;
}

void Firmware::InjectFault(FaultRule rule) {
    std::lock_guard lock(m_mutex);
    m_faults.push_back(rule);
}

void Firmware::ClearFaults() {
    std::lock_guard lock(m_mutex);
    m_faults.clear();
}

std::vector<LoggedFrame> Firmware::ReceivedFrames() const {
    std::lock_guard lock(m_mutex);
    return {m_log.begin(), m_log.end()};
}

std::size_t Firmware::ReceivedCount() const {
    std::lock_guard lock(m_mutex);
    return m_received;
}

void Firmware::ClearLog() {
    std::lock_guard lock(m_mutex);
    m_log.clear();
    m_received = 0;
}

std::vector<uint8_t> Firmware::ReadRegion(Region region, std::size_t offset,
                                          std::size_t length) const {
    std::lock_guard lock(m_mutex);
    const std::vector<uint8_t>& mem = m_regions[static_cast<std::size_t>(region)];
    if (offset >= mem.size()) {
        return {};
    }
    length = std::min(length, mem.size() - offset);
    return {mem.begin() + static_cast<std::ptrdiff_t>(offset),
            mem.begin() + static_cast<std::ptrdiff_t>(offset + length)};
}

void Firmware::WriteRegion(Region region, std::size_t offset, std::span<const uint8_t> data) {
    std::lock_guard lock(m_mutex);
    std::vector<uint8_t>& mem = m_regions[static_cast<std::size_t>(region)];
    if (offset >= mem.size()) {
        return;
    }
    const std::size_t n = std::min(data.size(), mem.size() - offset);
    std::copy_n(data.begin(), n, mem.begin() + static_cast<std::ptrdiff_t>(offset));
}

std::size_t Firmware::RegionSize(Region region) const {
    std::lock_guard lock(m_mutex);
    return m_regions[static_cast<std::size_t>(region)].size();
}

bool Firmware::TransferOpen() const {
    std::lock_guard lock(m_mutex);
    return m_transferOpen;
}

bool Firmware::HostLightingEnabled() const {
    std::lock_guard lock(m_mutex);
    return m_hostLighting;
}

}  // namespace sim
