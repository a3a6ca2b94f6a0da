// The icon property parser: which picture it picks, and what it does with data that lies.
#include "image/NetWmIcon.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using zorvane::ParseNetWmIcon;

namespace {

// Appends one picture whose pixels all hold `fill`.
void addPicture(std::vector<std::uint32_t>& data, std::uint32_t w, std::uint32_t h, std::uint32_t fill) {
    data.push_back(w);
    data.push_back(h);
    data.insert(data.end(), static_cast<std::size_t>(w) * h, fill);
}

} // namespace

// Choice among several pictures: the larger side nearest the wanted size; a tie goes to the larger.
TEST(NetWmIcon, PicksTheSizeNearestTheWantedOne) {
    std::vector<std::uint32_t> data;
    addPicture(data, 16, 16, 0xFF000016);
    addPicture(data, 32, 32, 0xFF000032);
    addPicture(data, 64, 64, 0xFF000064);
    addPicture(data, 128, 96, 0xFF000128);
    struct Row {
        int wanted;
        int width;
        std::uint32_t fill;
    } rows[] = {{48, 64, 0xFF000064},   {40, 32, 0xFF000032},    {1, 16, 0xFF000016},
                {100, 128, 0xFF000128}, {1000, 128, 0xFF000128}, {24, 32, 0xFF000032}};
    for (const Row& row : rows) {
        const auto icon = ParseNetWmIcon(data, row.wanted);
        ASSERT_TRUE(icon) << row.wanted;
        EXPECT_EQ(icon->Width, row.width) << row.wanted;
        ASSERT_EQ(icon->Argb.size(), static_cast<std::size_t>(icon->Width) * icon->Height);
        EXPECT_EQ(icon->Argb.front(), row.fill);
        EXPECT_EQ(icon->Argb.back(), row.fill);
    }
}

// Rows are kept top first and pixel for pixel.
TEST(NetWmIcon, KeepsEveryPixelInOrder) {
    std::vector<std::uint32_t> data{3, 2};
    for (std::uint32_t i = 0; i < 6; ++i)
        data.push_back(0x80000000u | i);
    const auto icon = ParseNetWmIcon(data, 48);
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->Width, 3);
    EXPECT_EQ(icon->Height, 2);
    EXPECT_EQ(icon->Argb, std::vector<std::uint32_t>(data.begin() + 2, data.end()));
}

// Lying data: sizes beyond what is there, huge sides that overflow 32 bits, empty pictures, a
// stray trailing item. Good pictures before the lie are still used; nothing reads past the end.
TEST(NetWmIcon, RejectsClaimsTheDataDoesNotHold) {
    std::vector<std::uint32_t> good;
    addPicture(good, 2, 2, 0xFFFFFFFF);

    EXPECT_FALSE(ParseNetWmIcon({}, 48));
    EXPECT_FALSE(ParseNetWmIcon(std::vector<std::uint32_t>{48}, 48));
    EXPECT_FALSE(ParseNetWmIcon(std::vector<std::uint32_t>{48, 48, 1, 2, 3}, 48));
    EXPECT_FALSE(ParseNetWmIcon(std::vector<std::uint32_t>{0x10000, 0x10000, 1}, 48));
    EXPECT_FALSE(ParseNetWmIcon(std::vector<std::uint32_t>{0xFFFFFFFF, 0xFFFFFFFF}, 48));
    EXPECT_FALSE(ParseNetWmIcon(std::vector<std::uint32_t>{0, 0, 0, 5}, 48));

    std::vector<std::uint32_t> thenLie = good;
    thenLie.insert(thenLie.end(), {48, 48, 7});
    auto icon = ParseNetWmIcon(thenLie, 48);
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->Width, 2);

    std::vector<std::uint32_t> emptyFirst{0, 7};
    emptyFirst.insert(emptyFirst.end(), good.begin(), good.end());
    emptyFirst.push_back(99); // a stray item that cannot start a picture
    icon = ParseNetWmIcon(emptyFirst, 48);
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->Height, 2);

    // A view of part of a buffer: the picture claims exactly the items that lie beyond the span.
    std::vector<std::uint32_t> buffer{4, 4};
    buffer.insert(buffer.end(), 16, 0xFF00FF00);
    EXPECT_FALSE(ParseNetWmIcon(std::span<const std::uint32_t>(buffer).first(17), 48));
    EXPECT_TRUE(ParseNetWmIcon(std::span<const std::uint32_t>(buffer), 48));
}
