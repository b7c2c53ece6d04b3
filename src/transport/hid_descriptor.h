#pragma once

// Our own HID report-descriptor parser and report decoder. A descriptor is
// split into its top-level collections; each gets the capabilities, the
// button and value capabilities per report kind and the fields needed to
// decode its reports. Everything that comes from the device is range-checked:
// a malformed descriptor gives an error, never a crash or an over-read.
//
// Reports handed to the decoder always carry the report id in byte 0 (0 for a
// descriptor without report ids); bit offsets below count from byte 1.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/result.h"

namespace transport {

enum class HidReportKind : uint8_t { Input = 0, Output = 1, Feature = 2 };
inline constexpr int kHidReportKinds = 3;

// Limits on what a descriptor may declare. A descriptor beyond them is refused.
inline constexpr size_t kHidMaxDescriptorSize = 4096;   // HID_MAX_DESCRIPTOR_SIZE
inline constexpr uint32_t kHidMaxReportSizeBits = 256;  // bits of one field
inline constexpr uint32_t kHidMaxReportCount = 12288;   // fields of one main item
inline constexpr uint32_t kHidMaxReportBytes = 16384;   // one report, id byte included
inline constexpr int kHidMaxGlobalStack = 16;           // push depth
inline constexpr int kHidMaxCollectionDepth = 64;

// Main-item data bits (HID 1.11, 6.2.2.5).
inline constexpr uint16_t kHidConstant = 0x0001;
inline constexpr uint16_t kHidVariable = 0x0002;
inline constexpr uint16_t kHidRelative = 0x0004;
inline constexpr uint16_t kHidNullState = 0x0040;

// Result status of a report item, as the decoder leaves it.
enum class HidStatus : int32_t {
    Success = 0,
    NotSet,             // the report did not carry this item
    ReportTooShort,     // the item lies beyond the report's end
    ValueOutOfRange,    // raw value outside the logical range (no scaled value)
    BadLogicalPhysical  // logical or physical range unusable for scaling
};

// Capabilities of one top-level collection. Byte lengths include the report
// id byte and are 0 for a kind the collection has no reports of.
struct HidCaps {
    uint16_t usage = 0;
    uint16_t usagePage = 0;
    uint16_t inputReportByteLength = 0;
    uint16_t outputReportByteLength = 0;
    uint16_t featureReportByteLength = 0;
    std::array<uint16_t, kHidReportKinds> numberButtonCaps{};
    std::array<uint16_t, kHidReportKinds> numberValueCaps{};
};

struct HidAttributes {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t versionNumber = 0;
};

// A run of usages; extended usages: page in the high 16 bits, id in the low.
struct HidUsageRange {
    uint32_t min = 0;
    uint32_t max = 0;
};

// One data main item (Input, Output or Feature) as laid out in its report.
struct HidField {
    HidReportKind kind = HidReportKind::Input;
    uint8_t reportId = 0;
    uint16_t flags = 0;      // main-item data bits
    uint32_t bitOffset = 0;  // from byte 1 of the report
    uint16_t bitSize = 0;
    uint16_t count = 0;
    int32_t logicalMin = 0;
    int32_t logicalMax = 0;
    int32_t physicalMin = 0;
    int32_t physicalMax = 0;
    uint32_t unit = 0;
    int8_t unitExponent = 0;
    std::vector<HidUsageRange> usages;  // local usages in declaration order

    bool IsConstant() const { return (flags & kHidConstant) != 0; }
    bool IsArray() const { return (flags & kHidVariable) == 0; }
};

// A button capability: an array item, or a run of one-bit variable fields.
struct HidButtonCaps {
    uint16_t usagePage = 0;
    uint8_t reportId = 0;
    uint16_t bitField = 0;
    bool isRange = false;
    uint16_t usageMin = 0;  // equal to usageMax when not a range
    uint16_t usageMax = 0;
    int32_t logicalMin = 0;
    int32_t logicalMax = 0;
    uint32_t fieldIndex = 0;  // into HidCollection::fields
};

// A value capability: a run of multi-bit variable fields, one usage each.
struct HidValueCaps {
    uint16_t usagePage = 0;
    uint8_t reportId = 0;
    uint16_t bitField = 0;
    bool isRange = false;
    uint16_t usageMin = 0;
    uint16_t usageMax = 0;
    uint16_t bitSize = 0;
    uint16_t reportCount = 0;
    int32_t logicalMin = 0;
    int32_t logicalMax = 0;
    int32_t physicalMin = 0;
    int32_t physicalMax = 0;
    uint32_t unit = 0;
    int8_t unitExponent = 0;
    bool hasNull = false;
    uint32_t fieldIndex = 0;  // into HidCollection::fields
    uint16_t firstSlot = 0;   // slot of usageMin within that field
};

// One top-level collection, numbered 1, 2, ... in descriptor order.
struct HidCollection {
    uint8_t collectionType = 0;  // 1 = application
    HidCaps caps;
    // Distinct report ids per kind, in order of appearance (0 without ids).
    std::array<std::vector<uint8_t>, kHidReportKinds> reportIds;
    std::array<std::vector<HidButtonCaps>, kHidReportKinds> buttonCaps;
    std::array<std::vector<HidValueCaps>, kHidReportKinds> valueCaps;
    std::vector<HidField> fields;

    bool HasReportId(HidReportKind kind, uint8_t id) const;
};

struct HidReportDescriptor {
    bool usesReportIds = false;
    std::vector<HidCollection> collections;
};

platform::Result<HidReportDescriptor> ParseReportDescriptor(std::span<const uint8_t> bytes);

// One decoded item of a report: one per button capability and one per usage
// of each value capability. Button items keep a usage list with room for
// every usage of their page that the report can hold at once; the list ends
// with a 0 when shorter than its room.
struct HidReportItem {
    bool isButton = false;
    HidStatus status = HidStatus::NotSet;
    uint16_t usagePage = 0;
    uint8_t reportId = 0;
    bool isSet = false;
    // Button data.
    uint16_t usageMin = 0;
    uint16_t usageMax = 0;
    std::vector<uint16_t> usageList;
    // Value data.
    uint16_t usage = 0;
    uint32_t rawValue = 0;
    int32_t scaledValue = 0;
    // Which capability the item came from.
    uint32_t capsIndex = 0;
};

// Builds the report items of one kind of a collection (button items first).
std::vector<HidReportItem> BuildReportItems(const HidCollection& collection, HidReportKind kind);

// Decodes one report (report id in byte 0) into items built for it. Items of
// other report ids are left untouched. Allocates nothing. false when a value
// item lies beyond the end of the report, as the decode stops there.
bool UnpackReport(const HidCollection& collection, HidReportKind kind,
                  std::span<const uint8_t> report, std::span<HidReportItem> items);

}  // namespace transport
