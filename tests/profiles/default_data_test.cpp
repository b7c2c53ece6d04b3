// The shipped DefaultData, read the way the program reads it: from the program
// folder of the build tree, through the profile classes.

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "platform/paths.h"
#include "profile_test_util.h"
#include "profiles/do6533_profiledata.h"
#include "profiles/keyboard_profiledata.h"
#include "profiles/light_files.h"
#include "profiles/mouse_profiledata.h"
#include "profiles/profile_paths.h"
#include "support/temp_env.h"

namespace profiles {
namespace {

namespace fs = std::filesystem;

class DefaultData : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("QUILLON_PROGRAM_DIR", QUILLON_TEST_PROGRAM_DIR, 1); }
    void TearDown() override { ::unsetenv("QUILLON_PROGRAM_DIR"); }

    // A fresh profile of the kind, created from its default.
    template <class Data>
    void LoadNew(Data& data, std::string_view kind) {
        data.SetDefaultProfilePath(DefaultProfilePath(kind));
        data.SetDeviceIndex(0);
        const std::optional<fs::path> path = ProfileFilePath(kind, "2026_01_01_00_00_00_000");
        ASSERT_TRUE(path);
        data.SetProfilePath(*path);
        data.SetLightConfigPath(DefaultDataFolder() / std::string(kLightConfigName));
        ASSERT_FALSE(data.LoadProfile(*path).isNull());
        ASSERT_TRUE(fs::exists(*path));
    }

    testsupport::TempEnv m_env;
};

TEST_F(DefaultData, PathsFollowTheEnvironment) {
    EXPECT_EQ(DefaultDataFolder(), fs::path(QUILLON_TEST_PROGRAM_DIR) / "DefaultData");
    EXPECT_EQ(DefaultProfilePath(kMousePadFolder).filename(), "MousePad.Json");
    EXPECT_EQ(ProfileFolder(kHeadsetFolder), m_env.DataHome() / "Quillon" / "HD");
    EXPECT_TRUE(fs::is_directory(m_env.DataHome() / "Quillon" / "HD"));
    EXPECT_EQ(LightConfigPath(kKeyboardFolder).filename(), "korva_light.config");
}

TEST_F(DefaultData, ProfileIdsMustStayFileNames) {
    struct Case {
        const char* id;
        bool accepted;
    };
    const Case cases[] = {
        {"2026_12_11_10_00_00_123", true},
        {"", true},
        {"..", true},
        {"../x", false},
        {"a/b", false},
        {"/etc/passwd", false},
        {"a\\b", false},
    };
    for (const Case& c : cases) {
        const std::optional<fs::path> path = ProfileFilePath(kKeyboardFolder, c.id);
        EXPECT_EQ(path.has_value(), c.accepted) << c.id;
        if (path) {
            EXPECT_EQ(path->parent_path(), ProfileFolder(kKeyboardFolder)) << c.id;
        }
    }
    EXPECT_FALSE(ProfileFilePath(kKeyboardFolder, std::string_view("a\0b", 3)));
}

TEST_F(DefaultData, KeyboardDefaults) {
    CKeyboardProfiledata data;
    LoadNew(data, kKeyboardFolder);
    const std::vector<KeyAssignEntry> keys = data.GetKeyList();
    ASSERT_EQ(keys.size(), 170u);
    EXPECT_EQ(keys[0].defaultCode, (KeyCode{0, 0x20, 0x00, 0x29, 0}));      // Esc
    EXPECT_EQ(keys[110].defaultCode, (KeyCode{110, 0xA0, 0x01, 0x00, 0}));  // Fn
    EXPECT_EQ(keys[124].defaultCode, (KeyCode{124, 0xD0, 0xA2, 0x05, 0}));  // M5
    EXPECT_EQ(keys[125].defaultCode, (KeyCode{125, 0x20, 0x80, 0x00, 0}));  // right Win
    for (int p : {104, 126, 169}) {
        EXPECT_EQ(keys[p].defaultCode, (KeyCode{static_cast<uint16_t>(p), 0x20, 0, 0, 0})) << p;
    }
    for (const KeyAssignEntry& k : keys) {
        EXPECT_EQ(k.normal.Packed(), k.defaultCode.Packed()) << k.normal.position;
        EXPECT_EQ(k.fn.Packed(), 0) << k.fn.position;
    }
    const LightModeRecord light = data.GetLightInfo();
    EXPECT_EQ(light.brightness, 4);
    EXPECT_LE(light.speed, 4);
    EXPECT_EQ(data.GetKeyboardSystem().pollingRate, 3);
    EXPECT_FALSE(data.GetFnKeysetFlag());
    const int group = data.GetCustomGroupIndex();
    const std::vector<CustomColourRecord> colours = data.GetCustomColours(group, 170);
    ASSERT_EQ(colours.size(), 170u);
    EXPECT_EQ(colours[44].alpha, 255);  // W is lit
    const std::vector<LightModeRecord> lights = data.GetLightList();
    EXPECT_EQ(lights.size(), 170u);
    // Completing the default groups adds nothing: they are whole.
    EXPECT_TRUE(data.Save());
    EXPECT_EQ(testing::ReadDoc(data.GetProfilePath()),
              testing::ReadDoc(DefaultProfilePath(kKeyboardFolder)));
}

TEST_F(DefaultData, MouseDefaults) {
    CMouseProfiledata data;
    LoadNew(data, kMouseFolder);
    const std::vector<DpiStageRecord> stages = data.GetDpiStages();
    ASSERT_EQ(stages.size(), 5u);
    for (size_t i = 1; i < stages.size(); ++i) {
        EXPECT_GT(+stages[i].dpiX, +stages[i - 1].dpiX);  // + copies out of the packed record
        EXPECT_EQ(stages[i].enabled, 1);
    }
    EXPECT_EQ(data.GetActiveStage(), 1);
    EXPECT_EQ(data.GetMouseSystem(), (MouseSystemRecord{500, 10, 1, 0, 3, 3}));
    const std::vector<CorrectionPreset> presets = data.GetCorrectionPresets();
    ASSERT_FALSE(presets.empty());
    EXPECT_EQ(data.GetKeyList().size(), 11u);
    EXPECT_EQ(data.GetKeyList()[0].normal, (KeyCode{0, 0x10, 0x01, 0x00, 0}));  // left button
}

TEST_F(DefaultData, HeadsetDefaults) {
    CDo6533Profiledata data;
    LoadNew(data, kHeadsetFolder);
    const HeadsetSystemRecord system = data.GetHeadsetSystem();
    EXPECT_EQ(system.eqType, 1);
    EXPECT_EQ(system.customEqSelectIndex, -1);
    EXPECT_EQ(data.GetEqPreset(1), (std::vector<int>{7, 11, 2, -3, -1, 4, 9, 12, 9, 5}));
    EXPECT_EQ(data.GetEqPreset(5), std::vector<int>(10, 0));
    EXPECT_EQ(data.GetEqPreset(12), (std::vector<int>{2, 1, -2, -4, -8, 4, 12, 16, 18, 15}));
    EXPECT_TRUE(data.GetCustomEqNames().empty());
}

TEST_F(DefaultData, MousePadDefaults) {
    CBasicProfiledata data;
    LoadNew(data, kMousePadFolder);
    EXPECT_EQ(data.GetLightInfo().brightness, 4);
    EXPECT_EQ(data.GetLightList().size(), 15u);
}

TEST_F(DefaultData, LightListsCoverEveryDeviceType) {
    const Json::Value list = CJsonFile().Read(DefaultLightListPath());
    const Json::Value definition =
        CJsonFile().Read(DefaultDataFolder() / std::string(kLightConfigName));
    // Mode values the devices rely on: the keyboard's custom (19), audio (29)
    // and host colour (30) modes, and a mode list of 12 for the mouse.
    struct Case {
        int type;
        size_t minModes;
    };
    for (const Case& c : {Case{kKeyboardType, 35}, Case{kMouseType, 12}, Case{kMousePadType, 9},
                          Case{kHeadsetType, 9}}) {
        const auto modes = DefaultLightModes(list, c.type);
        ASSERT_TRUE(modes) << c.type;
        EXPECT_GE(modes->size(), c.minModes) << c.type;
        for (size_t i = 0; i < modes->size(); ++i) {
            EXPECT_FALSE((*modes)[i].name.empty()) << c.type << " " << i;
        }
        EXPECT_TRUE(LightAreaNames(list, c.type)) << c.type;
        const auto names = LightDefinitionNames(definition, c.type);
        ASSERT_TRUE(names) << c.type;
        EXPECT_EQ(names->size(), modes->size()) << c.type;
    }
    const auto keyboard = *DefaultLightModes(list, kKeyboardType);
    EXPECT_EQ(keyboard[19].value, 19);
    EXPECT_EQ(keyboard[29].value, 29);
    EXPECT_EQ(keyboard[30].value, 30);
    EXPECT_FALSE(DefaultLightModes(list, 4));
}

TEST_F(DefaultData, EveryNamedLightEffectExistsAndPlays) {
    const fs::path config = DefaultDataFolder() / std::string(kLightConfigName);
    const Json::Value definition = CJsonFile().Read(config);
    int effects = 0;
    for (int type = 0; type < 4; ++type) {
        const Json::Value& modes = definition["LightInfo"][type];
        for (Json::ArrayIndex item = 0; item < modes.size(); ++item) {
            if (modes[item]["Guid"].asString().empty()) {
                continue;
            }
            CBasicProfiledata data;
            data.SetProfilePath(m_env.Root() / "p.Json");
            testing::Put(m_env.Root() / "p.Json", R"({"Device":[{"LightInfo":{"SelectItem":)" +
                                                      std::to_string(item) + "}}]}");
            data.LoadProfile(data.GetProfilePath());
            data.GetLightInfo();
            data.SetLightDefinitionIndex(type);
            data.LoadLightConfig(config);
            const std::vector<LightEffectStep> steps = data.GetLightEffectList();
            ASSERT_FALSE(steps.empty()) << type << " " << item;
            for (const LightEffectStep& s : steps) {
                EXPECT_TRUE(std::set<int>({0, 1, 2, 4, 5}).contains(s.mode));
                EXPECT_GT(s.time, 0);
            }
            ++effects;
        }
    }
    EXPECT_GT(effects, 0);
}

}  // namespace
}  // namespace profiles

namespace profiles {
namespace {

TEST_F(DefaultData, LightConfigIsInstalledOnceIntoTheProfileFolder) {
    const fs::path folder = ProfileFolder(kKeyboardFolder);
    ASSERT_TRUE(EnsureLightConfig(folder, DefaultDataFolder()));
    const fs::path config = folder / std::string(kLightConfigName);
    EXPECT_EQ(testing::ReadDoc(config),
              testing::ReadDoc(DefaultDataFolder() / std::string(kLightConfigName)));
    // The profile's effect (keyboard mode 0) resolves beside the installed file.
    CKeyboardProfiledata data;
    testing::Put(folder / "p.Json", R"({"Device":[{"LightInfo":{"SelectItem":0}}]})");
    data.SetProfilePath(folder / "p.Json");
    data.LoadProfile(folder / "p.Json");
    data.GetLightInfo();
    data.LoadLightConfig(config);
    EXPECT_FALSE(data.GetLightEffectList().empty());

    // A definition the user already has is kept.
    testing::Put(config, R"({"LightInfo":[[]]})");
    EXPECT_TRUE(EnsureLightConfig(folder, DefaultDataFolder()));
    EXPECT_EQ(testing::Slurp(config), R"({"LightInfo":[[]]})");

    // Effect names from the shipped file that are not plain names are skipped.
    const fs::path shipped = m_env.Root() / "shipped";
    testing::Put(shipped / std::string(kLightConfigName),
                 R"({"LightInfo":[[{"Guid":"../escape"},{"Guid":"ok"}]]})");
    testing::Put(shipped / "ok.light", "{}");
    testing::Put(m_env.Root() / "escape.light", "{}");
    const fs::path other = m_env.Root() / "other" / "user";
    fs::create_directories(other);
    EXPECT_TRUE(EnsureLightConfig(other, shipped));
    EXPECT_TRUE(fs::exists(other / "ok.light"));
    EXPECT_FALSE(fs::exists(other.parent_path() / "escape.light"));
    EXPECT_FALSE(EnsureLightConfig(m_env.Root() / "third", m_env.Root() / "nothing"));
}

}  // namespace
}  // namespace profiles
