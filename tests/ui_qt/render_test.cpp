// Offscreen rendering of small layouts: colours and pictures land where they
// should, text is drawn, clipping holds.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <filesystem>
#include <fstream>

#include "shot.h"
#include "support/temp_env.h"
#include "ui/qt/qt_render.h"
#include "ui_qt/qt_test_app.h"

namespace {

constexpr QRgb kBackground = 0xFF111318;  // what the picture is cleared to

// A skin folder with a few pictures whose colours are easy to check.
class RenderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<testsupport::TempDir>();
        const auto root = s_dir->Path();
        std::filesystem::create_directories(root / "img");
        std::ofstream(root / "res.xml")
            << "<Res><Image name=\"named_red\" file=\"img/red.png\"/></Res>";
        std::ofstream(root / "lan_en.xml")
            << "<Language name=\"en\"><Text id=\"hello\" value=\"Hello\"/></Language>";
        Solid(0xFFFF0000).save(QString::fromStdString((root / "img/red.png").string()));
        // Left half red, right half blue.
        QImage halves(20, 10, QImage::Format_ARGB32);
        halves.fill(0xFFFF0000);
        for (int y = 0; y < 10; ++y)
            for (int x = 10; x < 20; ++x)
                halves.setPixel(x, y, 0xFF0000FF);
        halves.save(QString::fromStdString((root / "img/halves.png").string()));
        // A 10 x 10 frame: a 2-pixel green border around white.
        QImage frame(10, 10, QImage::Format_ARGB32);
        frame.fill(0xFF00FF00);
        for (int y = 2; y < 8; ++y)
            for (int x = 2; x < 8; ++x)
                frame.setPixel(x, y, 0xFFFFFFFF);
        frame.save(QString::fromStdString((root / "img/frame.png").string()));
        std::ofstream(root / "img/square.svg")
            << "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'>"
               "<rect width='10' height='10' fill='#00FF00'/></svg>";
    }
    static void TearDownTestSuite() { s_dir.reset(); }

    static QImage Solid(QRgb c) {
        QImage img(10, 10, QImage::Format_ARGB32);
        img.fill(c);
        return img;
    }
    static QImage Render(const std::string& layout, int dpi = 96) {
        shot::Options o;
        o.skinDir = s_dir->Path().string();
        o.layout = layout;
        o.dpi = dpi;
        o.language = "en";
        auto shot = shot::Render(o);
        EXPECT_TRUE(shot.ok()) << (shot.ok() ? "" : shot.error().message);
        return shot.ok() ? shot->image.convertToFormat(QImage::Format_ARGB32) : QImage();
    }
    // A 100 x 100 window whose one control covers (20,20)-(80,80).
    static std::string OneControl(const std::string& attrs) {
        return "<Window size=\"100,100\"><VerticalLayout><Control float=\"true\" "
               "pos=\"20,20,80,80\" " +
               attrs + "/></VerticalLayout></Window>";
    }
    static int ForegroundPixels(const QImage& img, const QRect& r, QRgb bk) {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                n += img.pixel(x, y) != bk;
        return n;
    }
    static inline std::unique_ptr<testsupport::TempDir> s_dir;
};

struct PixelCase {
    const char* what;
    std::string attrs;
    int x, y;
    QRgb expected;
};

TEST_F(RenderTest, ColoursAndPicturesLandWhereTheDescriptionSays) {
    const PixelCase cases[] = {
        {"background colour", "bkcolor=\"#FF336699\"", 50, 50, 0xFF336699},
        {"outside the control", "bkcolor=\"#FF336699\"", 10, 10, kBackground},
        {"a PNG stretched over the control", "bkimage=\"img/red.png\"", 50, 50, 0xFFFF0000},
        {"a logical image name", "bkimage=\"named_red\"", 50, 50, 0xFFFF0000},
        {"backslashes in the path", "bkimage=\"img\\red.png\"", 50, 50, 0xFFFF0000},
        {"a source part", "bkimage=\"file='img/halves.png' source='10,0,20,10'\"", 25, 50,
         0xFF0000FF},
        {"a destination inside the control", "bkimage=\"file='img/red.png' dest='0,0,10,10'\"", 25,
         25, 0xFFFF0000},
        {"outside the destination", "bkimage=\"file='img/red.png' dest='0,0,10,10'\"", 50, 50,
         kBackground},
        {"a masked colour is transparent", "bkimage=\"file='img/red.png' mask='#FFFF0000'\"", 50,
         50, kBackground},
        {"fade 0 draws nothing", "bkimage=\"file='img/red.png' fade='0'\"", 50, 50, kBackground},
        {"nine-patch border keeps its width", "bkimage=\"file='img/frame.png' corner='2,2,2,2'\"",
         21, 50, 0xFF00FF00},
        {"nine-patch middle stretches", "bkimage=\"file='img/frame.png' corner='2,2,2,2'\"", 50, 50,
         0xFFFFFFFF},
        {"nine-patch hole", "bkimage=\"file='img/frame.png' corner='2,2,2,2' hole='true'\"", 50, 50,
         kBackground},
        {"an SVG picture", "bkimage=\"img/square.svg\"", 50, 50, 0xFF00FF00},
        {"a missing picture draws nothing", "bkimage=\"img/none.png\"", 50, 50, kBackground},
        {"a border", "bordersize=\"2\" bordercolor=\"#FF00FF00\"", 20, 50, 0xFF00FF00},
    };
    for (const PixelCase& c : cases) {
        const QImage img = Render(OneControl(c.attrs));
        ASSERT_FALSE(img.isNull()) << c.what;
        EXPECT_EQ(img.pixel(c.x, c.y), c.expected) << c.what;
    }
}

TEST_F(RenderTest, DestinationsAndBordersFollowTheDpi) {
    const QImage img = Render(OneControl("bkimage=\"file='img/red.png' dest='0,0,10,10'\""), 144);
    ASSERT_EQ(img.width(), 150);
    // The control sits at (30,30); a 10-pixel destination becomes 15 pixels.
    EXPECT_EQ(img.pixel(43, 43), 0xFFFF0000u);
    EXPECT_EQ(img.pixel(47, 47), kBackground);
}

TEST_F(RenderTest, TiledPicturesRepeatAtTheirOwnSize) {
    const QImage img =
        Render(OneControl("bkimage=\"file='img/halves.png' xtiled='true' ytiled='true'\""));
    EXPECT_EQ(img.pixel(25, 25), 0xFFFF0000u);  // first tile, left half
    EXPECT_EQ(img.pixel(35, 25), 0xFF0000FFu);  // first tile, right half
    EXPECT_EQ(img.pixel(45, 25), 0xFFFF0000u);  // second tile
}

TEST_F(RenderTest, TextIsDrawnInsideItsControlOnly) {
    const std::string layout =
        "<Window size=\"200,60\"><Font name=\"Noto Sans\" size=\"14\" default=\"true\"/>"
        "<HorizontalLayout><Label name=\"a\" text=\"hello\" resourcetext=\"true\" width=\"100\" "
        "textcolor=\"#FFFFFFFF\"/><Label name=\"b\" width=\"100\"/></HorizontalLayout></Window>";
    const QImage img = Render(layout);
    EXPECT_GT(ForegroundPixels(img, QRect(0, 0, 100, 60), kBackground), 20);
    EXPECT_EQ(ForegroundPixels(img, QRect(100, 0, 100, 60), kBackground), 0);
}

TEST_F(RenderTest, ChineseAndThaiTextRenderAsGlyphs) {
    // A missing glyph is drawn as the same box for every character; real
    // glyphs of different characters differ.
    auto draw = [](const QString& s) {
        QImage img(40, 40, QImage::Format_ARGB32);
        img.fill(Qt::black);
        QPainter p(&img);
        ui::FontInfo f;
        f.face = "Noto Sans";
        f.size = 24;
        p.setFont(ui::qt::MakeFont(f, 100));
        p.setPen(Qt::white);
        p.drawText(img.rect(), Qt::AlignCenter, s);
        return img;
    };
    EXPECT_NE(draw(QStringLiteral("你")), draw(QStringLiteral("好")));
    EXPECT_NE(draw(QStringLiteral("ก")), draw(QStringLiteral("ข")));
}

TEST_F(RenderTest, ContainersClipTheirChildren) {
    const std::string layout =
        "<Window size=\"100,100\"><VerticalLayout><VerticalLayout float=\"true\" "
        "pos=\"0,0,50,50\"><Control float=\"true\" pos=\"0,0,100,100\" bkcolor=\"#FFFF0000\"/>"
        "</VerticalLayout></VerticalLayout></Window>";
    const QImage img = Render(layout);
    EXPECT_EQ(img.pixel(25, 25), 0xFFFF0000u);
    EXPECT_EQ(img.pixel(75, 75), kBackground);
}

TEST_F(RenderTest, ScrollingContainersShowWhereTheViewIs) {
    std::string rows;
    for (int i = 0; i < 10; ++i)
        rows += "<ListLabelElement height=\"28\"/>";
    const QImage img =
        Render("<Window size=\"100,100\"><List bkcolor=\"#FF000000\">" + rows + "</List></Window>");
    EXPECT_EQ(qGray(img.pixel(50, 5)), 0);        // the rows
    EXPECT_NEAR(qGray(img.pixel(95, 5)), 80, 8);  // the thumb at the top
    EXPECT_EQ(qGray(img.pixel(95, 95)), 0);       // and not at the bottom
}

TEST_F(RenderTest, TintShowsThePictureInTheColourAtTheAlpha) {
    QImage img(40, 40, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::black);
    ui::ImageDescription white;
    white.file = (s_dir->Path() / "img/frame.png").string();  // absolute path
    ui::qt::QtRenderEngine engine;
    {
        QPainter p(&img);
        engine.Begin(p, 100);
        EXPECT_TRUE(engine.DrawImage({0, 0, 20, 40}, white, 0xFF0000FF, 255));
        EXPECT_TRUE(engine.DrawImage({20, 0, 40, 40}, white, 0xFF0000FF, 128));
        engine.End();
    }
    const QColor full = img.pixelColor(10, 20);
    EXPECT_EQ(full.blue(), 255);
    EXPECT_EQ(full.red(), 0);
    const QColor half = img.pixelColor(30, 20);
    EXPECT_NEAR(half.blue(), 128, 3);
    EXPECT_EQ(half.red(), 0);
}

TEST_F(RenderTest, ProgressUncoversItsBarPicture) {
    const std::string layout =
        "<Window size=\"100,20\"><HorizontalLayout><Progress value=\"50\" "
        "foreimage=\"img/red.png\"/></HorizontalLayout></Window>";
    const QImage img = Render(layout);
    EXPECT_EQ(img.pixel(25, 10), 0xFFFF0000u);
    EXPECT_EQ(img.pixel(75, 10), kBackground);
}

}  // namespace
