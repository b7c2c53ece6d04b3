#pragma once

// Small helpers shared by the profile tests: documents from text, files in a
// temporary folder.

#include <json/value.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "profiles/json_file.h"

namespace profiles::testing {

inline Json::Value Doc(const std::string& text) {
    JsonFileContent content = CJsonFile::Parse(text);
    return content.value;
}

inline void Put(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline Json::Value ReadDoc(const std::filesystem::path& path) {
    return CJsonFile().Read(path);
}

}  // namespace profiles::testing
