#include "ui/xml_util.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "ui/base.h"
#include "ui/paint_manager.h"

namespace ui {

std::string ResolveSkinPath(std::string_view file) {
    std::string path = NormalizePath(file);
    if (!path.empty() && path.front() == '/')
        return path;
    return CPaintManagerUI::GetResourcePath() + path;
}

platform::Result<std::string> ReadSkinFile(std::string_view file) {
    const std::string path = ResolveSkinPath(file);
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return platform::Error{std::string(file) + ": cannot open " + path, 0};
    std::ostringstream ss;
    ss << in.rdbuf();
    if (in.bad())
        return platform::Error{std::string(file) + ": cannot read " + path, 0};
    return ss.str();
}

int LineOfOffset(std::string_view text, std::ptrdiff_t offset) {
    if (offset < 0)
        return 0;
    const size_t end = std::min(text.size(), static_cast<size_t>(offset));
    return 1 + static_cast<int>(
                   std::count(text.begin(), text.begin() + static_cast<ptrdiff_t>(end), '\n'));
}

}  // namespace ui
