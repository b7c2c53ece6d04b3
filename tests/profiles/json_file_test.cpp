#include "profiles/json_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/file_io.h"
#include "support/temp_env.h"

namespace profiles {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void Put(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

TEST(CJsonFile, ReadsMissingEmptyAndMalformedFilesAsNull) {
    testsupport::TempDir dir;
    struct Case {
        const char* name;
        const char* content;  // nullptr: no file
        JsonFileState state;
    };
    const Case cases[] = {
        {"missing", nullptr, JsonFileState::kMissing},
        {"folder", nullptr, JsonFileState::kUnreadable},  // made a folder below
        {"empty", "", JsonFileState::kEmpty},
        {"blank", " \n\t ", JsonFileState::kEmpty},
        {"truncated", "{\"Device\":[{\"LightInfo\":", JsonFileState::kMalformed},
        {"garbage", "\x01\x02not json", JsonFileState::kMalformed},
        {"deep", nullptr, JsonFileState::kMalformed},  // filled below
        {"comment", "// kept\n{\"a\": 1}", JsonFileState::kParsed},
    };
    for (const Case& c : cases) {
        const fs::path path = dir.Path() / c.name;
        if (std::string(c.name) == "folder") {
            fs::create_directory(path);
        } else if (std::string(c.name) == "deep") {
            // Deeper than the reader's stack limit: it throws inside.
            Put(path, std::string(5000, '[') + std::string(5000, ']'));
        } else if (c.content != nullptr) {
            Put(path, c.content);
        }
        CJsonFile file;
        const JsonFileContent content = file.ReadContent(path);
        EXPECT_EQ(content.state, c.state) << c.name;
        EXPECT_EQ(file.Read(path).isNull(), c.state != JsonFileState::kParsed) << c.name;
    }
}

TEST(CJsonFile, WritesTheStyledForm) {
    testsupport::TempDir dir;
    Json::Value doc(Json::objectValue);
    doc["b"] = 1;
    doc["a"]["x"] = "text";
    doc["a"]["y"] = true;
    doc["list"].append(1);
    doc["list"].append(2);
    doc["objects"].append(Json::Value(Json::objectValue));
    doc["objects"][0]["value"] = -3;
    doc["empty"] = Json::Value(Json::arrayValue);
    doc["none"] = Json::Value();
    const fs::path path = dir.Path() / "styled.Json";
    ASSERT_TRUE(CJsonFile().Write(path, doc));
    const std::string expected =
        "{\n"
        "   \"a\" : {\n"
        "      \"x\" : \"text\",\n"
        "      \"y\" : true\n"
        "   },\n"
        "   \"b\" : 1,\n"
        "   \"empty\" : [],\n"
        "   \"list\" : [ 1, 2 ],\n"
        "   \"none\" : null,\n"
        "   \"objects\" : [\n"
        "      {\n"
        "         \"value\" : -3\n"
        "      }\n"
        "   ]\n"
        "}\n";
    EXPECT_EQ(Slurp(path), expected);
    EXPECT_EQ(CJsonFile().Read(path), doc);
}

TEST(CJsonFile, FailedWriteLeavesTheOldFile) {
    testsupport::TempDir dir;
    const fs::path path = dir.Path() / "profile.Json";
    Json::Value old(Json::objectValue);
    old["Device"].append(Json::Value(Json::objectValue));
    old["Device"][0]["LightInfo"]["Light"] = 3;
    ASSERT_TRUE(CJsonFile().Write(path, old));
    const std::string before = Slurp(path);

    Json::Value next = old;
    next["Device"][0]["LightInfo"]["Light"] = 4;
    next["padding"] = std::string(4096, 'x');
    {
        platform::ScopedWriteFault fault(100);
        EXPECT_FALSE(CJsonFile().Write(path, next));
    }
    EXPECT_EQ(Slurp(path), before);
    // No temporary file is left behind either.
    size_t files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.Path())) {
        ++files;
    }
    EXPECT_EQ(files, 1u);
}

}  // namespace
}  // namespace profiles
