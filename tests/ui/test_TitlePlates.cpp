// Title and filter plates rendered by Qt into images, checked by their pixels: the plate, the
// icon, text that is tall enough and scales with the pixel ratio, ellipsis to the width, Korean
// glyphs drawn as themselves (not as boxes), the highlight and the filter's message line.
#include "view/TitlePlates.h"

#include "UiTestSupport.h"

#include <gtest/gtest.h>

namespace zorvane::test {
namespace {

// The application goes before the program's static objects do, or Qt crashes on the way out.
class QtEnvironment : public ::testing::Environment {
public:
    void TearDown() override { ReleaseApp(); }
};
// gtest owns registered environments.
[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// Light text pixels (the text is drawn near white on a dark plate).
int LightPixels(const QImage& image, const QRect& area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += c.red() > 180 && c.green() > 180 && c.blue() > 180 ? 1 : 0;
        }
    return count;
}

// Rows holding any light pixel: the height of what was written.
int InkHeight(const QImage& image) {
    int top = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        if (LightPixels(image, QRect(0, y, image.width(), 1)) > 0) {
            top = top < 0 ? y : top;
            bottom = y;
        }
    return top < 0 ? 0 : bottom - top + 1;
}

QImage RedIcon() {
    TIconImage icon{48, 48, std::vector<std::uint32_t>(48 * 48, 0xFFFF0000u)};
    return TitleIcon(icon, kTitleIconPixels);
}

} // namespace

// The plate: rounded (its corner transparent), dark and mostly opaque, the icon at its left, light
// text right of it; capital letters at least 18 pixels high, twice that at a ratio of 2.
TEST(TitlePlates, IconAndTallTextOnARoundedDarkPlate) {
    App();
    const QImage plate = RenderTitlePlate("EHEH", RedIcon(), 600, 1.0, false);
    ASSERT_EQ(plate.format(), QImage::Format_RGBA8888);
    EXPECT_LE(plate.width(), 600);
    EXPECT_EQ(plate.pixelColor(0, 0).alpha(), 0) << "rounded corner";
    const QColor inside = plate.pixelColor(plate.width() - 4, plate.height() / 2);
    EXPECT_GT(inside.alpha(), 150);
    EXPECT_LT(inside.red() + inside.green() + inside.blue(), 120);
    const QColor icon = plate.pixelColor(10 + kTitleIconPixels / 2, plate.height() / 2);
    EXPECT_GT(icon.red(), 220);
    EXPECT_LT(icon.green(), 40);
    EXPECT_GT(LightPixels(plate, QRect(10 + kTitleIconPixels + 8, 0, plate.width() - 60, plate.height())),
              100);
    EXPECT_GE(InkHeight(plate), 18);
    const QImage doubled = RenderTitlePlate("EHEH", RedIcon(), 1200, 2.0, false);
    EXPECT_GE(InkHeight(doubled), 36);
    EXPECT_NEAR(doubled.height(), 2 * plate.height(), 2);
}

// A title longer than the room is cut to it; a window without an icon gets the generic one.
TEST(TitlePlates, LongTitlesAreCutToTheWidthAndMissingIconsAreGeneric) {
    App();
    const QString longTitle(200, QChar('W'));
    const QImage plate = RenderTitlePlate(longTitle, TitleIcon(std::nullopt, 36), 300, 1.0, false);
    EXPECT_LE(plate.width(), 300);
    EXPECT_GT(plate.width(), 250) << "the room is used";
    const QImage generic = TitleIcon(std::nullopt, 36);
    EXPECT_EQ(generic.size(), QSize(36, 36));
    EXPECT_GT(LightPixels(generic, generic.rect()), 30);
    // A damaged icon (fewer pixels than its size claims) also falls back.
    EXPECT_EQ(TitleIcon(TIconImage{48, 48, {1, 2, 3}}, 36), generic);
}

// Korean from the installed fonts: two different syllables give different pictures (missing
// glyphs would be the same box twice); accents and Slovak letters draw too.
TEST(TitlePlates, AnyScriptDrawsItsOwnGlyphs) {
    App();
    const QImage ga = RenderTitlePlate(QString::fromUtf8("가가가"), RedIcon(), 600, 1.0, false);
    const QImage na = RenderTitlePlate(QString::fromUtf8("나나나"), RedIcon(), 600, 1.0, false);
    const QImage box = RenderTitlePlate(QString::fromUtf8("\uE000\uE000\uE000"), RedIcon(), 600, 1.0, false);
    EXPECT_NE(ga, na);
    EXPECT_NE(ga, box);
    EXPECT_GT(LightPixels(ga, ga.rect()), 100);
    const QImage accents = RenderTitlePlate(QString::fromUtf8("Žltý kôň — café"), RedIcon(), 600, 1.0, false);
    EXPECT_GT(LightPixels(accents, accents.rect()), 150);
}

// The selected cell's plate is the highlight colour; the filter plate grows a message line in
// its own colour when nothing matches.
TEST(TitlePlates, HighlightAndTheFilterMessage) {
    App();
    const QImage lit = RenderTitlePlate("Grid", RedIcon(), 400, 1.0, true);
    const QColor back = lit.pixelColor(lit.width() - 4, lit.height() / 2);
    EXPECT_GT(back.blue(), back.red() + 80);
    const QImage plain = RenderFilterPlate("term", QString(), 800, 1.0);
    const QImage message = RenderFilterPlate("termx", "No window matches", 800, 1.0);
    EXPECT_GT(message.height(), plain.height() + 18);
    int amber = 0;
    for (int y = plain.height(); y < message.height(); ++y)
        for (int x = 0; x < message.width(); ++x) {
            const QColor c = message.pixelColor(x, y);
            amber += c.red() > 200 && c.green() > 120 && c.blue() < 140 ? 1 : 0;
        }
    EXPECT_GT(amber, 50);
    EXPECT_GT(LightPixels(plain, plain.rect()), 100);
}

} // namespace zorvane::test
