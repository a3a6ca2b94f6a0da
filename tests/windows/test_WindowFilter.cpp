// Typing to filter: case folding in several scripts, characters removed whole, and the captured
// list narrowed, widened, left alone on no match, and put back whole in its first order.
#include "windows/WindowFilter.h"

#include "WindowListFixture.h"

#include <gtest/gtest.h>

namespace zorvane::test {
namespace {

std::vector<std::string> captions(const TWindowInfos& list) {
    std::vector<std::string> result;
    for (int i = 0; i < list.Count(); ++i)
        result.push_back(list.Items(i).Caption);
    return result;
}

using Names = std::vector<std::string>;

class WindowFilterTest : public WindowListFixture {
protected:
    void SetUp() override {
        WindowListFixture::SetUp();
        const std::pair<const char*, const char*> windows[] = {{"XTerm", "Terminal — bash"},
                                                               {"Firefox", "Café menu"},
                                                               {"XTerm", "logs"},
                                                               {"Gedit", "메모장 노트"},
                                                               {"Firefox", "ΣΟΦΙΑ news"}};
        WindowHandle handle = 1;
        for (const auto& [className, caption] : windows)
            list->Add(handle++, className, caption, 1, solidPicture(0x808080));
    }
};

} // namespace

// Folding: letters of every cased script become lower case; other characters and scripts stay;
// bytes that are not UTF-8 are dropped rather than garbled.
TEST(FoldCase, LowersEveryCasedScriptAndDropsBrokenBytes) {
    const std::pair<std::string, std::string> rows[] = {
        {"HeLLo 42", "hello 42"}, {"ÉCOLE Ça Ÿ", "école ça ÿ"},
        {"ŽLTÝ KÔŇ", "žltý kôň"}, {"ПРИВЕТ", "привет"},
        {"ΣΟΦΊΑ ς", "σοφία σ"},   {"한국어 창", "한국어 창"},
        {"ＡＢＣ", "ａｂｃ"},     {std::string("a\xC3(b\xFF") + "c\xE2\x82", "a(bc"},
        {"\xC0\xAF", ""}, // an overlong '/'
    };
    for (const auto& [input, folded] : rows)
        EXPECT_EQ(FoldCase(input), folded) << input;
}

// Backspace removes one whole character, whatever its length in bytes.
TEST(FoldCase, LastCharacterGoesWhole) {
    EXPECT_EQ(WithoutLastCharacter("abc"), "ab");
    EXPECT_EQ(WithoutLastCharacter("café"), "caf");
    EXPECT_EQ(WithoutLastCharacter("메모"), "메");
    EXPECT_EQ(WithoutLastCharacter("a😀"), "a");
    EXPECT_EQ(WithoutLastCharacter("é"), "");
    EXPECT_EQ(WithoutLastCharacter(""), "");
}

// Narrowing: title or class, any case and script; the first order is kept, so the first match is
// the window nearest the front when typing began.
TEST_F(WindowFilterTest, NarrowsToTitleOrClassMatchesInTheFirstOrder) {
    TWindowFilter filter(*list);
    const std::pair<std::string, Names> rows[] = {
        {"xterm", {"Terminal — bash", "logs"}},
        {"CAFÉ", {"Café menu"}},
        {"f", {"Café menu", "ΣΟΦΙΑ news"}},
        {"σοφ", {"ΣΟΦΙΑ news"}},
        {"노트", {"메모장 노트"}},
        {"O", {"Café menu", "logs", "ΣΟΦΙΑ news"}}, // Latin o, not the Greek omicron
    };
    for (const auto& [text, expected] : rows) {
        EXPECT_TRUE(filter.SetText(text)) << text;
        EXPECT_FALSE(filter.NoMatch()) << text;
        EXPECT_EQ(captions(*list), expected) << text;
        EXPECT_EQ(filter.Hidden(), 5 - static_cast<int>(expected.size())) << text;
    }
    EXPECT_FALSE(filter.SetText("O")) << "the same text changes nothing";
}

// No match: the list stays exactly as it was, and a shorter text narrows again.
TEST_F(WindowFilterTest, NoMatchLeavesTheListAsItWas) {
    TWindowFilter filter(*list);
    ASSERT_TRUE(filter.SetText("log"));
    EXPECT_FALSE(filter.SetText("logz"));
    EXPECT_TRUE(filter.NoMatch());
    EXPECT_EQ(filter.Text(), "logz");
    EXPECT_EQ(captions(*list), Names{"logs"});
    EXPECT_FALSE(filter.SetText("lo")) << "the same window matches";
    EXPECT_FALSE(filter.NoMatch());
    EXPECT_EQ(captions(*list), Names{"logs"});
    EXPECT_TRUE(filter.SetText("e"));
    EXPECT_EQ(captions(*list), (Names{"Terminal — bash", "Café menu", "logs", "메모장 노트", "ΣΟΦΙΑ news"}));

    TWindowFilter fresh(*list);
    EXPECT_FALSE(fresh.SetText("zzz"));
    EXPECT_TRUE(fresh.NoMatch());
}

// Clearing (Esc, the last Backspace, the view closing) brings every record back in the order the
// list had when the filter began, even after the effect reordered the narrowed list.
TEST_F(WindowFilterTest, ClearingPutsEveryRecordBackInTheFirstOrder) {
    const Names all = captions(*list);
    {
        TWindowFilter filter(*list);
        ASSERT_TRUE(filter.SetText("fire"));
        list->Move(0, list->Count() - 1); // a flip while filtered
        EXPECT_TRUE(filter.Clear());
        EXPECT_EQ(captions(*list), all);
        EXPECT_EQ(filter.Text(), "");
        EXPECT_FALSE(filter.Clear()) << "nothing to put back";
        ASSERT_TRUE(filter.SetText("xterm"));
        EXPECT_TRUE(filter.SetText(""));
        EXPECT_EQ(captions(*list), all);
        ASSERT_TRUE(filter.SetText("news"));
    }
    EXPECT_EQ(captions(*list), all) << "the filter's end puts everything back";
}

// A closed window's record goes for good, whether it is shown or waits aside.
TEST_F(WindowFilterTest, RemovedRecordsAreGoneForGood) {
    TWindowFilter filter(*list);
    const TWindowInfo* logs = &list->Items(2);
    const TWindowInfo* notes = &list->Items(3);
    ASSERT_TRUE(filter.SetText("xterm"));
    EXPECT_EQ(filter.Remove(logs).get(), logs);
    EXPECT_EQ(filter.Remove(notes).get(), notes); // aside
    EXPECT_EQ(captions(*list), Names{"Terminal — bash"});
    EXPECT_TRUE(filter.Clear());
    EXPECT_EQ(captions(*list), (Names{"Terminal — bash", "Café menu", "ΣΟΦΙΑ news"}));
    EXPECT_NE(filter.Remove(&list->Items(0)), nullptr); // no text set: straight out of the list
    EXPECT_EQ(list->Count(), 2);
    EXPECT_EQ(filter.Remove(logs), nullptr);
}

} // namespace zorvane::test
