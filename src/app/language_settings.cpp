#include "app/language_settings.h"

#include <json/json.h>

#include <memory>
#include <sstream>

#include "platform/file_io.h"
#include "platform/trace.h"

namespace app {

namespace {

constexpr size_t kMaxConfigBytes = 1u << 20;

std::optional<Json::Value> ReadJson(const std::filesystem::path& file) {
    std::optional<std::string> text = platform::ReadFile(file, kMaxConfigBytes);
    if (!text)
        return std::nullopt;
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    std::string errors;
    if (!reader->parse(text->data(), text->data() + text->size(), &root, &errors))
        return std::nullopt;
    return root;
}

std::optional<LanguageEntry> ReadEntry(const Json::Value& item) {
    if (!item.isObject())
        return std::nullopt;
    const Json::Value& id = item["Language_ID"];
    const Json::Value& name = item["Language_name"];
    const Json::Value& file = item["Language_file"];
    const Json::Value& text = item["Language_text"];
    if (!id.isIntegral() || !id.isUInt() || !name.isString() || !file.isString())
        return std::nullopt;
    LanguageEntry entry;
    entry.id = id.asUInt();
    entry.name = name.asString();
    entry.file = file.asString();
    entry.text = text.isString() ? text.asString() : entry.name;
    if (entry.name.empty() || entry.file.empty())
        return std::nullopt;
    return entry;
}

}  // namespace

LanguageSettings::LanguageSettings(std::filesystem::path languageConfig,
                                   platform::SettingsStore store)
    : m_config(std::move(languageConfig)), m_store(std::move(store)) {}

std::vector<std::optional<LanguageEntry>> LanguageSettings::Languages() const {
    std::vector<std::optional<LanguageEntry>> list;
    std::optional<Json::Value> root = ReadJson(m_config);
    if (!root || !root->isObject())
        return list;
    const Json::Value& languages = (*root)["Language"];
    if (!languages.isArray())
        return list;
    for (Json::ArrayIndex i = 0; i < languages.size(); ++i)
        list.push_back(ReadEntry(languages[i]));
    return list;
}

std::optional<LanguageEntry> LanguageSettings::Entry(int index) const {
    if (index < 0)
        return std::nullopt;
    const auto list = Languages();
    if (static_cast<size_t>(index) >= list.size())
        return std::nullopt;
    return list[static_cast<size_t>(index)];
}

int LanguageSettings::GetSavedLanguageIndex() const {
    const uint32_t saved =
        m_store.GetDword(kLanguageKey, kLanguageValue).value_or(kDefaultLanguageId);
    const auto list = Languages();
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i] && list[i]->id == saved)
            return static_cast<int>(i);
    }
    return 0;
}

platform::Status LanguageSettings::SaveLanguageId(uint32_t id) {
    platform::Status status = m_store.SetDword(kLanguageKey, kLanguageValue, id);
    if (status)
        platform::Trace("写成功！");
    else
        platform::Trace("language: cannot save the choice: " + status.error().message);
    return status;
}

}  // namespace app
