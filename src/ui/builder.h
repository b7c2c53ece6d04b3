#pragma once
// CDialogBuilder builds a control tree from a layout; CControlFactory creates
// controls by class name. Tags the factory does not know are offered to the
// caller's CreateControl callback; anything else is an error naming the file
// and line.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/result.h"
#include "ui/control.h"

namespace ui {

class CPaintManagerUI;

class IDialogBuilderCallback {
public:
    virtual ~IDialogBuilderCallback() = default;
    // Null when the tag is not the callback's (compare without regard to case).
    virtual std::unique_ptr<CControlUI> CreateControl(std::string_view tag) = 0;
};

class CControlFactory {
public:
    using CreateFn = std::unique_ptr<CControlUI> (*)();
    static CControlFactory* GetInstance();

    // Names compare without regard to case; registering a name again replaces it.
    void RegistControl(std::string_view className, CreateFn create);
    // By the tag or by its class name ("Button" or "CButtonUI"); null when unknown.
    std::unique_ptr<CControlUI> CreateControl(std::string_view name) const;
    bool IsRegistered(std::string_view name) const;

private:
    CControlFactory();
    std::unordered_map<std::string, CreateFn> m_creators;
};

template <class T>
std::unique_ptr<CControlUI> CreateControlOf() {
    return std::make_unique<T>();
}

class CDialogBuilder {
public:
    // `source` is a logical name of the resource index ("XML_MAIN"), or a file
    // relative to the resource path (backslashes accepted), or the layout text
    // itself when it starts with '<'. With a manager, the window's fonts,
    // styles and sizes are given to it.
    platform::Result<std::unique_ptr<CControlUI>> Create(std::string_view source,
                                                         IDialogBuilderCallback* callback,
                                                         CPaintManagerUI* manager,
                                                         CControlUI* parent = nullptr);
    // The old style: null on error, the message kept in GetLastError.
    std::unique_ptr<CControlUI> CreateOrNull(std::string_view source,
                                             IDialogBuilderCallback* callback,
                                             CPaintManagerUI* manager,
                                             CControlUI* parent = nullptr);
    const std::string& GetLastError() const { return m_lastError; }

private:
    std::string m_lastError;
};

}  // namespace ui
