// Feeds arbitrary bytes to every reader of profile documents: as a profile
// file through each profile class with all its getters and setters and a save,
// as a light definition file and as the default light list. Nothing may
// crash, throw or grow without bound, and whatever is saved reads back as a
// profile.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "profiles/do6533_profiledata.h"
#include "profiles/json_access.h"
#include "profiles/keyboard_profiledata.h"
#include "profiles/light_files.h"
#include "profiles/mouse_profiledata.h"

namespace fs = std::filesystem;
using namespace profiles;

namespace {

// A private folder on a memory file system where there is one (every input
// is written and saved), removed when the fuzzer exits.
class WorkDir {
public:
    WorkDir() {
        const fs::path base =
            fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        m_path = base / ("quillon-fuzz-" + std::to_string(::getpid()));
        fs::create_directories(m_path);
    }
    ~WorkDir() {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
};

const fs::path& WorkFolder() {
    static const WorkDir dir;
    return dir.Path();
}

void Put(const fs::path& path, const uint8_t* data, size_t size) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void CheckSaved(const fs::path& path) {
    const JsonFileContent saved = CJsonFile().ReadContent(path);
    Check(saved.state == JsonFileState::kParsed);
    Check(saved.value.isObject());
    Check(json::Get(saved.value, "Device").isArray());
    Check(!HoldsUnusableProfile(saved, 0));
}

void Basic(CBasicProfiledata& data, const fs::path& profile) {
    data.SetDefaultProfilePath(WorkFolder() / "no-default.Json");
    data.SetProfilePath(profile);
    data.SetLightConfigPath(profile);
    data.LoadProfile(profile);
    data.SetLightInfo(data.GetLightInfo());
    data.SetAudioLightInfo(data.GetAudioLightInfo());
    data.GetLightList();
    std::vector<KeyAssignEntry> keys = data.GetKeyList();
    Check(keys.size() <= kMaxKeyPositions);
    data.SetKeyList(keys);
    data.LoadLightConfig(profile);
    Check(data.GetLightEffectList().size() <= kMaxEffectSteps);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fs::path profile = WorkFolder() / "p.Json";
    for (const auto& entry : fs::directory_iterator(WorkFolder())) {
        fs::remove(entry.path());
    }

    Put(profile, data, size);
    CKeyboardProfiledata keyboard;
    Basic(keyboard, profile);
    keyboard.SetKeyboardSystem(keyboard.GetKeyboardSystem());
    keyboard.SetFnKeysetFlag(keyboard.GetFnKeysetFlag());
    const int group = keyboard.GetCustomGroupIndex();
    Check(group >= 0 && group < kMaxCustomColourGroups);
    keyboard.SetCustomColours(keyboard.GetCustomColours(group, 170), group);
    Check(keyboard.Save().ok());
    CheckSaved(profile);

    Put(profile, data, size);
    CMouseProfiledata mouse;
    Basic(mouse, profile);
    const std::vector<DpiStageRecord> stages = mouse.GetDpiStages();
    Check(stages.size() <= kMaxDpiStages);
    mouse.SetDpiStages(stages);
    mouse.SetActiveStage(mouse.GetActiveStage());
    const MouseSystemRecord s = mouse.GetMouseSystem();
    mouse.SetMouseSystem(s.doubleClickTime + s.pointerSpeed * 65536,
                         s.pointerPrecision + s.scrollPage * 65536,
                         s.wheelLines + s.reportStage * 65536);
    mouse.GetCorrectionPresets();
    Check(mouse.Save().ok());
    CheckSaved(profile);

    Put(profile, data, size);
    CDo6533Profiledata headset;
    Basic(headset, profile);
    const HeadsetSystemRecord h = headset.GetHeadsetSystem();
    headset.SetHeadsetSystem(h);
    Check(headset.GetEqPreset(h.eqType).size() <= static_cast<size_t>(kEqBands));
    const std::vector<int> custom = headset.GetCustomEq(h.customEqSelectIndex);
    Check(custom.size() == static_cast<size_t>(kEqBands));
    headset.SetCustomEq(h.customEqSelectIndex, custom);
    headset.SetCustomEqNames(headset.GetCustomEqNames());
    Check(headset.Save().ok());
    CheckSaved(profile);

    const Json::Value document =
        CJsonFile::Parse(std::string_view(reinterpret_cast<const char*>(data), size)).value;
    for (int type = -1; type < 5; ++type) {
        DefaultLightModes(document, type);
        LightAreaNames(document, type);
        LightDefinitionNames(document, type);
    }
    return 0;
}
