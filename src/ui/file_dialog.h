#pragma once
// Open and save dialogs behind a small interface: the Qt backend shows real
// ones; headless, a test queues the answers the "user" gives.
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace ui {

class CWindowWnd;

struct FileDialogRequest {
    bool save = false;
    CWindowWnd* owner = nullptr;
    std::string title;
    // "PNG pictures (*.png)", "All files (*)"; the first is preselected.
    std::vector<std::string> filters;
    std::string defaultExtension;  // without the dot; added when the name has none
    std::string initialPath;       // a folder, or a file name to propose
};

class IFileDialogs {
public:
    virtual ~IFileDialogs() = default;
    // The chosen path, or nullopt when the user cancelled.
    virtual std::optional<std::string> Ask(const FileDialogRequest& request) = 0;
};

// Answers from a queue; an empty queue cancels. Keeps every request.
class ScriptedFileDialogs : public IFileDialogs {
public:
    std::optional<std::string> Ask(const FileDialogRequest& request) override;
    void QueueAnswer(std::optional<std::string> answer) { m_answers.push_back(std::move(answer)); }
    const std::vector<FileDialogRequest>& Requests() const { return m_requests; }

private:
    std::deque<std::optional<std::string>> m_answers;
    std::vector<FileDialogRequest> m_requests;
};

// The dialogs the program uses (scripted and empty unless a backend installed its own).
IFileDialogs& GetFileDialogs();
void SetFileDialogs(IFileDialogs* dialogs);

// Shorthands.
std::optional<std::string> OpenFileDialog(FileDialogRequest request);
std::optional<std::string> SaveFileDialog(FileDialogRequest request);

}  // namespace ui
