#include "platform/settings_store.h"

#include <json/json.h>

#include <memory>
#include <sstream>
#include <system_error>

#include "platform/file_io.h"
#include "platform/paths.h"
#include "platform/trace.h"

namespace platform {

namespace {

constexpr size_t kMaxStoreSize = 1u << 20;

// The document, or null when the file is missing; `malformed` tells a broken file
// from a missing one.
Json::Value Load(const std::filesystem::path& file, bool* malformed) {
    *malformed = false;
    std::optional<std::string> text = ReadFile(file, kMaxStoreSize);
    if (!text) {
        std::error_code ec;
        *malformed = std::filesystem::exists(file, ec);
        return Json::Value(Json::objectValue);
    }
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    std::string errors;
    if (!reader->parse(text->data(), text->data() + text->size(), &root, &errors) ||
        !root.isObject()) {
        *malformed = true;
        return Json::Value(Json::objectValue);
    }
    return root;
}

const Json::Value* Find(const Json::Value& root, const std::string& key, const std::string& name) {
    const Json::Value* section = root.find(key.data(), key.data() + key.size());
    if (section == nullptr || !section->isObject()) {
        return nullptr;
    }
    return section->find(name.data(), name.data() + name.size());
}

Json::Value& Section(Json::Value& root, const std::string& key) {
    Json::Value& section = root[key];
    if (!section.isObject()) {
        section = Json::Value(Json::objectValue);
    }
    return section;
}

template <class Change>
Status Modify(const std::filesystem::path& file, Change change) {
    bool malformed = false;
    Json::Value root = Load(file, &malformed);
    if (malformed) {
        // Keep the broken file aside rather than losing whatever it held.
        std::error_code ec;
        std::filesystem::rename(file, file.string() + ".bad", ec);
        Trace("settings: kept an unreadable settings file aside as " + file.string() + ".bad");
    }
    change(root);
    Json::StreamWriterBuilder writer;
    writer["indentation"] = "   ";
    return WriteFileAtomic(file, Json::writeString(writer, root) + "\n");
}

}  // namespace

SettingsStore::SettingsStore() : m_file(ConfigFolder() / "registry.json") {}

SettingsStore::SettingsStore(std::filesystem::path file) : m_file(std::move(file)) {}

std::optional<std::string> SettingsStore::GetString(const std::string& key,
                                                    const std::string& name) const {
    bool malformed = false;
    const Json::Value root = Load(m_file, &malformed);
    const Json::Value* v = Find(root, key, name);
    if (v == nullptr || !v->isString()) {
        return std::nullopt;
    }
    return v->asString();
}

std::optional<uint32_t> SettingsStore::GetDword(const std::string& key,
                                                const std::string& name) const {
    bool malformed = false;
    const Json::Value root = Load(m_file, &malformed);
    const Json::Value* v = Find(root, key, name);
    if (v == nullptr || !v->isUInt()) {
        return std::nullopt;
    }
    return v->asUInt();
}

Status SettingsStore::SetString(const std::string& key, const std::string& name,
                                const std::string& value) {
    return Modify(m_file, [&](Json::Value& root) { Section(root, key)[name] = value; });
}

Status SettingsStore::SetDword(const std::string& key, const std::string& name, uint32_t value) {
    return Modify(m_file, [&](Json::Value& root) { Section(root, key)[name] = value; });
}

Status SettingsStore::DeleteValue(const std::string& key, const std::string& name) {
    return Modify(m_file, [&](Json::Value& root) {
        if (root.isMember(key) && root[key].isObject()) {
            root[key].removeMember(name);
        }
    });
}

}  // namespace platform
