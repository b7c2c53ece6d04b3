#include "ui/builder.h"

#include <pugixml.hpp>

#include "ui/container.h"
#include "ui/controls.h"
#include "ui/list.h"
#include "ui/paint_manager.h"
#include "ui/resource_manager.h"
#include "ui/xml_util.h"

namespace ui {

CControlFactory* CControlFactory::GetInstance() {
    static CControlFactory instance;
    return &instance;
}

CControlFactory::CControlFactory() {
    RegistControl("Control", &CreateControlOf<CControlUI>);
    RegistControl("Container", &CreateControlOf<CContainerUI>);
    RegistControl("VerticalLayout", &CreateControlOf<CVerticalLayoutUI>);
    RegistControl("HorizontalLayout", &CreateControlOf<CHorizontalLayoutUI>);
    RegistControl("TabLayout", &CreateControlOf<CTabLayoutUI>);
    RegistControl("Label", &CreateControlOf<CLabelUI>);
    RegistControl("Text", &CreateControlOf<CTextUI>);
    RegistControl("Button", &CreateControlOf<CButtonUI>);
    RegistControl("Option", &CreateControlOf<COptionUI>);
    RegistControl("CheckBox", &CreateControlOf<CCheckBoxUI>);
    RegistControl("Combo", &CreateControlOf<CComboUI>);
    RegistControl("Slider", &CreateControlOf<CSliderUI>);
    RegistControl("Edit", &CreateControlOf<CEditUI>);
    RegistControl("Progress", &CreateControlOf<CProgressUI>);
    RegistControl("ColorPalette", &CreateControlOf<CColorPaletteUI>);
    RegistControl("List", &CreateControlOf<CListUI>);
    RegistControl("ListContainerElement", &CreateControlOf<CListContainerElementUI>);
    RegistControl("ListLabelElement", &CreateControlOf<CListLabelElementUI>);
}

void CControlFactory::RegistControl(std::string_view className, CreateFn create) {
    if (create == nullptr)
        return;
    m_creators[ToLower(className)] = create;
}

bool CControlFactory::IsRegistered(std::string_view name) const {
    return m_creators.count(ToLower(name)) != 0;
}

std::unique_ptr<CControlUI> CControlFactory::CreateControl(std::string_view name) const {
    auto it = m_creators.find(ToLower(name));
    if (it == m_creators.end()) {
        // "Button" also answers to "CButtonUI" and the other way round.
        std::string alt = ToLower(name);
        if (alt.size() > 3 && alt.front() == 'c' && alt.ends_with("ui")) {
            alt = alt.substr(1, alt.size() - 3);
        } else {
            alt = "c" + alt + "ui";
        }
        it = m_creators.find(alt);
        if (it == m_creators.end())
            return nullptr;
    }
    return it->second();
}

namespace {

class Builder {
public:
    Builder(IDialogBuilderCallback* callback, CPaintManagerUI* manager, int depth)
        : m_callback(callback), m_manager(manager), m_depth(depth) {}

    platform::Result<std::unique_ptr<CControlUI>> Build(std::string_view source,
                                                        CControlUI* parent) {
        if (m_depth > 16)
            return platform::Error{"layouts include each other too deeply"};
        std::string text;
        std::string name;
        size_t first = source.find_first_not_of(" \t\r\n");
        if (first != std::string_view::npos && source[first] == '<') {
            text = source;
            name = "<layout text>";
        } else {
            std::string file = CResourceManager::GetInstance()->GetXmlPath(source);
            if (file.empty())
                file = NormalizePath(source);
            auto read = ReadSkinFile(file);
            if (!read)
                return read.error();
            text = std::move(*read);
            name = file;
        }
        m_text = &text;
        m_file = name;
        pugi::xml_document doc;
        pugi::xml_parse_result parsed = doc.load_buffer(text.data(), text.size());
        if (!parsed)
            return Fail(parsed.offset, parsed.description());
        pugi::xml_node root = doc.document_element();
        if (!root)
            return Fail(0, "no root element");
        if (EqualsNoCase(root.name(), "Window")) {
            if (auto s = ApplyWindow(root); !s)
                return s.error();
            std::unique_ptr<CControlUI> result;
            for (pugi::xml_node n : root.children()) {
                if (n.type() != pugi::node_element)
                    continue;
                const std::string_view tag = n.name();
                if (EqualsNoCase(tag, "Font") || EqualsNoCase(tag, "Default") ||
                    EqualsNoCase(tag, "Style") || EqualsNoCase(tag, "Image") ||
                    EqualsNoCase(tag, "Theme")) {
                    continue;
                }
                if (result)
                    return Fail(n.offset_debug(), "a window holds one root control");
                auto c = BuildControl(n, parent);
                if (!c)
                    return c.error();
                result = std::move(*c);
            }
            if (!result)
                return Fail(root.offset_debug(), "the window has no root control");
            return result;
        }
        return BuildControl(root, parent);
    }

private:
    platform::Error Fail(ptrdiff_t offset, std::string_view what) const {
        return platform::Error{m_file + ":" + std::to_string(LineOfOffset(*m_text, offset)) + ": " +
                               std::string(what)};
    }

    platform::Status ApplyWindow(pugi::xml_node window) {
        if (m_manager == nullptr)
            return platform::Status::Ok();
        for (pugi::xml_attribute a : window.attributes()) {
            const std::string name = ToLower(a.name());
            const std::string_view v = a.value();
            if (name == "size" || name == "mininfo") {
                auto s = ParseSize(v);
                if (!s)
                    return Fail(window.offset_debug(),
                                "bad value for '" + name + "': '" + std::string(v) + "'");
                name == "size" ? m_manager->SetInitSize(*s) : m_manager->SetMinInfo(*s);
            } else if (name == "caption") {
                auto r = ParseRect(v);
                if (!r)
                    return Fail(window.offset_debug(),
                                "bad value for 'caption': '" + std::string(v) + "'");
                m_manager->SetCaptionRect(*r);
            } else if (name == "maxinfo" || name == "sizebox" || name == "roundcorner" ||
                       name == "opacity" || name == "layered" || name == "bktrans" ||
                       name == "showshadow") {
                // Window decoration the backend may honour.
            } else {
                return Fail(window.offset_debug(), "unknown window attribute '" + name + "'");
            }
        }
        return ApplyDefinitions(window, 0);
    }

    // Fonts, per-class defaults and named styles of a window, and those of the
    // themes it names (<Theme source="..."/>, a file whose root is <Theme>).
    platform::Status ApplyDefinitions(pugi::xml_node holder, int themeDepth) {
        for (pugi::xml_node n : holder.children()) {
            if (n.type() != pugi::node_element)
                continue;
            const std::string_view tag = n.name();
            if (EqualsNoCase(tag, "Font")) {
                auto size = ParseInt(n.attribute("size").as_string("12"));
                const std::string face = n.attribute("name").as_string();
                if (!size || *size <= 0 || face.empty()) {
                    return Fail(n.offset_debug(), "a font needs a name and a positive size");
                }
                const bool bold = n.attribute("bold").as_bool();
                const bool underline = n.attribute("underline").as_bool();
                const bool italic = n.attribute("italic").as_bool();
                const bool shared = n.attribute("shared").as_bool();
                if (n.attribute("default").as_bool()) {
                    m_manager->SetDefaultFont(face, *size, bold, underline, italic, shared);
                }
                if (n.attribute("id")) {
                    auto id = ParseInt(n.attribute("id").as_string());
                    if (!id)
                        return Fail(n.offset_debug(), "bad font id");
                    m_manager->AddFont(*id, face, *size, bold, underline, italic, shared);
                }
            } else if (EqualsNoCase(tag, "Default")) {
                m_manager->AddDefaultAttributeList(n.attribute("name").as_string(),
                                                   n.attribute("value").as_string());
            } else if (EqualsNoCase(tag, "Style")) {
                m_manager->AddStyle(n.attribute("name").as_string(),
                                    n.attribute("value").as_string());
            } else if (EqualsNoCase(tag, "Theme")) {
                if (auto st = ApplyTheme(n, themeDepth); !st)
                    return st;
            }
        }
        return platform::Status::Ok();
    }

    platform::Status ApplyTheme(pugi::xml_node n, int themeDepth) {
        const std::string source = n.attribute("source").as_string();
        if (source.empty())
            return Fail(n.offset_debug(), "a theme needs a source");
        if (themeDepth > 4)
            return Fail(n.offset_debug(), "themes name each other too deeply");
        std::string file = CResourceManager::GetInstance()->GetXmlPath(source);
        if (file.empty())
            file = NormalizePath(source);
        auto read = ReadSkinFile(file);
        if (!read)
            return Fail(n.offset_debug(), read.error().message);
        pugi::xml_document doc;
        if (!doc.load_buffer(read->data(), read->size()) ||
            !EqualsNoCase(doc.document_element().name(), "Theme")) {
            return Fail(n.offset_debug(), "'" + file + "' is not a theme");
        }
        // Errors inside the theme name the theme file.
        const std::string* savedText = m_text;
        const std::string savedFile = m_file;
        m_text = &*read;
        m_file = file;
        platform::Status st = ApplyDefinitions(doc.document_element(), themeDepth + 1);
        m_text = savedText;
        m_file = savedFile;
        return st;
    }

    platform::Result<std::unique_ptr<CControlUI>> Create(pugi::xml_node n) {
        const std::string_view tag = n.name();
        std::unique_ptr<CControlUI> c = CControlFactory::GetInstance()->CreateControl(tag);
        if (!c && m_callback != nullptr)
            c = m_callback->CreateControl(tag);
        if (!c)
            return Fail(n.offset_debug(), "unknown control class '" + std::string(tag) + "'");
        return c;
    }

    platform::Result<std::unique_ptr<CControlUI>> BuildControl(pugi::xml_node n,
                                                               CControlUI* parent) {
        auto created = Create(n);
        if (!created)
            return created.error();
        std::unique_ptr<CControlUI> c = std::move(*created);
        c->SetManager(m_manager, parent, false);
        if (m_manager != nullptr) {
            if (const std::string* defaults = m_manager->GetDefaultAttributeList(n.name())) {
                std::string error;
                if (c->ApplyAttributeList(*defaults, &error) != AttrResult::Ok) {
                    return Fail(n.offset_debug(),
                                "default attributes of <" + std::string(n.name()) + ">: " + error);
                }
            }
        }
        for (pugi::xml_attribute a : n.attributes()) {
            const AttrResult r = c->SetAttribute(a.name(), a.value());
            if (r == AttrResult::Unknown) {
                return Fail(n.offset_debug(), "unknown attribute '" + std::string(a.name()) +
                                                  "' on <" + std::string(n.name()) + ">");
            }
            if (r == AttrResult::BadValue) {
                return Fail(n.offset_debug(), "bad value for '" + std::string(a.name()) + "' on <" +
                                                  std::string(n.name()) + ">: '" + a.value() + "'");
            }
        }
        auto* container = dynamic_cast<CContainerUI*>(c.get());
        for (pugi::xml_node child : n.children()) {
            if (child.type() != pugi::node_element)
                continue;
            if (container == nullptr) {
                return Fail(child.offset_debug(),
                            "<" + std::string(n.name()) + "> cannot hold controls");
            }
            if (EqualsNoCase(child.name(), "Include")) {
                auto s = Include(child, container);
                if (!s)
                    return s.error();
                continue;
            }
            auto built = BuildControl(child, container);
            if (!built)
                return built.error();
            container->Add(std::move(*built));
        }
        return c;
    }

    platform::Status Include(pugi::xml_node n, CContainerUI* container) {
        const std::string source = n.attribute("source").as_string();
        if (source.empty())
            return Fail(n.offset_debug(), "<Include> needs a source");
        auto count = ParseInt(n.attribute("count").as_string("1"));
        if (!count || *count < 0 || *count > 10000)
            return Fail(n.offset_debug(), "bad include count");
        for (int i = 0; i < *count; ++i) {
            Builder nested(m_callback, m_manager, m_depth + 1);
            auto built = nested.Build(source, container);
            if (!built)
                return built.error();
            container->Add(std::move(*built));
        }
        return platform::Status::Ok();
    }

    IDialogBuilderCallback* m_callback;
    CPaintManagerUI* m_manager;
    int m_depth;
    const std::string* m_text = nullptr;
    std::string m_file;
};

}  // namespace

platform::Result<std::unique_ptr<CControlUI>> CDialogBuilder::Create(
    std::string_view source, IDialogBuilderCallback* callback, CPaintManagerUI* manager,
    CControlUI* parent) {
    Builder builder(callback, manager, 0);
    auto result = builder.Build(source, parent);
    m_lastError = result ? std::string() : result.error().message;
    return result;
}

std::unique_ptr<CControlUI> CDialogBuilder::CreateOrNull(std::string_view source,
                                                         IDialogBuilderCallback* callback,
                                                         CPaintManagerUI* manager,
                                                         CControlUI* parent) {
    auto result = Create(source, callback, manager, parent);
    if (!result)
        return nullptr;
    return std::move(*result);
}

}  // namespace ui
