#include "profiles/basic_profiledata.h"

#include <gtest/gtest.h>

#include "platform/file_io.h"
#include "profile_test_util.h"
#include "support/temp_env.h"

namespace profiles {
namespace {

namespace fs = std::filesystem;
using testing::Doc;
using testing::Put;
using testing::ReadDoc;
using testing::Slurp;

// A profile folder and a DefaultData folder in a temporary place.
class ProfileFiles : public ::testing::Test {
protected:
    fs::path Folder() const { return m_dir.Path() / "user" / "keyboard"; }
    fs::path Profile() const { return Folder() / "p1.Json"; }
    fs::path Default() const { return m_dir.Path() / "DefaultData" / "keyboard.Json"; }
    void WriteDefault(const std::string& text) { Put(Default(), text); }
    void Prepare(CBasicProfiledata& data) {
        data.SetDefaultProfilePath(Default());
        data.SetDeviceIndex(0);
        data.SetProfilePath(Profile());
    }

    testsupport::TempDir m_dir;
};

constexpr const char* kDefault = R"({"Device":[{"LightInfo":{"SelectItem":4,"Light":3,"Red":255},
    "KeyList":[{"FnAssignment":0,"Assignment":2097193,"DefaultAssignment":2097193}]}]})";

TEST_F(ProfileFiles, MissingProfileIsCreatedFromTheDefault) {
    struct Case {
        const char* name;
        const char* defaultText;  // nullptr: no default file
        Json::Value expectedFile;
    };
    const Case cases[] = {
        {"default present", kDefault, Doc(kDefault)},
        {"default missing", nullptr, Doc(R"({"Device":[null]})")},
        {"default malformed", "{\"Device\":[", Doc(R"({"Device":[null]})")},
        {"default without entry", R"({"Device":[]})", Doc(R"({"Device":[null]})")},
    };
    for (const Case& c : cases) {
        fs::remove_all(m_dir.Path());
        fs::create_directories(m_dir.Path());
        if (c.defaultText != nullptr) {
            WriteDefault(c.defaultText);
        }
        CBasicProfiledata data;
        Prepare(data);
        const Json::Value entry = data.LoadProfile(Profile());
        EXPECT_EQ(ReadDoc(Profile()), c.expectedFile) << c.name;
        EXPECT_EQ(entry, c.expectedFile["Device"][0]) << c.name;
        if (c.defaultText == kDefault) {
            EXPECT_EQ(data.GetLightInfo().selectItem, 4) << c.name;
            EXPECT_EQ(data.GetKeyList().size(), 1u) << c.name;
        } else {
            EXPECT_EQ(data.GetLightInfo(), LightModeRecord{}) << c.name;
            EXPECT_EQ(data.GetAudioLightInfo(), AudioLightRecord{}) << c.name;
            EXPECT_TRUE(data.GetLightList().empty()) << c.name;
            EXPECT_TRUE(data.GetKeyList().empty()) << c.name;
        }
    }
}

TEST_F(ProfileFiles, SaveKeepsOtherTopLevelMembers) {
    WriteDefault(kDefault);
    Put(Profile(),
        R"({"profilename":"Mine","profileUUID":"p1","Device":[{"LightInfo":{"Light":1}}]})");
    CBasicProfiledata data;
    Prepare(data);
    data.LoadProfile(Profile());
    LightModeRecord light = data.GetLightInfo();
    light.brightness = 2;
    data.SetLightInfo(light);
    ASSERT_TRUE(data.Save());
    const Json::Value saved = ReadDoc(Profile());
    EXPECT_EQ(saved["profilename"], "Mine");
    EXPECT_EQ(saved["profileUUID"], "p1");
    EXPECT_EQ(saved["Device"][0]["LightInfo"]["Light"], 2);
}

TEST_F(ProfileFiles, ValuesAreNormalisedOnTheWayThrough) {
    struct Case {
        const char* member;
        int stored;
        int written;
    };
    const Case cases[] = {
        {"MultiColor", 2, 1},  // read as a flag
        {"Red", 300, 44},      // low 8 bits
        {"Light", -1, 255},
        {"SelectItem", 19, 19},
    };
    for (const Case& c : cases) {
        Json::Value doc = Doc(R"({"Device":[{"LightInfo":{}}]})");
        doc["Device"][0]["LightInfo"][c.member] = c.stored;
        ASSERT_TRUE(CJsonFile().Write(Profile(), doc));
        CBasicProfiledata data;
        Prepare(data);
        data.LoadProfile(Profile());
        data.SetLightInfo(data.GetLightInfo());
        ASSERT_TRUE(data.Save());
        EXPECT_EQ(ReadDoc(Profile())["Device"][0]["LightInfo"][c.member], c.written) << c.member;
    }
}

TEST_F(ProfileFiles, SetKeyListWithAShorterListTouchesOnlyItsEntries) {
    Put(Profile(), R"({"Device":[{"KeyList":[
        {"FnAssignment":1,"Assignment":2,"DefaultAssignment":3},
        {"FnAssignment":4,"Assignment":5,"DefaultAssignment":6},
        {"FnAssignment":7,"Assignment":8,"DefaultAssignment":9}]}]})");
    CBasicProfiledata data;
    Prepare(data);
    data.LoadProfile(Profile());
    std::vector<KeyAssignEntry> keys = data.GetKeyList();
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[1].normal.position, 1);
    keys.resize(1);
    keys[0].normal = KeyCode{0, 0x30, 0xE2, 0x00, 0};
    keys[0].fn = KeyCode{0, 0x10, 0x01, 0x00, 0};
    keys[0].defaultCode = KeyCode{0, 0x40, 0x01, 0x00, 0};  // never written
    data.SetKeyList(keys);
    ASSERT_TRUE(data.Save());
    const Json::Value list = ReadDoc(Profile())["Device"][0]["KeyList"];
    EXPECT_EQ(list, Doc(R"([
        {"FnAssignment":1048832,"Assignment":3203584,"DefaultAssignment":3},
        {"FnAssignment":4,"Assignment":5,"DefaultAssignment":6},
        {"FnAssignment":7,"Assignment":8,"DefaultAssignment":9}])"));
}

TEST_F(ProfileFiles, LightListWithNulls) {
    Put(Profile(), R"({"Device":[{"LightList":[null,
        {"LEDREGMode":2,"LEDBrightness":4,"LEDSpeed":1,"LEDDirection":true,
         "LEDMultiColor":0,"red":10,"green":20,"blue":300}, 5]}]})");
    CBasicProfiledata data;
    Prepare(data);
    data.LoadProfile(Profile());
    const std::vector<LightModeRecord> lights = data.GetLightList();
    ASSERT_EQ(lights.size(), 3u);
    EXPECT_EQ(lights[0], LightModeRecord{});
    LightModeRecord second;
    second.selectItem = 2;
    second.brightness = 4;
    second.speed = 1;
    second.direction = 1;
    second.red = 10;
    second.green = 20;
    second.blue = 44;
    second.present = 1;
    EXPECT_EQ(lights[1], second);
    EXPECT_EQ(lights[2].present, 0);  // not an object: absent
}

TEST_F(ProfileFiles, EmptyPathsAreIgnored) {
    CBasicProfiledata data;
    data.SetProfilePath("/a/b.Json");
    data.SetProfilePath("");
    EXPECT_EQ(data.GetProfilePath(), "/a/b.Json");
    data.SetDefaultProfilePath("/d.Json");
    data.SetDefaultProfilePath("");
    EXPECT_EQ(data.GetDefaultProfilePath(), "/d.Json");
}

// Documents of every wrong shape read as absent: no exception escapes, every
// getter gives its default, and the unusable file is kept aside.
TEST_F(ProfileFiles, WronglyShapedDocumentsReadAsAbsent) {
    struct Case {
        const char* text;
        bool keptAside;
    };
    const Case cases[] = {
        {"[1,2,3]", true},
        {"42", true},
        {"\"text\"", true},
        {R"({"Device":5})", true},
        {R"({"Device":{"0":{}}})", true},
        {R"({"Device":[7]})", true},
        {R"({"Device":[[{"LightInfo":{}}]]})", true},
        {"{\"Device\":[{\"LightInfo\":", true},
        {R"({"Device":[null]})", false},
        {R"({"Device":[]})", false},
        {R"({"other":1})", false},
    };
    for (const Case& c : cases) {
        fs::remove_all(Folder());
        Put(Profile(), c.text);
        CBasicProfiledata data;
        Prepare(data);
        EXPECT_NO_THROW({
            data.LoadProfile(Profile());
            data.GetLightInfo();
            data.GetAudioLightInfo();
            data.GetLightList();
            data.GetKeyList();
        }) << c.text;
        EXPECT_EQ(data.GetLightInfo(), LightModeRecord{}) << c.text;
        EXPECT_TRUE(data.GetKeyList().empty()) << c.text;
        EXPECT_EQ(fs::exists(Profile().string() + ".corrupt"), c.keptAside) << c.text;
        if (c.keptAside) {
            EXPECT_EQ(Slurp(Profile().string() + ".corrupt"), c.text);
        }
        // The profile file now holds the (missing) default entry.
        EXPECT_TRUE(ReadDoc(Profile())["Device"].isArray()) << c.text;
    }
}

TEST_F(ProfileFiles, SectionsOfTheWrongShapeReadAsAbsentAndAreReplacedBySetters) {
    Put(Profile(), R"({"Device":[{"LightInfo":[1],"AudioLightInfo":"x","LightList":{"a":1},
        "KeyList":[5,"x",{"Assignment":"text","FnAssignment":1e300,"DefaultAssignment":[1]}]}]})");
    CBasicProfiledata data;
    Prepare(data);
    data.LoadProfile(Profile());
    EXPECT_EQ(data.GetLightInfo(), LightModeRecord{});
    EXPECT_EQ(data.GetAudioLightInfo(), AudioLightRecord{});
    EXPECT_TRUE(data.GetLightList().empty());
    const std::vector<KeyAssignEntry> keys = data.GetKeyList();
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[2].normal.type, 0);
    EXPECT_EQ(keys[2].fn.type, 0);

    std::vector<KeyAssignEntry> next(3);
    next[2].normal.type = 0x20;
    EXPECT_NO_THROW(data.SetKeyList(next));
    LightModeRecord light;
    light.brightness = 4;
    EXPECT_NO_THROW(data.SetLightInfo(light));
    ASSERT_TRUE(data.Save());
    const Json::Value saved = ReadDoc(Profile())["Device"][0];
    EXPECT_EQ(saved["KeyList"][0]["Assignment"], 0);
    EXPECT_EQ(saved["KeyList"][2]["Assignment"], 0x200000);
    EXPECT_EQ(saved["LightInfo"]["Light"], 4);
}

TEST_F(ProfileFiles, ACorruptProfileIsKeptAsideEachTime) {
    WriteDefault(kDefault);
    CBasicProfiledata data;
    Prepare(data);
    for (const char* text : {"{broken", "[also broken"}) {
        Put(Profile(), text);
        data.LoadProfile(Profile());
    }
    EXPECT_EQ(Slurp(Profile().string() + ".corrupt"), "{broken");
    EXPECT_EQ(Slurp(Profile().string() + ".corrupt.1"), "[also broken");
    EXPECT_EQ(ReadDoc(Profile()), Doc(kDefault));
}

TEST_F(ProfileFiles, AnUnreadableProfileIsKeptAsideToo) {
    // In place of the profile file, something that is not a file.
    fs::create_directories(Profile() / "inner");
    Put(Profile() / "inner" / "data", "x");
    WriteDefault(kDefault);
    CBasicProfiledata data;
    Prepare(data);
    data.LoadProfile(Profile());
    EXPECT_EQ(testing::Slurp(Profile().string() + ".corrupt/inner/data"), "x");
    EXPECT_EQ(ReadDoc(Profile()), Doc(kDefault));
}

TEST_F(ProfileFiles, TheDefaultProfileIsNeverWritten) {
    WriteDefault(R"({"Device":[null]})");
    const std::string before = Slurp(Default());
    CBasicProfiledata data;
    Prepare(data);
    data.LoadProfile(Default());  // reset to default
    EXPECT_FALSE(data.WriteDeviceEntry(Json::Value(Json::objectValue), Default()));
    EXPECT_EQ(Slurp(Default()), before);
    // Saving after the reset goes to the profile file.
    ASSERT_TRUE(data.Save());
    EXPECT_EQ(ReadDoc(Profile()), Doc(R"({"Device":[null]})"));
}

TEST_F(ProfileFiles, AFailedSaveLeavesTheOldProfile) {
    Put(Profile(), R"({"Device":[{"LightInfo":{"Light":1}}]})");
    const std::string before = Slurp(Profile());
    CBasicProfiledata data;
    Prepare(data);
    data.LoadProfile(Profile());
    LightModeRecord light;
    light.brightness = 4;
    data.SetLightInfo(light);
    {
        platform::ScopedWriteFault fault(10);
        EXPECT_FALSE(data.Save());
    }
    EXPECT_EQ(Slurp(Profile()), before);
}

TEST_F(ProfileFiles, AuxiliaryProfileHasItsOwnEntryAndKeyList) {
    const fs::path other = Folder() / "other.Json";
    Put(other, R"({"keep":true,"Device":[{"KeyList":[{"Assignment":1,"FnAssignment":2}]}]})");
    Put(Profile(), R"({"Device":[{"KeyList":[{"Assignment":9}]}]})");
    CBasicProfiledata data;
    Prepare(data);
    data.LoadProfile(Profile());
    data.LoadAuxProfile(other);
    EXPECT_EQ(data.GetAuxKeyList()[0].normal.param2, 1);
    EXPECT_EQ(data.GetKeyList()[0].normal.param2, 9);
    std::vector<KeyAssignEntry> keys(1);
    keys[0].normal.param2 = 7;
    data.SetAuxKeyList(keys);
    ASSERT_TRUE(data.SaveAux(other));
    const Json::Value saved = ReadDoc(other);
    EXPECT_EQ(saved["keep"], true);
    EXPECT_EQ(saved["Device"][0]["KeyList"][0]["Assignment"], 7);
    EXPECT_EQ(ReadDoc(Profile())["Device"][0]["KeyList"][0]["Assignment"], 9);
}

// Light definitions name effect files by Guid; only files inside the
// definition file's own folder are ever read.
TEST_F(ProfileFiles, LightEffectsResolveInsideTheDefinitionFolder) {
    const fs::path config = Folder() / "korva_light.config";
    const std::string steps = R"({"LEDEffectList":[
        {"LEDREGMode":2,"LEDDirection":1,"LEDBrightness":4,"LEDSpeed":3,"LEDMultiColor":0,
         "red":1,"green":2,"blue":3,"Time":1500,"Cyle":2},
        {"LEDREGMode":4,"Time":500}]})";
    Put(Folder() / "good.light", steps);
    Put(m_dir.Path() / "outside.light", steps);
    Put(m_dir.Path() / "user" / "outside.light", steps);
    struct Case {
        const char* guid;
        size_t steps;
    };
    const Case cases[] = {
        {"good", 2},         {"", 0},   {"missing", 0},  {"../outside", 0}, {"../../outside", 0},
        {"/tmp/outside", 0}, {"..", 0}, {"sub/good", 0},
    };
    for (const Case& c : cases) {
        Json::Value def = Doc(R"({"LightInfo":[[{"LightName":"a","Guid":""}]]})");
        def["LightInfo"][0][0]["Guid"] = c.guid;
        ASSERT_TRUE(CJsonFile().Write(config, def));
        Put(Profile(), R"({"Device":[{"LightInfo":{"SelectItem":0}}]})");
        CBasicProfiledata data;
        Prepare(data);
        data.SetLightConfigPath(config);
        data.LoadProfile(Profile());
        data.GetLightInfo();
        data.LoadLightConfig(data.GetLightConfigPath());
        const std::vector<LightEffectStep> effects = data.GetLightEffectList();
        ASSERT_EQ(effects.size(), c.steps) << c.guid;
        if (c.steps == 2) {
            EXPECT_EQ(effects[0].mode, 2);
            EXPECT_EQ(effects[0].brightness, 4);
            EXPECT_EQ(effects[0].speed, 3);
            EXPECT_EQ(effects[0].direction, 1);
            EXPECT_EQ(effects[0].blue, 3);
            EXPECT_EQ(effects[0].time, 1500);
            EXPECT_EQ(effects[0].cycle, 2);
            EXPECT_EQ(effects[1].time, 500);
        }
    }
}

TEST_F(ProfileFiles, LightEffectsNeedADefinitionForTheSelectedMode) {
    const fs::path config = Folder() / "korva_light.config";
    Put(Folder() / "g.light", R"({"LEDEffectList":[{"LEDREGMode":1}]})");
    struct Case {
        const char* definition;  // nullptr: no file
        int selectItem;
        size_t steps;
    };
    const Case cases[] = {
        {R"({"LightInfo":[[{"Guid":"x"},{"Guid":"g"}]]})", 1, 1},
        {R"({"LightInfo":[[{"Guid":"g"}]]})", 1, 0},  // list shorter than the select item
        {nullptr, 0, 0},
        {R"({"LightInfo":[[{"Guid":5}]]})", 0, 0},
        {R"({"LightInfo":"x"})", 0, 0},
        {"[]", 0, 0},
    };
    for (const Case& c : cases) {
        fs::remove(config);
        if (c.definition != nullptr) {
            Put(config, c.definition);
        }
        Json::Value doc = Doc(R"({"Device":[{"LightInfo":{}}]})");
        doc["Device"][0]["LightInfo"]["SelectItem"] = c.selectItem;
        ASSERT_TRUE(CJsonFile().Write(Profile(), doc));
        CBasicProfiledata data;
        Prepare(data);
        data.LoadProfile(Profile());
        data.GetLightInfo();
        data.LoadLightConfig(config);
        EXPECT_EQ(data.GetLightEffectList().size(), c.steps)
            << (c.definition ? c.definition : "none");
    }
}

TEST_F(ProfileFiles, LightDefinitionIndexSelectsTheDeviceTypeList) {
    const fs::path config = Folder() / "korva_light.config";
    Put(Folder() / "pad.light", R"({"LEDEffectList":[{"LEDREGMode":5},{"LEDREGMode":2}]})");
    Put(config, R"({"LightInfo":[[],[],[{"Guid":"pad"}]]})");
    Put(Profile(), R"({"Device":[{"LightInfo":{"SelectItem":0}}]})");
    CBasicProfiledata data;
    Prepare(data);
    data.LoadProfile(Profile());
    data.GetLightInfo();
    data.LoadLightConfig(config);
    EXPECT_TRUE(data.GetLightEffectList().empty());
    data.SetLightDefinitionIndex(2);
    EXPECT_EQ(data.GetLightEffectList().size(), 2u);
}

}  // namespace
}  // namespace profiles
