#pragma once
// CResourceManager: the skin's resource index ("res.xml": logical names such as
// "XML_MAIN" to layout files) and the interface language (text id -> text).
// Controls with the resource-text flag show the text of their id in the
// current language; a missing id shows the id itself and is traced once.
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "platform/result.h"

namespace ui {

// Asked for a text the language file does not have.
class IQueryControlText {
public:
    virtual ~IQueryControlText() = default;
    // Empty when it does not know the id either.
    virtual std::string QueryControlText(std::string_view id, std::string_view type) = 0;
};

class CResourceManager {
public:
    static CResourceManager* GetInstance();

    // Reads the resource index, a file relative to the resource path.
    platform::Status LoadResource(std::string_view file);
    // Reads the resource index from text.
    platform::Status LoadResourceText(std::string_view xml, std::string_view nameForErrors);
    // The file a logical name stands for; empty when unknown.
    std::string GetXmlPath(std::string_view name) const;
    std::string GetImagePath(std::string_view name) const;

    void SetLanguage(std::string_view name) { m_language = name; }
    const std::string& GetLanguage() const { return m_language; }
    // Replaces the texts with those of a language file (relative to the
    // resource path, or absolute). On error the current texts stay.
    platform::Status LoadLanguage(std::string_view file);
    platform::Status LoadLanguageText(std::string_view xml, std::string_view nameForErrors);
    // Refreshes every control that shows a text id.
    void ReloadText();

    std::string GetText(std::string_view id, std::string_view type = {});
    bool HasText(std::string_view id) const { return m_texts.count(std::string(id)) != 0; }
    void SetTextQueryInterface(IQueryControlText* query) { m_query = query; }

    // Forgets everything (index, texts, language).
    void Release();

private:
    std::unordered_map<std::string, std::string> m_xmls;
    std::unordered_map<std::string, std::string> m_images;
    std::unordered_map<std::string, std::string> m_texts;
    std::unordered_set<std::string> m_missingTraced;
    std::string m_language;
    IQueryControlText* m_query = nullptr;
};

}  // namespace ui
