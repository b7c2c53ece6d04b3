#include "transport/hid_descriptor.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <map>
#include <string>
#include <utility>

namespace transport {
namespace {

using platform::Error;

enum ItemType : uint8_t { kMain = 0, kGlobal = 1, kLocal = 2, kReserved = 3 };

enum MainTag : uint8_t {
    kInput = 0x8,
    kOutput = 0x9,
    kCollection = 0xA,
    kFeature = 0xB,
    kEndCollection = 0xC,
};

enum GlobalTag : uint8_t {
    kUsagePage = 0x0,
    kLogicalMinimum = 0x1,
    kLogicalMaximum = 0x2,
    kPhysicalMinimum = 0x3,
    kPhysicalMaximum = 0x4,
    kUnitExponent = 0x5,
    kUnit = 0x6,
    kReportSize = 0x7,
    kReportId = 0x8,
    kReportCount = 0x9,
    kPush = 0xA,
    kPop = 0xB,
};

enum LocalTag : uint8_t {
    kUsage = 0x0,
    kUsageMinimum = 0x1,
    kUsageMaximum = 0x2,
};

constexpr uint8_t kLongItemPrefix = 0xFE;

// A number as the item carries it: its raw bits and its size in bytes.
struct ItemValue {
    uint32_t raw = 0;
    uint8_t size = 0;

    int32_t Signed() const {
        switch (size) {
            case 1:
                return static_cast<int8_t>(raw);
            case 2:
                return static_cast<int16_t>(raw);
            case 4:
                return static_cast<int32_t>(raw);
            default:
                return 0;
        }
    }
};

// Minimum and maximum of a range whose maximum is unsigned unless the minimum
// is negative, as devices write "Logical Maximum (255)" in one byte.
std::pair<int32_t, int32_t> ResolveRange(ItemValue min, ItemValue max) {
    const int32_t lo = min.Signed();
    if (lo < 0) {
        return {lo, max.Signed()};
    }
    const uint32_t hi = max.raw;
    return {lo, hi > static_cast<uint32_t>(std::numeric_limits<int32_t>::max())
                    ? std::numeric_limits<int32_t>::max()
                    : static_cast<int32_t>(hi)};
}

struct Globals {
    uint16_t usagePage = 0;
    ItemValue logicalMin, logicalMax, physicalMin, physicalMax;
    int8_t unitExponent = 0;
    uint32_t unit = 0;
    uint32_t reportSize = 0;
    uint8_t reportId = 0;
    uint32_t reportCount = 0;
};

struct LocalUsage {
    uint32_t min = 0;
    uint32_t max = 0;
    bool extended = false;  // the page came with the usage
};

Error Malformed(const std::string& what, size_t offset) {
    char where[32];
    std::snprintf(where, sizeof where, " (at byte %zu)", offset);
    return Error{"malformed report descriptor: " + what + where, 0};
}

size_t KindIndex(HidReportKind kind) {
    return static_cast<size_t>(kind);
}

// Usage at a position of a field's flattened usage list; the last usage
// repeats past the end of the list. false when the list is empty.
bool UsageAtSlot(const std::vector<HidUsageRange>& usages, uint32_t slot, uint32_t& usage,
                 bool repeatLast) {
    for (const HidUsageRange& r : usages) {
        const uint64_t len = uint64_t{r.max} - r.min + 1;
        if (slot < len) {
            usage = r.min + slot;
            return true;
        }
        slot -= static_cast<uint32_t>(len);
    }
    if (repeatLast && !usages.empty()) {
        usage = usages.back().max;
        return true;
    }
    return false;
}

// `bits` bits (at most 32 are kept) at `bitOffset` of the report data (which
// starts at byte 1). Bits beyond the report read as zero.
uint32_t ExtractBits(std::span<const uint8_t> report, uint32_t bitOffset, uint32_t bits) {
    uint32_t value = 0;
    const uint32_t keep = std::min<uint32_t>(bits, 32);
    const uint64_t available = report.size() > 1 ? (uint64_t{report.size()} - 1) * 8 : 0;
    for (uint32_t i = 0; i < keep; ++i) {
        const uint64_t bit = uint64_t{bitOffset} + i;
        if (bit >= available) {
            break;
        }
        if ((report[1 + bit / 8] >> (bit % 8)) & 1U) {
            value |= 1U << i;
        }
    }
    return value;
}

int32_t SignExtend(uint32_t value, uint32_t bits) {
    if (bits == 0 || bits >= 32) {
        return static_cast<int32_t>(value);
    }
    const uint32_t sign = 1U << (bits - 1);
    return static_cast<int32_t>((value ^ sign) - sign);
}

int32_t FieldValue(const HidField& f, uint32_t raw) {
    return f.logicalMin < 0 ? SignExtend(raw, f.bitSize) : static_cast<int32_t>(raw);
}

bool IsButtonField(const HidField& f) {
    return f.IsArray() || f.bitSize == 1;
}

class Parser {
public:
    explicit Parser(std::span<const uint8_t> bytes) : m_bytes(bytes) {}

    platform::Result<HidReportDescriptor> Run();

private:
    platform::Status Global(uint8_t tag, ItemValue v, size_t at);
    platform::Status Local(uint8_t tag, ItemValue v, size_t at);
    platform::Status Main(uint8_t tag, ItemValue v, size_t at);
    platform::Status DataItem(HidReportKind kind, uint16_t flags, size_t at);
    void FinishCollections();

    std::span<const uint8_t> m_bytes;
    Globals m_globals;
    std::vector<Globals> m_stack;
    std::vector<LocalUsage> m_usages;
    bool m_haveUsageMin = false;
    LocalUsage m_usageMin;
    int m_depth = 0;
    HidReportDescriptor m_out;
    // Bits used so far per (kind, report id), over the whole descriptor.
    std::map<std::pair<int, int>, uint32_t> m_reportBits;
};

platform::Result<HidReportDescriptor> Parser::Run() {
    if (m_bytes.empty()) {
        return Malformed("empty", 0);
    }
    if (m_bytes.size() > kHidMaxDescriptorSize) {
        return Malformed("longer than " + std::to_string(kHidMaxDescriptorSize) + " bytes", 0);
    }
    size_t pos = 0;
    while (pos < m_bytes.size()) {
        const size_t at = pos;
        const uint8_t prefix = m_bytes[pos++];
        if (prefix == kLongItemPrefix) {
            // Long items carry no meaning for report layout; skip them whole.
            if (m_bytes.size() - pos < 2) {
                return Malformed("truncated long item", at);
            }
            const size_t len = m_bytes[pos];
            pos += 2;
            if (m_bytes.size() - pos < len) {
                return Malformed("truncated long item", at);
            }
            pos += len;
            continue;
        }
        static constexpr uint8_t kSizes[4] = {0, 1, 2, 4};
        const uint8_t size = kSizes[prefix & 3];
        if (m_bytes.size() - pos < size) {
            return Malformed("truncated item", at);
        }
        ItemValue v;
        v.size = size;
        for (uint8_t i = 0; i < size; ++i) {
            v.raw |= uint32_t{m_bytes[pos + i]} << (8 * i);
        }
        pos += size;
        const uint8_t type = (prefix >> 2) & 3;
        const uint8_t tag = prefix >> 4;
        platform::Status st;
        switch (type) {
            case kMain:
                st = Main(tag, v, at);
                break;
            case kGlobal:
                st = Global(tag, v, at);
                break;
            case kLocal:
                st = Local(tag, v, at);
                break;
            default:
                break;  // reserved item type: ignored
        }
        if (!st) {
            return st.error();
        }
    }
    if (m_depth != 0) {
        return Malformed("collection not closed at the end", m_bytes.size());
    }
    if (m_out.collections.empty()) {
        return Malformed("no top-level collection", m_bytes.size());
    }
    FinishCollections();
    return std::move(m_out);
}

platform::Status Parser::Global(uint8_t tag, ItemValue v, size_t at) {
    switch (tag) {
        case kUsagePage:
            m_globals.usagePage = static_cast<uint16_t>(v.raw);
            break;
        case kLogicalMinimum:
            m_globals.logicalMin = v;
            break;
        case kLogicalMaximum:
            m_globals.logicalMax = v;
            break;
        case kPhysicalMinimum:
            m_globals.physicalMin = v;
            break;
        case kPhysicalMaximum:
            m_globals.physicalMax = v;
            break;
        case kUnitExponent: {
            // A four-bit two's complement nibble.
            const uint32_t nibble = v.raw & 0xF;
            m_globals.unitExponent = static_cast<int8_t>(nibble >= 8 ? int(nibble) - 16 : nibble);
            break;
        }
        case kUnit:
            m_globals.unit = v.raw;
            break;
        case kReportSize:
            if (v.raw > kHidMaxReportSizeBits) {
                return Malformed("report size " + std::to_string(v.raw) + " too large", at);
            }
            m_globals.reportSize = v.raw;
            break;
        case kReportId:
            if (v.raw == 0 || v.raw > 255) {
                return Malformed("invalid report id " + std::to_string(v.raw), at);
            }
            m_globals.reportId = static_cast<uint8_t>(v.raw);
            m_out.usesReportIds = true;
            break;
        case kReportCount:
            if (v.raw > kHidMaxReportCount) {
                return Malformed("report count " + std::to_string(v.raw) + " too large", at);
            }
            m_globals.reportCount = v.raw;
            break;
        case kPush:
            if (m_stack.size() >= static_cast<size_t>(kHidMaxGlobalStack)) {
                return Malformed("push nested too deeply", at);
            }
            m_stack.push_back(m_globals);
            break;
        case kPop:
            if (m_stack.empty()) {
                return Malformed("pop without push", at);
            }
            m_globals = m_stack.back();
            m_stack.pop_back();
            break;
        default:
            break;
    }
    return {};
}

platform::Status Parser::Local(uint8_t tag, ItemValue v, size_t at) {
    const bool extended = v.size == 4;
    switch (tag) {
        case kUsage:
            m_usages.push_back({v.raw, v.raw, extended});
            break;
        case kUsageMinimum:
            m_usageMin = {v.raw, v.raw, extended};
            m_haveUsageMin = true;
            break;
        case kUsageMaximum: {
            if (!m_haveUsageMin) {
                return Malformed("usage maximum without minimum", at);
            }
            LocalUsage range = m_usageMin;
            // Both ends on the page of the minimum.
            const uint32_t page = extended ? (v.raw & 0xFFFF0000U) : (range.min & 0xFFFF0000U);
            uint32_t max = extended ? v.raw : (range.min & 0xFFFF0000U) | (v.raw & 0xFFFF);
            if (range.extended && page != (range.min & 0xFFFF0000U)) {
                max = range.min | 0xFFFF;
            }
            if (!range.extended && extended) {
                // Minimum given without a page: it takes the page of the maximum.
                range.min = page | (range.min & 0xFFFF);
                range.extended = true;
            }
            if ((max & 0xFFFF) < (range.min & 0xFFFF)) {
                return Malformed("usage maximum below minimum", at);
            }
            range.max = max;
            m_usages.push_back(range);
            m_haveUsageMin = false;
            break;
        }
        default:
            break;  // designators, strings, delimiters: no effect on reports
    }
    return {};
}

platform::Status Parser::Main(uint8_t tag, ItemValue v, size_t at) {
    platform::Status st;
    switch (tag) {
        case kCollection: {
            if (m_depth >= kHidMaxCollectionDepth) {
                return Malformed("collections nested too deeply", at);
            }
            if (m_depth == 0) {
                HidCollection c;
                c.collectionType = static_cast<uint8_t>(v.raw);
                if (!m_usages.empty()) {
                    const LocalUsage& u = m_usages.front();
                    c.caps.usagePage =
                        u.extended ? static_cast<uint16_t>(u.min >> 16) : m_globals.usagePage;
                    c.caps.usage = static_cast<uint16_t>(u.min);
                } else {
                    c.caps.usagePage = m_globals.usagePage;
                }
                m_out.collections.push_back(std::move(c));
            }
            ++m_depth;
            break;
        }
        case kEndCollection:
            if (m_depth == 0) {
                return Malformed("end collection without collection", at);
            }
            --m_depth;
            break;
        case kInput:
            st = DataItem(HidReportKind::Input, static_cast<uint16_t>(v.raw), at);
            break;
        case kOutput:
            st = DataItem(HidReportKind::Output, static_cast<uint16_t>(v.raw), at);
            break;
        case kFeature:
            st = DataItem(HidReportKind::Feature, static_cast<uint16_t>(v.raw), at);
            break;
        default:
            break;
    }
    m_usages.clear();
    m_haveUsageMin = false;
    return st;
}

platform::Status Parser::DataItem(HidReportKind kind, uint16_t flags, size_t at) {
    const uint32_t bits = m_globals.reportSize * m_globals.reportCount;  // <= 256 * 12288
    uint32_t& used = m_reportBits[{static_cast<int>(kind), m_globals.reportId}];
    if (uint64_t{used} + bits > uint64_t{kHidMaxReportBytes - 1} * 8) {
        return Malformed("report " + std::to_string(m_globals.reportId) + " longer than " +
                             std::to_string(kHidMaxReportBytes) + " bytes",
                         at);
    }
    const uint32_t offset = used;
    used += bits;
    if (m_depth == 0 || bits == 0) {
        return {};  // outside any collection, or empty: nothing to deliver
    }
    // Padding counts towards the report's length but carries no data.
    HidCollection& c = m_out.collections.back();
    std::vector<uint8_t>& ids = c.reportIds[KindIndex(kind)];
    if (std::find(ids.begin(), ids.end(), m_globals.reportId) == ids.end()) {
        ids.push_back(m_globals.reportId);
    }
    if ((flags & kHidConstant) != 0) {
        return {};
    }
    HidField f;
    f.kind = kind;
    f.reportId = m_globals.reportId;
    f.flags = flags;
    f.bitOffset = offset;
    f.bitSize = static_cast<uint16_t>(m_globals.reportSize);
    f.count = static_cast<uint16_t>(m_globals.reportCount);
    std::tie(f.logicalMin, f.logicalMax) = ResolveRange(m_globals.logicalMin, m_globals.logicalMax);
    std::tie(f.physicalMin, f.physicalMax) =
        ResolveRange(m_globals.physicalMin, m_globals.physicalMax);
    f.unit = m_globals.unit;
    f.unitExponent = m_globals.unitExponent;
    const uint32_t page = uint32_t{m_globals.usagePage} << 16;
    for (const LocalUsage& u : m_usages) {
        if (u.extended) {
            f.usages.push_back({u.min, u.max});
        } else {
            f.usages.push_back({page | (u.min & 0xFFFF), page | (u.max & 0xFFFF)});
        }
    }
    if (f.usages.empty()) {
        f.usages.push_back({page, page});
    }
    c.fields.push_back(std::move(f));
    return {};
}

void Parser::FinishCollections() {
    for (HidCollection& c : m_out.collections) {
        for (uint32_t fi = 0; fi < c.fields.size(); ++fi) {
            const HidField& f = c.fields[fi];
            const size_t k = KindIndex(f.kind);
            if (f.IsArray()) {
                // One capability per usage run: an array's value picks a usage.
                for (const HidUsageRange& r : f.usages) {
                    HidButtonCaps b;
                    b.usagePage = static_cast<uint16_t>(r.min >> 16);
                    b.reportId = f.reportId;
                    b.bitField = f.flags;
                    b.usageMin = static_cast<uint16_t>(r.min);
                    b.usageMax = static_cast<uint16_t>(r.max);
                    b.isRange = r.min != r.max;
                    b.logicalMin = f.logicalMin;
                    b.logicalMax = f.logicalMax;
                    b.fieldIndex = fi;
                    c.buttonCaps[k].push_back(b);
                }
                continue;
            }
            // Variable fields: usage runs are laid over consecutive slots.
            uint32_t slot = 0;
            for (size_t ri = 0; ri < f.usages.size() && slot < f.count; ++ri) {
                const HidUsageRange& r = f.usages[ri];
                const uint32_t len = static_cast<uint32_t>(
                    std::min<uint64_t>(uint64_t{r.max} - r.min + 1, f.count - slot));
                const bool last = ri + 1 == f.usages.size();
                if (f.bitSize == 1) {
                    HidButtonCaps b;
                    b.usagePage = static_cast<uint16_t>(r.min >> 16);
                    b.reportId = f.reportId;
                    b.bitField = f.flags;
                    b.usageMin = static_cast<uint16_t>(r.min);
                    b.usageMax = static_cast<uint16_t>(r.min + len - 1);
                    b.isRange = len > 1;
                    b.logicalMin = f.logicalMin;
                    b.logicalMax = f.logicalMax;
                    b.fieldIndex = fi;
                    c.buttonCaps[k].push_back(b);
                } else {
                    HidValueCaps v;
                    v.usagePage = static_cast<uint16_t>(r.min >> 16);
                    v.reportId = f.reportId;
                    v.bitField = f.flags;
                    v.usageMin = static_cast<uint16_t>(r.min);
                    v.usageMax = static_cast<uint16_t>(r.min + len - 1);
                    v.isRange = len > 1;
                    v.bitSize = f.bitSize;
                    // A single last usage covers the remaining slots (a value array).
                    v.reportCount = static_cast<uint16_t>(last && len == 1 ? f.count - slot : len);
                    v.logicalMin = f.logicalMin;
                    v.logicalMax = f.logicalMax;
                    v.physicalMin = f.physicalMin;
                    v.physicalMax = f.physicalMax;
                    v.unit = f.unit;
                    v.unitExponent = f.unitExponent;
                    v.hasNull = (f.flags & kHidNullState) != 0;
                    v.fieldIndex = fi;
                    v.firstSlot = static_cast<uint16_t>(slot);
                    c.valueCaps[k].push_back(v);
                }
                slot += len;
            }
        }
        uint16_t* lengths[kHidReportKinds] = {&c.caps.inputReportByteLength,
                                              &c.caps.outputReportByteLength,
                                              &c.caps.featureReportByteLength};
        for (int k = 0; k < kHidReportKinds; ++k) {
            uint32_t longest = 0;
            for (uint8_t id : c.reportIds[k]) {
                const uint32_t bits = m_reportBits[{k, id}];
                longest = std::max(longest, (bits + 7) / 8 + 1);
            }
            *lengths[k] = static_cast<uint16_t>(longest);
            c.caps.numberButtonCaps[k] = static_cast<uint16_t>(c.buttonCaps[k].size());
            c.caps.numberValueCaps[k] = static_cast<uint16_t>(c.valueCaps[k].size());
        }
    }
}

// How many usages of `page` a report of `kind` can hold at once.
size_t MaxUsageListLength(const HidCollection& c, HidReportKind kind, uint16_t page) {
    size_t total = 0;
    const size_t k = KindIndex(kind);
    uint32_t lastArrayField = std::numeric_limits<uint32_t>::max();
    for (const HidButtonCaps& b : c.buttonCaps[k]) {
        if (b.usagePage != page) {
            continue;
        }
        const HidField& f = c.fields[b.fieldIndex];
        if (f.IsArray()) {
            if (b.fieldIndex != lastArrayField) {
                total += f.count;
                lastArrayField = b.fieldIndex;
            }
        } else {
            total += size_t{b.usageMax} - b.usageMin + 1;
        }
    }
    return total;
}

}  // namespace

bool HidCollection::HasReportId(HidReportKind kind, uint8_t id) const {
    const std::vector<uint8_t>& ids = reportIds[KindIndex(kind)];
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

platform::Result<HidReportDescriptor> ParseReportDescriptor(std::span<const uint8_t> bytes) {
    return Parser(bytes).Run();
}

std::vector<HidReportItem> BuildReportItems(const HidCollection& c, HidReportKind kind) {
    std::vector<HidReportItem> items;
    const size_t k = KindIndex(kind);
    for (uint32_t i = 0; i < c.buttonCaps[k].size(); ++i) {
        const HidButtonCaps& b = c.buttonCaps[k][i];
        HidReportItem item;
        item.isButton = true;
        item.usagePage = b.usagePage;
        item.reportId = b.reportId;
        item.usageMin = b.usageMin;
        item.usageMax = b.usageMax;
        item.usageList.assign(std::max<size_t>(1, MaxUsageListLength(c, kind, b.usagePage)), 0);
        item.status = HidStatus::Success;
        item.capsIndex = i;
        items.push_back(std::move(item));
    }
    for (uint32_t i = 0; i < c.valueCaps[k].size(); ++i) {
        const HidValueCaps& v = c.valueCaps[k][i];
        for (uint32_t u = v.usageMin; u <= v.usageMax; ++u) {
            HidReportItem item;
            item.usagePage = v.usagePage;
            item.reportId = v.reportId;
            item.usage = static_cast<uint16_t>(u);
            item.capsIndex = i;
            items.push_back(std::move(item));
        }
    }
    return items;
}

namespace {

// Fills `list` with the usages of `page` within [min, max] that the report
// sets, over every button field of the report id; a 0 ends a shorter list.
void CollectUsages(const HidCollection& c, HidReportKind kind, std::span<const uint8_t> report,
                   uint16_t page, uint16_t min, uint16_t max, std::span<uint16_t> list) {
    size_t n = 0;
    auto add = [&](uint32_t usage) {
        const uint16_t id = static_cast<uint16_t>(usage);
        if ((usage >> 16) != page || id == 0 || id < min || id > max || n >= list.size()) {
            return;
        }
        list[n++] = id;
    };
    const uint8_t reportId = report[0];
    for (const HidField& f : c.fields) {
        if (f.kind != kind || f.reportId != reportId || !IsButtonField(f)) {
            continue;
        }
        for (uint32_t slot = 0; slot < f.count; ++slot) {
            const uint32_t raw = ExtractBits(report, f.bitOffset + slot * f.bitSize, f.bitSize);
            uint32_t usage = 0;
            if (f.IsArray()) {
                const int32_t value = FieldValue(f, raw);
                if (value < f.logicalMin || value > f.logicalMax) {
                    continue;
                }
                if (UsageAtSlot(f.usages, static_cast<uint32_t>(int64_t{value} - f.logicalMin),
                                usage, false)) {
                    add(usage);
                }
            } else if (raw != 0 && UsageAtSlot(f.usages, slot, usage, true)) {
                add(usage);
            }
        }
    }
    if (n < list.size()) {
        list[n] = 0;
    }
}

HidStatus Scale(const HidField& f, int32_t value, int32_t& scaled) {
    int64_t pmin = f.physicalMin;
    int64_t pmax = f.physicalMax;
    if (pmin == 0 && pmax == 0) {
        pmin = f.logicalMin;
        pmax = f.logicalMax;
    }
    if (f.logicalMax <= f.logicalMin || pmax < pmin) {
        return HidStatus::BadLogicalPhysical;
    }
    if (value < f.logicalMin || value > f.logicalMax) {
        return HidStatus::ValueOutOfRange;
    }
    const int64_t range = int64_t{f.logicalMax} - f.logicalMin;
    scaled = static_cast<int32_t>(pmin + (int64_t{value} - f.logicalMin) * (pmax - pmin) / range);
    return HidStatus::Success;
}

}  // namespace

bool UnpackReport(const HidCollection& c, HidReportKind kind, std::span<const uint8_t> report,
                  std::span<HidReportItem> items) {
    if (report.empty()) {
        return false;
    }
    const size_t k = KindIndex(kind);
    const uint64_t availableBits = (uint64_t{report.size()} - 1) * 8;
    for (HidReportItem& item : items) {
        if (item.reportId != report[0]) {
            continue;
        }
        if (item.isButton) {
            if (item.capsIndex >= c.buttonCaps[k].size()) {
                continue;
            }
            CollectUsages(c, kind, report, item.usagePage, item.usageMin, item.usageMax,
                          item.usageList);
            item.status = HidStatus::Success;
        } else {
            if (item.capsIndex >= c.valueCaps[k].size()) {
                continue;
            }
            const HidValueCaps& v = c.valueCaps[k][item.capsIndex];
            const HidField& f = c.fields[v.fieldIndex];
            const uint32_t slot = v.firstSlot + (item.usage - v.usageMin);
            const uint64_t bit = uint64_t{f.bitOffset} + uint64_t{slot} * f.bitSize;
            if (bit + f.bitSize > availableBits) {
                item.status = HidStatus::ReportTooShort;
                return false;
            }
            item.rawValue = ExtractBits(report, static_cast<uint32_t>(bit), f.bitSize);
            item.status = Scale(f, FieldValue(f, item.rawValue), item.scaledValue);
        }
        item.isSet = true;
    }
    return true;
}

}  // namespace transport
