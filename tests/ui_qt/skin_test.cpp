// Every layout of the skin builds and renders, in every language and at the
// DPI values the program uses; the skin's own files are well formed.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "shot.h"
#include "ui/qt/qt_backend.h"
#include "ui/resource_manager.h"
#include "ui_qt/qt_test_app.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Skin files that are layouts (not the index, a language or a theme).
std::vector<fs::path> Layouts() {
    std::vector<fs::path> out;
    const fs::path root = QUILLON_SKIN_DIR;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (!e.is_regular_file() || e.path().extension() != ".xml")
            continue;
        const std::string name = e.path().filename().string();
        if (name == "res.xml" || name.rfind("lan_", 0) == 0)
            continue;
        if (ReadAll(e.path()).find("<Theme>") != std::string::npos)
            continue;
        out.push_back(fs::relative(e.path(), root));
    }
    return out;
}

TEST(Skin, EveryLayoutBuildsAndRendersInEachLanguageAndDpi) {
    const std::vector<fs::path> layouts = Layouts();
    ASSERT_FALSE(layouts.empty());
    for (const std::string lang : {"en", "cn"}) {
        for (const int dpi : {96, 144}) {
            for (const fs::path& layout : layouts) {
                shot::Options o;
                o.skinDir = QUILLON_SKIN_DIR;
                o.layout = layout.string();
                o.dpi = dpi;
                o.language = lang;
                auto shot = shot::Render(o);
                ASSERT_TRUE(shot.ok()) << layout << ": " << shot.error().message;
                const QImage& img = shot->image;
                ASSERT_FALSE(img.isNull()) << layout;
                // Something was painted: the picture is not one flat colour.
                const QRgb first = img.pixel(0, 0);
                bool varied = false;
                for (int y = 0; y < img.height() && !varied; y += 3)
                    for (int x = 0; x < img.width() && !varied; x += 3)
                        varied = img.pixel(x, y) != first;
                EXPECT_TRUE(varied) << layout << " renders as one flat colour";
            }
        }
    }
}

TEST(Skin, EveryTextIdOfTheGalleryExistsInBothLanguages) {
    const std::string gallery = ReadAll(fs::path(QUILLON_SKIN_DIR) / "XML/gallery.xml");
    std::set<std::string> ids;
    // text="id" resourcetext="true" pairs.
    for (size_t at = gallery.find("resourcetext=\"true\""); at != std::string::npos;
         at = gallery.find("resourcetext=\"true\"", at + 1)) {
        const size_t start = gallery.rfind('<', at);
        const size_t text = gallery.find(" text=\"", start);
        if (text == std::string::npos || text > at)
            continue;
        const size_t end = gallery.find('"', text + 7);
        ids.insert(gallery.substr(text + 7, end - text - 7));
    }
    ASSERT_GT(ids.size(), 20u);
    auto* res = ui::CResourceManager::GetInstance();
    for (const char* file : {"lan_en.xml", "lan_cn.xml"}) {
        ASSERT_TRUE(res->LoadLanguageText(ReadAll(fs::path(QUILLON_SKIN_DIR) / file), file).ok());
        for (const std::string& id : ids)
            EXPECT_TRUE(res->HasText(id)) << file << " lacks " << id;
    }
}

TEST(Skin, PrivateFontsLoadAndMissingOnesAreSkipped) {
    ui::qt::PrivateFont missing;
    EXPECT_FALSE(missing.Load(std::string(QUILLON_PROGRAM_DIR) + "/Font/Galvanic-Regular.otf"));
    EXPECT_FALSE(missing.IsLoaded());
    const std::string thai = std::string(QUILLON_PROGRAM_DIR) + "/Font/NotoSansThai-Regular.ttf";
    if (!fs::exists(thai))
        GTEST_SKIP() << "fonts-noto-core is not installed";
    ui::qt::PrivateFont font;
    ASSERT_TRUE(font.Load(thai));
    EXPECT_FALSE(font.Families().empty());
    font.Unload();
    EXPECT_FALSE(font.IsLoaded());
}

}  // namespace
