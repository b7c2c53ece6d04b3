#pragma once

// The profile of one device: the device's entry of a profile document, held in
// memory, with typed getters and setters per section, read from and written to
// the profile file of the selected profile. A profile file holds an object
// whose "Device" array carries the entry at the device index; every other
// member of the file survives each save.
//
// Files from disk may be anything. A document of the wrong shape reads as
// absent and every getter then returns its section default; a profile file
// whose content cannot be used is kept aside (renamed) before anything is
// written over it; indices read from files are bounded before they index
// anything.
//
// One object serves one device from one thread; it holds no lock.

#include <json/value.h>

#include <cstdint>
#include <filesystem>
#include <vector>

#include "platform/result.h"
#include "profiles/json_file.h"
#include "profiles/profile_records.h"

namespace profiles {

// Upper bounds for lists read from files; beyond them a file is not a profile.
inline constexpr uint32_t kMaxKeyPositions = 1024;
inline constexpr uint32_t kMaxLightListEntries = 1024;
inline constexpr uint32_t kMaxEffectSteps = 4096;
inline constexpr int kMaxDeviceIndex = 15;

class CBasicProfiledata {
public:
    CBasicProfiledata() = default;
    virtual ~CBasicProfiledata() = default;
    CBasicProfiledata(const CBasicProfiledata&) = delete;
    CBasicProfiledata& operator=(const CBasicProfiledata&) = delete;

    // Writes the working entry into the profile file.
    virtual platform::Status Save();
    // Puts the entry at the device index of the file's "Device" array and
    // writes the file; its other members stay. The shipped default profile is
    // never written, and a file that holds something unusable is renamed aside
    // first (when that fails, nothing is written).
    virtual platform::Status WriteDeviceEntry(const Json::Value& entry,
                                              const std::filesystem::path& path);
    // Writes the auxiliary entry into a profile file.
    virtual platform::Status SaveAux(const std::filesystem::path& path);
    // Writes a whole document as it is.
    virtual platform::Status WriteDocument(const Json::Value& document,
                                           const std::filesystem::path& path);

    // Empty paths are ignored.
    void SetProfilePath(const std::filesystem::path& path);
    const std::filesystem::path& GetProfilePath() const { return m_profilePath; }
    void SetDefaultProfilePath(const std::filesystem::path& path);
    const std::filesystem::path& GetDefaultProfilePath() const { return m_defaultProfilePath; }
    // Indices outside 0..kMaxDeviceIndex are ignored.
    void SetDeviceIndex(int index);
    int GetDeviceIndex() const { return m_deviceIndex; }

    // Makes the profile file's entry the working entry. When the file holds no
    // usable entry, the default profile's entry is taken and written into the
    // file (a null entry when the default is missing too). Returns a copy.
    Json::Value LoadProfile(const std::filesystem::path& path);
    // The same with the auxiliary entry as target (a profile taken over from
    // another file).
    Json::Value LoadAuxProfile(const std::filesystem::path& path);
    const Json::Value& WorkingDocument() const { return m_document; }
    const Json::Value& AuxDocument() const { return m_auxDocument; }

    // "LightInfo"
    LightModeRecord GetLightInfo();
    void SetLightInfo(const LightModeRecord& record);
    // "AudioLightInfo"
    AudioLightRecord GetAudioLightInfo();
    void SetAudioLightInfo(const AudioLightRecord& record);
    // "LightList": one record per light; null elements give records whose
    // present flag is 0.
    std::vector<LightModeRecord> GetLightList();

    // The light definition file ("korva_light.config") and the effect files
    // it names.
    void SetLightConfigPath(const std::filesystem::path& path);
    const std::filesystem::path& GetLightConfigPath() const { return m_lightConfigPath; }
    Json::Value LoadLightConfig(const std::filesystem::path& path);
    // Which list of the definition file names the effects: the device index
    // unless set (the keyboard's list is the first). Devices of other kinds
    // set their device type index so effects match the names they show.
    void SetLightDefinitionIndex(int index);
    // The steps of the selected light mode's effect file. The file is
    // "<Guid>.light" inside the definition file's own folder; a Guid that is
    // not a plain file name gives no steps.
    std::vector<LightEffectStep> GetLightEffectList();

    // "KeyList" of the working and of the auxiliary entry. Setting writes the
    // normal and Fn codes of the first list-length elements and leaves
    // "DefaultAssignment" and the further elements as they are.
    std::vector<KeyAssignEntry> GetKeyList();
    void SetKeyList(const std::vector<KeyAssignEntry>& list);
    std::vector<KeyAssignEntry> GetAuxKeyList();
    void SetAuxKeyList(const std::vector<KeyAssignEntry>& list);

protected:
    // The working entry for the sections of the derived profiles: null or an
    // object (LoadProfile never keeps anything else).
    Json::Value& Document() { return m_document; }

private:
    Json::Value LoadInto(const std::filesystem::path& path, Json::Value& target);
    bool IsDefaultProfile(const std::filesystem::path& path) const;

    std::filesystem::path m_profilePath;
    std::filesystem::path m_defaultProfilePath;
    int m_builtInLightModes = 0;  // subtracted from the select item before the definition lookup
    LightModeRecord m_lightInfo;
    const LightModeRecord m_fallbackLightInfo{};  // while the entry has no "LightInfo"
    AudioLightRecord m_audioLightInfo;
    std::vector<LightModeRecord> m_lightList;
    Json::Value m_document;
    CJsonFile m_jsonFile;
    Json::Value m_auxDocument;
    std::filesystem::path m_lightConfigPath;
    std::filesystem::path m_lightDefinitionFolder;  // folder of the loaded definition file
    std::vector<LightEffectStep> m_lightEffects;
    Json::Value m_lightDefinition;
    std::vector<KeyAssignEntry> m_keyList;
    std::vector<KeyAssignEntry> m_auxKeyList;
    int m_deviceIndex = 0;
    int m_lightDefinitionIndex = -1;  // -1: the device index
};

// The device's entry of a profile document: the object at the index of its
// "Device" array, or null when the document has no usable entry there.
Json::Value DeviceEntry(const Json::Value& document, int deviceIndex);

// True when a read file holds content that is not a usable profile for the
// device index: something that cannot be read as a file, unparsable text, a top level that is not
// an object, a "Device" that is not an array, or an entry that is not an object. Missing files,
// empty files and absent or null entries are not unusable: they are simply filled from the
// defaults.
bool HoldsUnusableProfile(const JsonFileContent& content, int deviceIndex);

// Renames an unusable file aside, to "<name>.corrupt" (or "<name>.corrupt.N"
// when that is taken), so that what the user had is never lost.
platform::Result<std::filesystem::path> SetAside(const std::filesystem::path& path);

}  // namespace profiles
