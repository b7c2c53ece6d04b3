// The device layouts of the skin: each builds with the program's controls,
// every picture it names is there, every text id it names is in both
// languages, and each device picture has every key and light exactly once,
// inside the picture and clear of the others.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <pugixml.hpp>
#include <set>
#include <string>
#include <vector>

#include "controls/device_picture.h"
#include "controls/picture_controls.h"
#include "devices/norvalis_usb_device.h"
#include "support/ui_harness.h"
#include "ui/builder.h"
#include "ui/container.h"
#include "ui/image.h"
#include "ui/resource_manager.h"

namespace {

namespace fs = std::filesystem;

const fs::path kSkin = QUILLON_SKIN_DIR;

fs::path SkinFile(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    return kSkin / name;
}

// Creates what the program's control table creates from these layouts' tags.
// The selector and power items are horizontal layouts of the device manager;
// a plain horizontal layout stands in for them here.
class DeviceTags : public ui::IDialogBuilderCallback {
public:
    std::unique_ptr<ui::CControlUI> CreateControl(std::string_view tag) override {
        for (const char* device : {"NorvalisKeyboardDevice", "NorvalisMouseDevice",
                                   "NorvalisMousePadDevice", "NorvalisDO6533Device"}) {
            if (ui::EqualsNoCase(tag, device))
                return std::make_unique<devices::CNorvalisUSBDevice>();
        }
        if (ui::EqualsNoCase(tag, "DeviceOption") || ui::EqualsNoCase(tag, "MpDevicePower"))
            return std::make_unique<ui::CHorizontalLayoutUI>();
        return controls::CreatePictureControl(tag);
    }
};

struct Picture {
    const char* layout;
    const char* panel;
    int keyCount;  // from the device layout table of the device manager
    int lightCount;
    std::set<int> keys;    // key positions the picture must show
    std::set<int> lights;  // lights it must show
};

std::set<int> Range(int first, int last, std::set<int> except = {}) {
    std::set<int> out;
    for (int i = first; i <= last; ++i) {
        if (!except.contains(i))
            out.insert(i);
    }
    return out;
}

const std::vector<Picture>& Pictures() {
    static const std::vector<Picture> pictures = {
        {"XML\\DeviceXml\\keyboarddevice.xml", "keyboard_device_key_light", 170, 170,
         Range(0, 125, {104}), Range(0, 125, {104})},
        {"XML\\DeviceXml\\mousedevice.xml", "mouse_device_key_light", 11, 15, Range(0, 10),
         Range(0, 14)},
        {"XML\\DeviceXml\\mousepaddevice.xml",
         "mousepad_device_key_light",
         0,
         15,
         {},
         Range(0, 14)},
        {"XML\\DeviceXml\\do6533device.xml", "do6533_device_key_light", 0, 13, {}, Range(0, 12)},
    };
    return pictures;
}

const char* const kItemLayouts[] = {"XML\\CustomControlXML\\DeviceOption.xml",
                                    "XML\\CustomControlXML\\MpDevicePower.xml"};

// "key_12" -> 12 for `prefix` "key_"; -1 otherwise.
int Numbered(const std::string& text, std::string_view prefix) {
    const size_t cut = text.rfind('_');
    if (cut == std::string::npos || !ui::EqualsNoCase(text.substr(0, cut + 1), prefix))
        return -1;
    const std::string digits = text.substr(cut + 1);
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), ::isdigit))
        return -1;
    return std::stoi(digits);
}

bool Overlap(const ui::UiRect& a, const ui::UiRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool Inside(const ui::UiRect& inner, const ui::UiRect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom && inner.right > inner.left && inner.bottom > inner.top;
}

// The values of the picture attributes (`...image="..."`) inside a style.
std::vector<std::string> StyleImages(const std::string& style) {
    std::vector<std::string> images;
    const std::string key = "image=\"";
    for (size_t at = style.find(key); at != std::string::npos; at = style.find(key, at)) {
        at += key.size();
        const size_t end = style.find('"', at);
        if (end == std::string::npos)
            break;
        images.push_back(style.substr(at, end - at));
        at = end + 1;
    }
    return images;
}

std::set<std::string> TextIds(const char* file) {
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_file(SkinFile(file).c_str())) << file;
    std::set<std::string> ids;
    for (pugi::xml_node text : doc.child("Language").children("Text"))
        ids.insert(text.attribute("id").value());
    return ids;
}

class DeviceLayoutsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::CPaintManagerUI::SetResourcePath(kSkin.string() + "/");
        ASSERT_TRUE(ui::CResourceManager::GetInstance()->LoadResource("res.xml"));
        std::string error;
        window = harness.CreateWindow("XML_MAIN", &error, {1000, 640});
        ASSERT_NE(window, nullptr) << error;
    }
    void TearDown() override {
        window.reset();
        ui::CResourceManager::GetInstance()->Release();
    }

    // Builds a layout as the device manager does and puts it where the main
    // window shows it.
    ui::CControlUI* Build(const char* layout, const char* into) {
        ui::CDialogBuilder builder;
        auto built = builder.Create(layout, &tags, &window->GetPaintManager());
        EXPECT_TRUE(built) << layout << ": " << (built ? "" : built.error().message);
        if (!built)
            return nullptr;
        auto* container = dynamic_cast<ui::CContainerUI*>(window->FindControl(into));
        EXPECT_NE(container, nullptr) << into;
        if (container == nullptr)
            return nullptr;
        ui::CControlUI* control = container->Add(std::move(*built));
        if (auto* tab = dynamic_cast<ui::CTabLayoutUI*>(container))
            tab->SelectItem(control);
        window->GetPaintManager().LayoutIfNeeded();
        return control;
    }

    testsupport::UiHarness harness;
    std::unique_ptr<testsupport::TestWindow> window;
    DeviceTags tags;
};

TEST_F(DeviceLayoutsTest, EveryLayoutBuildsWithTheProgramsControls) {
    for (const char* layout : kItemLayouts) {
        ui::CControlUI* item = Build(layout, "device_select_layout");
        ASSERT_NE(item, nullptr) << layout;
    }
    // The names the device manager looks for in its items.
    for (const char* name : {"device_select", "synchro_device_select", "device_select_name",
                             "device_power_Layout", "device_power_value", "device_wuxian_logo",
                             "device_power_status", "device_Power_progress", "device_phone_type"}) {
        EXPECT_NE(window->FindControl(name), nullptr) << name;
    }
    for (const Picture& picture : Pictures()) {
        ui::CControlUI* page = Build(picture.layout, "device_switch");
        ASSERT_NE(page, nullptr) << picture.layout;
        EXPECT_EQ(page->GetClass(), "NorvalisUSBDevice") << picture.layout;
    }
}

// Each picture shows every key and light of its device once, inside the
// picture, with no button over another; the device base finds them all.
TEST_F(DeviceLayoutsTest, PicturesHaveEveryKeyAndLightOnceAndApart) {
    for (const Picture& picture : Pictures()) {
        SCOPED_TRACE(picture.layout);
        auto* device =
            dynamic_cast<devices::CNorvalisUSBDevice*>(Build(picture.layout, "device_switch"));
        ASSERT_NE(device, nullptr);
        ui::CControlUI* panel =
            window->GetPaintManager().FindSubControlByName(device, picture.panel);
        ASSERT_NE(panel, nullptr);
        ASSERT_EQ(panel->GetClass(), ui::kSelectPanelClass);

        std::map<int, int> keys;
        std::map<int, int> lights;
        std::set<int> lightsByUserData;  // the ones the device base finds
        std::vector<ui::CControlUI*> buttons;
        for (int i = 0; i < panel->GetChildCount(); ++i) {
            ui::CControlUI* child = panel->GetChildAt(i);
            if (child->GetClass() != ui::kDeviceKeyButtonClass)
                continue;
            buttons.push_back(child);
            if (int n = Numbered(child->GetName(), "key_"); n >= 0)
                ++keys[n];
            int light = Numbered(child->GetUserData(), "light_");
            if (light >= 0)
                lightsByUserData.insert(light);
            else
                light = Numbered(child->GetName(), "light_");
            if (light >= 0)
                ++lights[light];
            EXPECT_TRUE(Inside(child->GetPos(), panel->GetPos())) << child->GetName();
        }
        for (size_t i = 0; i < buttons.size(); ++i) {
            for (size_t j = 0; j < i; ++j) {
                EXPECT_FALSE(Overlap(buttons[i]->GetPos(), buttons[j]->GetPos()))
                    << buttons[i]->GetName() << " over " << buttons[j]->GetName();
            }
        }
        std::set<int> keySet;
        for (auto [n, count] : keys) {
            EXPECT_EQ(count, 1) << "key_" << n;
            keySet.insert(n);
        }
        EXPECT_EQ(keySet, picture.keys);
        std::set<int> lightSet;
        for (auto [n, count] : lights) {
            EXPECT_EQ(count, 1) << "light_" << n;
            lightSet.insert(n);
        }
        EXPECT_EQ(lightSet, picture.lights);

        // What the device base makes of the picture.
        device->SetLayoutFileName(picture.layout);
        device->SetKeyCount(picture.keyCount);
        device->SetLightCount(picture.lightCount);
        device->InitDevicePage();
        EXPECT_EQ(device->GetPicturePanel(), panel);
        for (int n : picture.keys)
            EXPECT_NE(device->GetKeyButton(n), nullptr) << "key " << n;
        // The mouse's logo is a light by its name, which only the mouse's own scan reads.
        for (int n : lightsByUserData)
            EXPECT_NE(device->GetLightButton(n), nullptr) << "light " << n;
        EXPECT_GE(lightsByUserData.size() + 1, picture.lights.size());
    }
}

// Every picture a layout names (control attributes and styles) is in the
// skin, and every text id it names is in both language files.
TEST_F(DeviceLayoutsTest, LayoutsNameOnlyPicturesAndTextsThatExist) {
    const std::set<std::string> english = TextIds("lan_en.xml");
    const std::set<std::string> chinese = TextIds("lan_cn.xml");
    std::vector<const char*> layouts(std::begin(kItemLayouts), std::end(kItemLayouts));
    for (const Picture& picture : Pictures())
        layouts.push_back(picture.layout);

    int pictures = 0;
    for (const char* layout : layouts) {
        SCOPED_TRACE(layout);
        pugi::xml_document doc;
        ASSERT_TRUE(doc.load_file(SkinFile(layout).c_str()));
        auto checkImage = [&](const std::string& value) {
            auto image = ui::ParseImageDescription(value);
            ASSERT_TRUE(image) << value;
            if (image->IsEmpty())
                return;
            ++pictures;
            EXPECT_TRUE(fs::is_regular_file(SkinFile(image->file))) << image->file;
        };
        for (pugi::xpath_node found : doc.select_nodes("//*")) {
            pugi::xml_node node = found.node();
            const bool resourceText = node.attribute("resourcetext").as_bool();
            for (pugi::xml_attribute attr : node.attributes()) {
                const std::string name = attr.name();
                const std::string value = attr.value();
                if (name.size() >= 5 && ui::EqualsNoCase(name.substr(name.size() - 5), "image")) {
                    checkImage(value);
                } else if (std::string_view(node.name()) == "Style" && name == "value") {
                    for (const std::string& image : StyleImages(value))
                        checkImage(image);
                } else if (resourceText && (name == "text" || name == "tooltip") &&
                           !value.empty()) {
                    EXPECT_TRUE(english.contains(value)) << "en: " << value;
                    EXPECT_TRUE(chinese.contains(value)) << "cn: " << value;
                }
            }
        }
    }
    EXPECT_GT(pictures, 0);
}

// The pictures the device manager names in code, by kind and state.
TEST_F(DeviceLayoutsTest, SelectorIconsAndPowerPicturesExist) {
    for (const char* kind : {"kb", "ms", "soft_mp", "hard_mp", "hd", "hub", "unknow"}) {
        for (const char* state : {"normal", "selected", "synchro_normal", "synchro_selected"}) {
            const std::string file =
                std::string("common/device_ico/") + kind + "_device_" + state + ".png";
            EXPECT_TRUE(fs::is_regular_file(SkinFile(file))) << file;
        }
    }
    for (const char* file : {"power/powered.png", "power/powering.png", "power/power.png",
                             "power/Phone_type_iphone.png", "power/Phone_type_samsung.png",
                             "power/Phone_type_other.png", "power/Phone_type_no_device.png"}) {
        EXPECT_TRUE(fs::is_regular_file(SkinFile(file))) << file;
    }
    const std::set<std::string> english = TextIds("lan_en.xml");
    const std::set<std::string> chinese = TextIds("lan_cn.xml");
    // The language files still load as the program loads them.
    ui::CResourceManager* resources = ui::CResourceManager::GetInstance();
    ASSERT_TRUE(resources->LoadLanguage("lan_cn.xml"));
    EXPECT_EQ(resources->GetText("keyboard_key_<"), ",");
    ASSERT_TRUE(resources->LoadLanguage("lan_en.xml"));
    EXPECT_EQ(resources->GetText("kb_device_name_text"), "Keyboard");
    for (const char* id : {"kb_device_name_text", "ms_device_name_text", "soft_mp_device_name_text",
                           "hard_mp_device_name_text", "hd_device_name_text",
                           "hub_device_name_text", "unknow_device_name_text", "Phone_type_iphone",
                           "Phone_type_samsung", "Phone_type_other", "Phone_type_no_device"}) {
        EXPECT_TRUE(english.contains(id)) << id;
        EXPECT_TRUE(chinese.contains(id)) << id;
    }
}

}  // namespace
