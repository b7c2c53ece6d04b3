#pragma once

// Whole JSON documents on disk. Reading never fails loudly: a file that is
// missing, empty or malformed reads as the null value, and the caller learns
// which of those it was. Writing renders the styled form (three-space
// indentation, one member per line) and replaces the file atomically.

#include <json/value.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace profiles {

enum class JsonFileState {
    kMissing,     // no such file
    kUnreadable,  // there, but not readable as a file (not a regular file, too large, refused)
    kEmpty,       // nothing but white space
    kMalformed,   // content that does not parse
    kParsed,
};

struct JsonFileContent {
    Json::Value value;  // null unless parsed
    JsonFileState state = JsonFileState::kMissing;
};

class CJsonFile {
public:
    // The document, or null when the file is missing, empty or malformed.
    Json::Value Read(const std::filesystem::path& path) const;
    JsonFileContent ReadContent(const std::filesystem::path& path) const;

    // Writes the styled rendering followed by one newline, atomically.
    platform::Status Write(const std::filesystem::path& path, const Json::Value& value) const;

    // Parses text the way Read parses a file (comments kept). Never throws.
    static JsonFileContent Parse(std::string_view text);
    // The exact text Write puts into a file.
    static std::string StyledText(const Json::Value& value);
};

}  // namespace profiles
