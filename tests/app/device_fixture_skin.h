#pragma once

// Small layouts of our own for the device selector's items and the four
// device pages, written into a skin folder for tests and benchmarks. They
// carry the control names the main window relies on and nothing more.

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace testsupport {

namespace fs = std::filesystem;

inline void WriteFixtureFile(const fs::path& path, std::string_view text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

inline void WriteDeviceFixtureLayouts(const fs::path& skin) {
    WriteFixtureFile(skin / "XML/CustomControlXML/DeviceOption.xml", R"(<DeviceOption width="140">
  <Option name="device_select" width="64"/>
  <Option name="synchro_device_select" width="16"/>
  <Label name="device_select_name" width="60"/>
</DeviceOption>)");
    WriteFixtureFile(skin / "XML/CustomControlXML/MpDevicePower.xml", R"(<MpDevicePower>
  <HorizontalLayout name="device_power_Layout">
    <Label name="device_power_value" width="40"/>
    <Control name="device_wuxian_logo" width="16"/>
    <Control name="device_power_status" width="16"/>
    <Progress name="device_Power_progress" width="40"/>
  </HorizontalLayout>
  <Control name="device_phone_type" width="16"/>
</MpDevicePower>)");
    const char* pages[][2] = {{"mousedevice.xml", "NorvalisMouseDevice"},
                              {"keyboarddevice.xml", "NorvalisKeyboardDevice"},
                              {"mousepaddevice.xml", "NorvalisMousePadDevice"},
                              {"do6533device.xml", "NorvalisDO6533Device"}};
    for (const auto& page : pages) {
        WriteFixtureFile(skin / "XML/DeviceXml" / page[0], std::string("<") + page[1] + R"(>
  <SelectPanel name="picture">
    <DeviceKeyButton name="key_0" userdata="light_0"/>
    <DeviceKeyButton name="key_1" userdata="light_1"/>
  </SelectPanel>
</)" + page[1] + ">");
    }
}

}  // namespace testsupport
