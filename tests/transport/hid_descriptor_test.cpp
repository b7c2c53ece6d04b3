#include "transport/hid_descriptor.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "transport/hid_test_descriptors.h"

namespace transport {
namespace {

using testdata::Bytes;

HidReportDescriptor ParseOk(std::span<const uint8_t> bytes) {
    auto parsed = ParseReportDescriptor(bytes);
    EXPECT_TRUE(parsed.ok()) << (parsed.ok() ? "" : parsed.error().message);
    return parsed.ok() ? *parsed : HidReportDescriptor{};
}

// The usages of a button item's list up to its terminating 0.
std::vector<uint16_t> Usages(const HidReportItem& item) {
    std::vector<uint16_t> out;
    for (uint16_t u : item.usageList) {
        if (u == 0) {
            break;
        }
        out.push_back(u);
    }
    return out;
}

TEST(HidDescriptor, BootKeyboard) {
    const HidReportDescriptor d = ParseOk(testdata::kBootKeyboard);
    ASSERT_EQ(d.collections.size(), 1u);
    EXPECT_FALSE(d.usesReportIds);
    const HidCollection& c = d.collections[0];
    EXPECT_EQ(c.caps.usagePage, 0x01);
    EXPECT_EQ(c.caps.usage, 0x06);
    EXPECT_EQ(c.caps.inputReportByteLength, 9);   // 8 bytes and the id byte
    EXPECT_EQ(c.caps.outputReportByteLength, 2);  // 5 LED bits padded to a byte
    EXPECT_EQ(c.caps.featureReportByteLength, 0);
    EXPECT_EQ(c.caps.numberButtonCaps[0], 2);  // modifiers, key array
    EXPECT_EQ(c.caps.numberValueCaps[0], 0);
    EXPECT_EQ(c.caps.numberButtonCaps[1], 1);  // LEDs

    const auto& mods = c.buttonCaps[0][0];
    EXPECT_EQ(mods.usagePage, 0x07);
    EXPECT_TRUE(mods.isRange);
    EXPECT_EQ(mods.usageMin, 0xE0);
    EXPECT_EQ(mods.usageMax, 0xE7);
    const auto& leds = c.buttonCaps[1][0];
    EXPECT_EQ(leds.usagePage, 0x08);
    EXPECT_EQ(leds.usageMin, 1);
    EXPECT_EQ(leds.usageMax, 5);

    std::vector<HidReportItem> items = BuildReportItems(c, HidReportKind::Input);
    ASSERT_EQ(items.size(), 2u);
    // Room for every key usage a report can hold: 8 modifier bits and 6 keys.
    EXPECT_EQ(items[0].usageList.size(), 14u);

    // Left Shift held with A and B.
    const uint8_t report[] = {0x00, 0x02, 0x00, 0x04, 0x05, 0x00, 0x00, 0x00, 0x00};
    ASSERT_TRUE(UnpackReport(c, HidReportKind::Input, report, items));
    EXPECT_TRUE(items[0].isSet);
    EXPECT_EQ(Usages(items[0]), (std::vector<uint16_t>{0xE1}));
    EXPECT_EQ(Usages(items[1]), (std::vector<uint16_t>{0x04, 0x05}));
}

TEST(HidDescriptor, WheelMouseValuesAreSignedAndScaled) {
    const HidReportDescriptor d = ParseOk(testdata::kWheelMouse);
    ASSERT_EQ(d.collections.size(), 1u);  // the physical collection is nested
    const HidCollection& c = d.collections[0];
    EXPECT_EQ(c.caps.usage, 0x02);
    EXPECT_EQ(c.caps.inputReportByteLength, 5);
    ASSERT_EQ(c.valueCaps[0].size(), 3u);  // X, Y, Wheel: one usage each
    EXPECT_EQ(c.valueCaps[0][2].usageMin, 0x38);
    EXPECT_EQ(c.valueCaps[0][0].logicalMin, -127);

    std::vector<HidReportItem> items = BuildReportItems(c, HidReportKind::Input);
    ASSERT_EQ(items.size(), 4u);  // buttons, X, Y, Wheel
    const uint8_t report[] = {0x00, 0x05, 0xFE, 0x03, 0x81};
    ASSERT_TRUE(UnpackReport(c, HidReportKind::Input, report, items));
    EXPECT_EQ(Usages(items[0]), (std::vector<uint16_t>{1, 3}));
    EXPECT_EQ(items[1].usage, 0x30);
    EXPECT_EQ(items[1].rawValue, 0xFEu);
    EXPECT_EQ(items[1].scaledValue, -2);
    EXPECT_EQ(items[2].scaledValue, 3);
    EXPECT_EQ(items[3].scaledValue, -127);
    EXPECT_EQ(items[3].status, HidStatus::Success);
}

TEST(HidDescriptor, ShortReportStopsAtTheFirstMissingValue) {
    const HidCollection c = ParseOk(testdata::kWheelMouse).collections.at(0);
    std::vector<HidReportItem> items = BuildReportItems(c, HidReportKind::Input);
    const uint8_t report[] = {0x00, 0x01, 0x05};  // buttons and X only
    EXPECT_FALSE(UnpackReport(c, HidReportKind::Input, report, items));
    EXPECT_EQ(items[1].scaledValue, 5);
    EXPECT_EQ(items[2].status, HidStatus::ReportTooShort);
    EXPECT_FALSE(items[3].isSet);
}

TEST(HidDescriptor, CompositeInterfaceSplitsIntoCollections) {
    const HidReportDescriptor d = ParseOk(testdata::kCompositeInterface);
    EXPECT_TRUE(d.usesReportIds);
    ASSERT_EQ(d.collections.size(), 4u);
    struct Expect {
        uint16_t page, usage, in, out;
        uint8_t id;
    };
    const Expect expect[] = {
        {0x0001, 0x06, 15, 0, 1},   // 112 key bits
        {0x0001, 0x80, 2, 0, 2},    // 3 bits and padding
        {0x000C, 0x01, 3, 0, 3},    // one 16-bit code
        {0xFF1C, 0x92, 64, 64, 4},  // 63 bytes and the id byte
    };
    for (size_t i = 0; i < 4; ++i) {
        const HidCollection& c = d.collections[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(c.caps.usagePage, expect[i].page);
        EXPECT_EQ(c.caps.usage, expect[i].usage);
        EXPECT_EQ(c.caps.inputReportByteLength, expect[i].in);
        EXPECT_EQ(c.caps.outputReportByteLength, expect[i].out);
        EXPECT_EQ(c.reportIds[0], std::vector<uint8_t>{expect[i].id});
    }
}

TEST(HidDescriptor, ConsumerCodeIsTheFirstUsageOfTheFirstItem) {
    const HidCollection c = ParseOk(testdata::kCompositeInterface).collections.at(2);
    std::vector<HidReportItem> items = BuildReportItems(c, HidReportKind::Input);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_TRUE(items[0].isButton);
    EXPECT_EQ(items[0].usageMin, 0);
    EXPECT_EQ(items[0].usageMax, 0x0FFF);

    const uint8_t event[] = {0x03, 0x01, 0x04};
    ASSERT_TRUE(UnpackReport(c, HidReportKind::Input, event, items));
    EXPECT_EQ(items[0].usageList.at(0), 0x0401);

    // No key: the list is empty (ends at once).
    const uint8_t none[] = {0x03, 0x00, 0x00};
    ASSERT_TRUE(UnpackReport(c, HidReportKind::Input, none, items));
    EXPECT_EQ(items[0].usageList.at(0), 0);
}

TEST(HidDescriptor, ReportsOfOtherIdsLeaveItemsUntouched) {
    const HidCollection c = ParseOk(testdata::kCompositeInterface).collections.at(3);
    std::vector<HidReportItem> items = BuildReportItems(c, HidReportKind::Input);
    ASSERT_EQ(items.size(), 1u);  // one value usage (a 63-byte value array)
    EXPECT_FALSE(items[0].isButton);
    EXPECT_EQ(c.valueCaps[0].at(0).reportCount, 63);

    const uint8_t foreign[] = {0x03, 0x01, 0x04};
    EXPECT_TRUE(UnpackReport(c, HidReportKind::Input, foreign, items));
    EXPECT_FALSE(items[0].isSet);

    std::vector<uint8_t> frame(64, 0);
    frame[0] = 0x04;
    frame[1] = 0xAB;
    EXPECT_TRUE(UnpackReport(c, HidReportKind::Input, frame, items));
    EXPECT_TRUE(items[0].isSet);
    EXPECT_EQ(items[0].rawValue, 0xABu);
}

TEST(HidDescriptor, KindWithoutCapabilitiesHasNoItems) {
    const HidCollection c = ParseOk(testdata::kWheelMouse).collections.at(0);
    EXPECT_TRUE(BuildReportItems(c, HidReportKind::Output).empty());
    EXPECT_TRUE(BuildReportItems(c, HidReportKind::Feature).empty());
}

TEST(HidDescriptor, PaddingOnlyKindKeepsItsLength) {
    const uint8_t bytes[] = {
        0x06, 0x00, 0xFF,  // Usage Page (Vendor 0xFF00)
        0x09, 0x01,        // Usage (0x01)
        0xA1, 0x01,        // Collection (Application)
        0x75, 0x08,        //   Report Size (8)
        0x95, 0x08,        //   Report Count (8)
        0xB1, 0x01,        //   Feature (Constant): reserved bytes only
        0xC0,              // End Collection
    };
    const HidCollection c = ParseOk(bytes).collections.at(0);
    EXPECT_EQ(c.caps.featureReportByteLength, 9);
    EXPECT_TRUE(BuildReportItems(c, HidReportKind::Feature).empty());
}

TEST(HidDescriptor, PushAndPopRestoreGlobals) {
    const uint8_t bytes[] = {
        0x05, 0x01,  // Usage Page (Generic Desktop)
        0x09, 0x00,  // Usage (Undefined)
        0xA1, 0x01,  // Collection (Application)
        0x75, 0x08,  //   Report Size (8)
        0x95, 0x01,  //   Report Count (1)
        0x15, 0x00,  //   Logical Minimum (0)
        0x25, 0x64,  //   Logical Maximum (100)
        0xA4,        //   Push
        0x05, 0x09,  //   Usage Page (Button)
        0x75, 0x10,  //   Report Size (16)
        0x09, 0x07,  //   Usage (Button 7)
        0x81, 0x02,  //   Input (Data, Variable): 16-bit value on the button page
        0xB4,        //   Pop
        0x09, 0x30,  //   Usage (X): generic desktop again, 8 bits
        0x81, 0x02,  //   Input (Data, Variable)
        0xC0,        // End Collection
    };
    const HidCollection c = ParseOk(bytes).collections.at(0);
    ASSERT_EQ(c.valueCaps[0].size(), 2u);
    EXPECT_EQ(c.valueCaps[0][0].usagePage, 0x09);
    EXPECT_EQ(c.valueCaps[0][0].bitSize, 16);
    EXPECT_EQ(c.valueCaps[0][1].usagePage, 0x01);
    EXPECT_EQ(c.valueCaps[0][1].bitSize, 8);
    EXPECT_EQ(c.caps.inputReportByteLength, 4);
}

TEST(HidDescriptor, MalformedDescriptorsGiveErrors) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* error;
    };
    std::vector<uint8_t> deep;
    for (int i = 0; i < 65; ++i) {
        deep.insert(deep.end(), {0xA1, 0x00});
    }
    std::vector<uint8_t> pushes(17, 0xA4);
    const Case cases[] = {
        {"empty", {}, "empty"},
        {"truncated short item", {0x05, 0x01, 0x09}, "truncated item"},
        {"truncated four-byte item", {0x27, 0xFF, 0xFF}, "truncated item"},
        {"truncated long item", {0xFE, 0x05, 0x00, 0x01}, "truncated long item"},
        {"pop without push", {0xB4}, "pop without push"},
        {"push too deep", pushes, "push nested too deeply"},
        {"huge report count", {0x96, 0xFF, 0xFF}, "report count 65535"},
        {"huge report size", {0x77, 0x00, 0x00, 0x01, 0x00}, "report size 65536"},
        {"report longer than any buffer",
         {0xA1, 0x01, 0x75, 0xFF, 0x96, 0x00, 0x30, 0x81, 0x02, 0xC0},
         "longer than 16384"},
        {"report id 0", {0x85, 0x00}, "invalid report id 0"},
        {"report id above 255", {0x86, 0x00, 0x01}, "invalid report id 256"},
        {"end without collection", {0xC0}, "end collection without collection"},
        {"collection never closed", {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01}, "not closed"},
        {"no collection", {0x05, 0x01, 0x09, 0x06}, "no top-level collection"},
        {"usage maximum below minimum", {0x19, 0x10, 0x29, 0x05}, "below minimum"},
        {"usage maximum alone", {0x29, 0x05}, "without minimum"},
        {"collections too deep", deep, "nested too deeply"},
        {"too long", std::vector<uint8_t>(kHidMaxDescriptorSize + 1, 0), "longer than 4096"},
    };
    for (const Case& c : cases) {
        auto parsed = ParseReportDescriptor(c.bytes);
        ASSERT_FALSE(parsed.ok()) << c.name;
        EXPECT_NE(parsed.error().message.find(c.error), std::string::npos)
            << c.name << ": " << parsed.error().message;
    }
}

TEST(HidDescriptor, LongItemsAndPushLeftOpenAreTolerated) {
    std::vector<uint8_t> bytes = {0xFE, 0x02, 0x10, 0xAA, 0xBB, 0xA4};  // long item, push
    bytes.insert(bytes.end(), std::begin(testdata::kWheelMouse), std::end(testdata::kWheelMouse));
    EXPECT_TRUE(ParseReportDescriptor(bytes).ok());
}

// Every prefix and thousands of mutations of the real descriptors: the parser
// and the decoder either succeed or give an error, and never read out of
// bounds (the sanitizer builds check the latter).
TEST(HidDescriptor, SurvivesTruncationAndMutation) {
    const std::vector<std::vector<uint8_t>> seeds = {
        Bytes(testdata::kBootKeyboard), Bytes(testdata::kWheelMouse),
        Bytes(testdata::kCompositeInterface), Bytes(testdata::kVendorNoIds)};
    std::mt19937 rng(1234);
    std::vector<uint8_t> report(80);
    auto exercise = [&](const std::vector<uint8_t>& bytes) {
        auto parsed = ParseReportDescriptor(bytes);
        if (!parsed.ok()) {
            return;
        }
        for (const HidCollection& c : parsed->collections) {
            for (int k = 0; k < kHidReportKinds; ++k) {
                const auto kind = static_cast<HidReportKind>(k);
                std::vector<HidReportItem> items = BuildReportItems(c, kind);
                for (size_t len : {size_t{1}, size_t{3}, report.size()}) {
                    for (uint8_t& b : report) {
                        b = static_cast<uint8_t>(rng());
                    }
                    report[0] = c.reportIds[k].empty() ? 0 : c.reportIds[k][0];
                    UnpackReport(c, kind, std::span(report.data(), len), items);
                }
            }
        }
    };
    for (const auto& seed : seeds) {
        for (size_t n = 0; n <= seed.size(); ++n) {
            exercise(std::vector<uint8_t>(seed.begin(), seed.begin() + static_cast<ptrdiff_t>(n)));
        }
        for (int i = 0; i < 2000; ++i) {
            std::vector<uint8_t> m = seed;
            for (int flips = 1 + static_cast<int>(rng() % 3); flips > 0; --flips) {
                m[rng() % m.size()] = static_cast<uint8_t>(rng());
            }
            exercise(m);
        }
    }
}

}  // namespace
}  // namespace transport
