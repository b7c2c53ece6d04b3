#include <gtest/gtest.h>

#include "profile_test_util.h"
#include "profiles/do6533_profiledata.h"
#include "profiles/keyboard_profiledata.h"
#include "profiles/mouse_profiledata.h"
#include "support/temp_env.h"

namespace profiles {
namespace {

namespace fs = std::filesystem;
using testing::Doc;
using testing::Put;
using testing::ReadDoc;

// Loads a profile document given as text into a profile object.
class DeviceProfile : public ::testing::Test {
protected:
    fs::path Profile() const { return m_dir.Path() / "p.Json"; }
    void Load(CBasicProfiledata& data, const std::string& entry) {
        Put(Profile(), "{\"Device\":[" + entry + "]}");
        data.SetDefaultProfilePath(m_dir.Path() / "none.Json");
        data.SetProfilePath(Profile());
        data.LoadProfile(Profile());
    }
    Json::Value Saved(CBasicProfiledata& data) {
        EXPECT_TRUE(data.Save());
        return ReadDoc(Profile())["Device"][0];
    }

    testsupport::TempDir m_dir;
};

// --- keyboard ----------------------------------------------------------------

TEST_F(DeviceProfile, KeyboardSystemAndFnFlag) {
    CKeyboardProfiledata data;
    Load(data, R"({"SystemStages":{"Repeat":70000,"RepeatDelay":2,"Key6Flag":1,"PollingRate":3,
        "WFlag":1,"WinFlag":0},"FnKeysetFlag":1})");
    KeyboardSystemRecord system = data.GetKeyboardSystem();
    EXPECT_EQ(system.repeatRate, 70000 & 0xFFFF);
    EXPECT_EQ(system.repeatDelay, 2);
    EXPECT_EQ(system.winKeyFlag, 1);
    EXPECT_TRUE(data.GetFnKeysetFlag());
    system.spare = 9;
    system.pollingRate = 1;
    data.SetKeyboardSystem(system);
    data.SetFnKeysetFlag(false);
    const Json::Value saved = Saved(data);
    EXPECT_EQ(
        saved["SystemStages"],
        Doc(R"({"Repeat":4464,"RepeatDelay":2,"Key6Flag":1,"PollingRate":1,"WFlag":1,"WinFlag":0})"));
    EXPECT_EQ(saved["FnKeysetFlag"], false);

    CKeyboardProfiledata empty;
    Load(empty, "null");
    EXPECT_EQ(empty.GetKeyboardSystem(), KeyboardSystemRecord{});
    EXPECT_FALSE(empty.GetFnKeysetFlag());
}

TEST_F(DeviceProfile, CustomColoursAreCompletedUpToTheKeyCount) {
    struct Case {
        const char* name;
        const char* entry;
        int group;
        int count;
        size_t keysAfter;  // keys of the group in the saved document
        CustomColourRecord first;
    };
    const Case cases[] = {
        {"group holds fewer keys",
         R"({"CustomLightMode":{"LightColorInfo":[[{"Red":300,"Green":2,"Blue":3,"Alpha":255},{"Red":1}]]}})",
         0,
         5,
         5,
         {44, 2, 3, 255}},
        {"group absent", R"({"CustomLightMode":{"LightColorInfo":[[]]}})", 2, 4, 4, {0, 0, 0, 0}},
        {"no section", "{}", 1, 3, 3, {0, 0, 0, 0}},
        {"null element",
         R"({"CustomLightMode":{"LightColorInfo":[[null,{"Red":9}]]}})",
         0,
         2,
         2,
         {0, 0, 0, 0}},
        {"group holds more keys",
         R"({"CustomLightMode":{"LightColorInfo":[[{"Red":1},{"Red":2},{"Red":3}]]}})",
         0,
         2,
         3,
         {1, 0, 0, 0}},
        {"wrong shapes",
         R"({"CustomLightMode":{"LightColorInfo":{"0":1}}})",
         0,
         2,
         2,
         {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        CKeyboardProfiledata data;
        Load(data, c.entry);
        const std::vector<CustomColourRecord> colours = data.GetCustomColours(c.group, c.count);
        ASSERT_EQ(colours.size(), static_cast<size_t>(c.count)) << c.name;
        EXPECT_EQ(colours[0], c.first) << c.name;
        const Json::Value group = Saved(data)["CustomLightMode"]["LightColorInfo"][c.group];
        EXPECT_EQ(group.size(), c.keysAfter) << c.name;
        for (Json::ArrayIndex j = 0; j < group.size(); ++j) {
            EXPECT_TRUE(group[j].isObject()) << c.name << " key " << j;
        }
    }
}

TEST_F(DeviceProfile, CustomColourGroupsFromFilesAreBounded) {
    CKeyboardProfiledata data;
    Load(data, R"({"CustomLightMode":{"CustomLightModeGroupIndex":1000000,"LightColorInfo":[]}})");
    const int group = data.GetCustomGroupIndex();
    EXPECT_EQ(group, 0);
    // Even handed an index straight from a file, nothing grows.
    EXPECT_EQ(data.GetCustomColours(1000000, 3).size(), 3u);
    EXPECT_EQ(data.GetCustomColours(-1, 3).size(), 3u);
    data.SetCustomColours(std::vector<CustomColourRecord>(3), 1000000);
    EXPECT_EQ(data.GetCustomColours(0, 1000000).size(), static_cast<size_t>(kMaxCustomColourKeys));
    const Json::Value saved = Saved(data);
    EXPECT_EQ(saved["CustomLightMode"]["LightColorInfo"].size(), 1u);
    EXPECT_EQ(saved["CustomLightMode"]["LightColorInfo"][0].size(),
              static_cast<Json::ArrayIndex>(kMaxCustomColourKeys));
}

TEST_F(DeviceProfile, CustomColoursAndGroupIndexRoundTrip) {
    CKeyboardProfiledata data;
    Load(data, "{}");
    EXPECT_EQ(data.GetCustomGroupIndex(), 0);
    data.SetCustomGroupIndex(3);
    data.SetCustomColours({{1, 2, 3, 4}, {5, 6, 7, 8}}, 3);
    Saved(data);
    CKeyboardProfiledata reread;
    reread.SetProfilePath(Profile());
    reread.LoadProfile(Profile());
    EXPECT_EQ(reread.GetCustomGroupIndex(), 3);
    const std::vector<CustomColourRecord> colours = reread.GetCustomColours(3, 2);
    EXPECT_EQ(colours[1], (CustomColourRecord{5, 6, 7, 8}));
}

// --- mouse -------------------------------------------------------------------

std::string Stages(int count, int dpiBase) {
    std::string s = R"({"DPIStages":{"StageActive":2,"StageDPIs":[)";
    for (int i = 0; i < count; ++i) {
        s += (i ? "," : "") + std::string(R"({"StageActive":1,"StageXY":0,"StageDPIX":)") +
             std::to_string(dpiBase + i) + R"(,"StageDPIY":)" + std::to_string(dpiBase + i) +
             R"(,"StageColorR":255,"StageColorG":0,"StageColorB":0})";
    }
    return s + "]}}";
}

TEST_F(DeviceProfile, DpiStagesMergeIntoTheStageList) {
    CMouseProfiledata data;
    Load(data, Stages(6, 100));
    ASSERT_EQ(data.GetDpiStages().size(), 6u);
    EXPECT_EQ(data.GetActiveStage(), 2);
    struct Case {
        std::string entry;
        size_t stages;
        uint16_t firstDpi;
        uint16_t lastDpi;
        int active;
    };
    const Case cases[] = {
        {Stages(4, 800), 6, 800, 105, 2},  // four new stages, the last two from before
        {"{}", 6, 800, 105, 2},            // no "DPIStages": nothing changes
        {R"({"DPIStages":{"StageActive":1000000}})", 6, 800, 105, 2},
        {R"({"DPIStages":{"StageActive":4,"StageDPIs":[{"StageDPIX":70000}]}})", 6, 70000 & 0xFFFF,
         105, 4},
        {Stages(7, 400), 7, 400, 406, 2},
    };
    for (const Case& c : cases) {
        Load(data, c.entry);
        const std::vector<DpiStageRecord> stages = data.GetDpiStages();
        ASSERT_EQ(stages.size(), c.stages) << c.entry;
        EXPECT_EQ(+stages.front().dpiX, c.firstDpi) << c.entry;
        EXPECT_EQ(+stages.back().dpiX, c.lastDpi) << c.entry;
        EXPECT_EQ(data.GetActiveStage(), c.active) << c.entry;
    }
}

TEST_F(DeviceProfile, DpiStagesAndActiveStageAreWritten) {
    CMouseProfiledata data;
    Load(data, R"({"DPIStages":{"StageActive":0}})");
    data.SetDpiStages({{1, 1, 800, 1600, 10, 20, 30}});
    data.SetActiveStage(3);
    const Json::Value dpi = Saved(data)["DPIStages"];
    EXPECT_EQ(dpi["StageActive"], 3);
    EXPECT_EQ(dpi["StageDPIs"][0], Doc(R"({"StageActive":1,"StageXY":1,"StageDPIX":800,
        "StageDPIY":1600,"StageColorR":10,"StageColorG":20,"StageColorB":30})"));
}

TEST_F(DeviceProfile, MouseSystemRecord) {
    struct Case {
        const char* entry;
        MouseSystemRecord expected;
    };
    const Case cases[] = {
        {R"({"SystemStages":{"DoubleClickTime":500,"MouseSpeed":10,"PointerPrecision":1,
            "ScorllPage":1,"WheelScorlllinse":3},"ReportStages":{"StageActive":2}})",
         {500, 10, 1, 1, 3, 2}},
        {R"({"SystemStages":{"DoubleClickTime":500}})", {500, 0, 0, 0, 0, 0}},
        {R"({"ReportStages":{"StageActive":2}})", {0, 0, 0, 0, 0, 0}},
        {R"({"SystemStages":7,"ReportStages":{"StageActive":2}})", {0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        CMouseProfiledata data;
        Load(data, c.entry);
        EXPECT_EQ(data.GetMouseSystem(), c.expected) << c.entry;
    }
}

TEST_F(DeviceProfile, SetMouseSystemUnpacksPairs) {
    struct Case {
        int32_t first, second, third;
        const char* system;
        int report;
    };
    const Case cases[] = {
        {500 + 10 * 65536, 1 + 0 * 65536, 3 + 2 * 65536,
         R"({"DoubleClickTime":500,"MouseSpeed":10,"PointerPrecision":1,"ScorllPage":0,"WheelScorlllinse":3})",
         2},
        {0, 0 + 1 * 65536, 65535 + 3 * 65536,
         R"({"DoubleClickTime":0,"MouseSpeed":0,"PointerPrecision":0,"ScorllPage":1,"WheelScorlllinse":65535})",
         3},
        {-1, 0, 0,
         R"({"DoubleClickTime":65535,"MouseSpeed":65535,"PointerPrecision":0,"ScorllPage":0,"WheelScorlllinse":0})",
         0},
    };
    for (const Case& c : cases) {
        CMouseProfiledata data;
        Load(data, "{}");
        data.SetMouseSystem(c.first, c.second, c.third);
        const Json::Value saved = Saved(data);
        EXPECT_EQ(saved["SystemStages"], Doc(c.system)) << c.system;
        EXPECT_EQ(saved["ReportStages"]["StageActive"], c.report) << c.system;
        EXPECT_EQ(data.GetMouseSystem().reportStage, c.report);
    }
}

TEST_F(DeviceProfile, CorrectionPresetsAreReadOnly) {
    CMouseProfiledata data;
    Load(data, R"({"CorrectInfo":[{"CorrectPixThresh":4,"CorrectMinSq":2,"CorrectSelect":1,
        "CorrectName":"Light \u00e9"}, null, 3]})");
    const std::vector<CorrectionPreset> presets = data.GetCorrectionPresets();
    ASSERT_EQ(presets.size(), 3u);
    EXPECT_EQ(presets[0], (CorrectionPreset{4, 2, 1, "Light \xc3\xa9"}));
    EXPECT_EQ(presets[1], CorrectionPreset{});
    EXPECT_EQ(presets[2], CorrectionPreset{});
}

// --- headset -----------------------------------------------------------------

std::string EqRows() {
    // Row r holds bands r*10 .. r*10+9.
    std::string s = R"({"EQHzValueInfo":[)";
    for (int r = 0; r <= 12; ++r) {
        s += r ? ",[" : "[";
        for (int b = 0; b < 10; ++b) {
            s += (b ? "," : "") + std::string(R"({"value":)") + std::to_string(r * 10 + b) + "}";
        }
        s += "]";
    }
    return s + "]}";
}

TEST_F(DeviceProfile, EqualiserTypesMapToRows) {
    struct Case {
        int type;
        int row;  // -1: no row
    };
    const Case cases[] = {{0, 1},  {1, 1},  {5, 5},  {12, 12},    {13, -1},
                          {14, 1}, {20, 1}, {-1, 1}, {1000000, 1}};
    for (const Case& c : cases) {
        CDo6533Profiledata data;
        Load(data, EqRows());
        const std::vector<int> bands = data.GetEqPreset(c.type);
        if (c.row < 0) {
            EXPECT_TRUE(bands.empty()) << c.type;
            EXPECT_EQ(Saved(data), Doc(EqRows())) << c.type;  // untouched
            continue;
        }
        ASSERT_EQ(bands.size(), 10u) << c.type;
        EXPECT_EQ(bands[0], c.row * 10) << c.type;
        EXPECT_EQ(bands[9], c.row * 10 + 9) << c.type;
    }
}

TEST_F(DeviceProfile, EqualiserOfANewProfileIsCompletedWithZeros) {
    CDo6533Profiledata data;
    Load(data, "{}");
    EXPECT_EQ(data.GetEqPreset(3), std::vector<int>(10, 0));
    const Json::Value saved = Saved(data);
    ASSERT_EQ(saved["EQHzValueInfo"][3].size(), 10u);
    for (const Json::Value& band : saved["EQHzValueInfo"][3]) {
        EXPECT_EQ(band, Doc(R"({"value":0})"));
    }
}

TEST_F(DeviceProfile, EqualiserPresetsAndCustomEqualisersAreWritten) {
    CDo6533Profiledata data;
    Load(data, "{}");
    const std::vector<int> bands = {1, -2, 3, -4, 5, -6, 7, -8, 9, -10};
    data.SetEqPreset(5, bands);
    data.SetEqPreset(13, bands);  // custom type: no row
    data.SetCustomEq(2, bands);
    EXPECT_EQ(data.GetEqPreset(5), bands);
    EXPECT_EQ(data.GetCustomEq(2), bands);
    EXPECT_EQ(data.GetCustomEq(0), std::vector<int>(10, 0));
    const Json::Value saved = Saved(data);
    EXPECT_EQ(saved["EQHzValueInfo"].size(), 6u);
    EXPECT_EQ(saved["EQHzValueInfo"][5][9]["value"], -10);
    EXPECT_EQ(saved["CustomEQHzValueInfo"].size(), 3u);
}

TEST_F(DeviceProfile, CustomEqualiserIndicesAreBounded) {
    for (int index : {-1, kMaxCustomEqualisers, 1000000}) {
        CDo6533Profiledata data;
        Load(data, R"({"CustomEQHzValueInfo":[]})");
        EXPECT_EQ(data.GetCustomEq(index), std::vector<int>(10, 0)) << index;
        data.SetCustomEq(index, std::vector<int>(10, 5));
        EXPECT_EQ(Saved(data)["CustomEQHzValueInfo"].size(), 0u) << index;
    }
}

TEST_F(DeviceProfile, CustomEqualiserNames) {
    CDo6533Profiledata data;
    Load(data, R"({"CustomEQNameInfo":[{"Name":"Bass"},{"Name":5},null]})");
    EXPECT_EQ(data.GetCustomEqNames(), (std::vector<std::string>{"Bass", "", ""}));
    data.SetCustomEqNames({"A", "B"});
    EXPECT_EQ(Saved(data)["CustomEQNameInfo"], Doc(R"([{"Name":"A"},{"Name":"B"}])"));
    data.SetCustomEqNames({});
    EXPECT_TRUE(Saved(data)["CustomEQNameInfo"].isNull());
    EXPECT_TRUE(data.GetCustomEqNames().empty());
}

TEST_F(DeviceProfile, HeadsetSystemRecord) {
    CDo6533Profiledata data;
    Load(data, R"({"SystemSetStages":{"MagicEnable":1,"MagicType":3,"EqType":13,
        "CustomEqSeletIndex":-1,"MicInSelect":1,"MicInValue":80,"MicMoniterSelect":0,
        "MicMoniterValue":50}})");
    HeadsetSystemRecord r = data.GetHeadsetSystem();
    EXPECT_EQ(r, (HeadsetSystemRecord{1, 3, 13, -1, 1, 80, 0, 50}));
    r.micInValue = 60;
    data.SetHeadsetSystem(r);
    EXPECT_EQ(Saved(data)["SystemSetStages"]["MicInValue"], 60);

    CDo6533Profiledata empty;
    Load(empty, R"({"SystemSetStages":[1,2]})");
    EXPECT_EQ(empty.GetHeadsetSystem(), HeadsetSystemRecord{});
}

}  // namespace
}  // namespace profiles
