#include "ui/resource_manager.h"

#include <pugixml.hpp>

#include "platform/trace.h"
#include "ui/base.h"
#include "ui/paint_manager.h"
#include "ui/xml_util.h"

namespace ui {

CResourceManager* CResourceManager::GetInstance() {
    static CResourceManager instance;
    return &instance;
}

namespace {

platform::Result<pugi::xml_document*> Parse(pugi::xml_document& doc, std::string_view xml,
                                            std::string_view name) {
    pugi::xml_parse_result r = doc.load_buffer(xml.data(), xml.size());
    if (!r) {
        return platform::Error{std::string(name) + ":" +
                               std::to_string(LineOfOffset(xml, r.offset)) + ": " +
                               r.description()};
    }
    return &doc;
}

}  // namespace

platform::Status CResourceManager::LoadResource(std::string_view file) {
    auto text = ReadSkinFile(file);
    if (!text)
        return text.error();
    return LoadResourceText(*text, file);
}

platform::Status CResourceManager::LoadResourceText(std::string_view xml,
                                                    std::string_view nameForErrors) {
    pugi::xml_document doc;
    auto parsed = Parse(doc, xml, nameForErrors);
    if (!parsed)
        return parsed.error();
    pugi::xml_node root = doc.document_element();
    std::unordered_map<std::string, std::string> xmls;
    std::unordered_map<std::string, std::string> images;
    for (pugi::xml_node n : root.children()) {
        if (n.type() != pugi::node_element)
            continue;
        const std::string tag = ToLower(n.name());
        const std::string key = n.attribute("name").as_string();
        const std::string value = NormalizePath(n.attribute("file").as_string());
        if ((tag != "xml" && tag != "image") || key.empty() || value.empty()) {
            return platform::Error{std::string(nameForErrors) + ":" +
                                   std::to_string(LineOfOffset(xml, n.offset_debug())) +
                                   ": expected <Xml name=\"...\" file=\"...\"/> or <Image .../>"};
        }
        (tag == "xml" ? xmls : images)[key] = value;
    }
    for (auto& [k, v] : xmls)
        m_xmls[k] = v;
    for (auto& [k, v] : images)
        m_images[k] = v;
    return platform::Status::Ok();
}

std::string CResourceManager::GetXmlPath(std::string_view name) const {
    auto it = m_xmls.find(std::string(name));
    return it == m_xmls.end() ? std::string() : it->second;
}

std::string CResourceManager::GetImagePath(std::string_view name) const {
    auto it = m_images.find(std::string(name));
    return it == m_images.end() ? std::string() : it->second;
}

platform::Status CResourceManager::LoadLanguage(std::string_view file) {
    auto text = ReadSkinFile(file);
    if (!text)
        return text.error();
    return LoadLanguageText(*text, file);
}

platform::Status CResourceManager::LoadLanguageText(std::string_view xml,
                                                    std::string_view nameForErrors) {
    pugi::xml_document doc;
    auto parsed = Parse(doc, xml, nameForErrors);
    if (!parsed)
        return parsed.error();
    std::unordered_map<std::string, std::string> texts;
    for (pugi::xml_node n : doc.document_element().children()) {
        if (n.type() != pugi::node_element)
            continue;
        const std::string id = n.attribute("id").as_string();
        if (!EqualsNoCase(n.name(), "Text") || id.empty()) {
            return platform::Error{std::string(nameForErrors) + ":" +
                                   std::to_string(LineOfOffset(xml, n.offset_debug())) +
                                   ": expected <Text id=\"...\" value=\"...\"/>"};
        }
        pugi::xml_attribute value = n.attribute("value");
        texts[id] = value ? value.as_string() : n.child_value();
    }
    m_texts = std::move(texts);
    m_missingTraced.clear();
    return platform::Status::Ok();
}

void CResourceManager::ReloadText() {
    for (CPaintManagerUI* pm : CPaintManagerUI::GetManagers()) {
        if (pm->GetRoot() == nullptr)
            continue;
        // Texts are looked up when shown; sizes that follow the text need a new layout.
        pm->GetRoot()->NeedUpdate();
        pm->Invalidate();
    }
}

std::string CResourceManager::GetText(std::string_view id, std::string_view type) {
    if (id.empty())
        return {};
    auto it = m_texts.find(std::string(id));
    if (it != m_texts.end())
        return it->second;
    if (m_query != nullptr) {
        std::string text = m_query->QueryControlText(id, type);
        if (!text.empty())
            return text;
    }
    if (m_missingTraced.insert(std::string(id)).second) {
        platform::Trace("ui: no text for id '" + std::string(id) + "' in language '" + m_language +
                        "'");
    }
    return std::string(id);
}

void CResourceManager::Release() {
    m_xmls.clear();
    m_images.clear();
    m_texts.clear();
    m_missingTraced.clear();
    m_language.clear();
    m_query = nullptr;
}

}  // namespace ui
