#include "profiles/json_file.h"

#include <json/reader.h>
#include <json/writer.h>

#include <exception>
#include <memory>
#include <system_error>

#include "platform/file_io.h"
#include "platform/trace.h"

namespace profiles {

namespace {

bool IsBlank(std::string_view text) {
    return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

}  // namespace

JsonFileContent CJsonFile::Parse(std::string_view text) {
    JsonFileContent result;
    if (IsBlank(text)) {
        result.state = JsonFileState::kEmpty;
        return result;
    }
    Json::CharReaderBuilder builder;
    builder["collectComments"] = true;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value value;
    std::string errors;
    bool parsed = false;
    try {
        // The reader throws instead of reporting for some inputs (nesting
        // deeper than its stack limit).
        parsed = reader->parse(text.data(), text.data() + text.size(), &value, &errors);
    } catch (const std::exception& e) {
        errors = e.what();
    }
    if (!parsed) {
        result.state = JsonFileState::kMalformed;
        return result;
    }
    result.value = std::move(value);
    result.state = JsonFileState::kParsed;
    return result;
}

JsonFileContent CJsonFile::ReadContent(const std::filesystem::path& path) const {
    const std::optional<std::string> text = platform::ReadFile(path);
    if (!text) {
        JsonFileContent content;
        std::error_code ec;
        if (std::filesystem::exists(std::filesystem::symlink_status(path, ec))) {
            platform::Trace("json: cannot read " + path.string());
            content.state = JsonFileState::kUnreadable;
        }
        return content;
    }
    JsonFileContent content = Parse(*text);
    if (content.state == JsonFileState::kMalformed) {
        platform::Trace("json: malformed " + path.string());
    }
    return content;
}

Json::Value CJsonFile::Read(const std::filesystem::path& path) const {
    return ReadContent(path).value;
}

std::string CJsonFile::StyledText(const Json::Value& value) {
    // StyledWriter already ends its text with the one newline the file carries.
    Json::StyledWriter writer;
    return writer.write(value);
}

platform::Status CJsonFile::Write(const std::filesystem::path& path,
                                  const Json::Value& value) const {
    platform::Status status = platform::WriteFileAtomic(path, StyledText(value));
    if (!status) {
        platform::Trace("json: " + status.error().message);
    }
    return status;
}

}  // namespace profiles
