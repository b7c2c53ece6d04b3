#include "ui/file_dialog.h"

namespace ui {

namespace {
IFileDialogs*& Installed() {
    static IFileDialogs* dialogs = nullptr;
    return dialogs;
}
}  // namespace

std::optional<std::string> ScriptedFileDialogs::Ask(const FileDialogRequest& request) {
    m_requests.push_back(request);
    if (m_answers.empty())
        return std::nullopt;
    std::optional<std::string> answer = std::move(m_answers.front());
    m_answers.pop_front();
    if (answer && !request.defaultExtension.empty()) {
        const size_t slash = answer->find_last_of('/');
        const size_t dot = answer->find_last_of('.');
        if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
            *answer += "." + request.defaultExtension;
    }
    return answer;
}

IFileDialogs& GetFileDialogs() {
    static ScriptedFileDialogs headless;
    return Installed() != nullptr ? *Installed() : headless;
}

void SetFileDialogs(IFileDialogs* dialogs) {
    Installed() = dialogs;
}

std::optional<std::string> OpenFileDialog(FileDialogRequest request) {
    request.save = false;
    return GetFileDialogs().Ask(request);
}

std::optional<std::string> SaveFileDialog(FileDialogRequest request) {
    request.save = true;
    return GetFileDialogs().Ask(request);
}

}  // namespace ui
