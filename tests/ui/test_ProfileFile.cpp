// The language-file reader: profile rules and the value helpers (no Qt).
#include "ui/ProfileFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

namespace zorvane {
namespace {

struct ReadCase {
    const char* what;
    const char* section;
    const char* key;
    const char* expected;
};

TEST(ProfileFile, ReadsValuesWithTheProfileRules) {
    const ProfileFile profile = ProfileFile::Parse("\xEF\xBB\xBF"
                                                   "; a comment line\r\n"
                                                   "orphan=before any section\r\n"
                                                   "[OptionForm]\r\n"
                                                   "  btnOK  =   Okay   \r\n"
                                                   "Quoted=\"  padded  \"\n"
                                                   "Single='it'\n"
                                                   "Mismatched=\"half'\n"
                                                   "OneQuote=\"\n"
                                                   "Empty=\n"
                                                   "Equals=a=b\n"
                                                   "Dup=first\n"
                                                   "dup=second\n"
                                                   "NoEqualsSign\n"
                                                   "  [ Message ]  \n"
                                                   "msgClose=Fermer\n"
                                                   "[optionform]\n"
                                                   "Later=ignored, the first section of a name wins\n");
    const ReadCase cases[] = {
        {"names ignore letter case", "OPTIONFORM", "BTNOK", "Okay"},
        {"blanks around a value are dropped", "OptionForm", "btnOK", "Okay"},
        {"double quotes are stripped, inner blanks kept", "OptionForm", "Quoted", "  padded  "},
        {"single quotes are stripped", "OptionForm", "Single", "it"},
        {"quotes that do not match stay", "OptionForm", "Mismatched", "\"half'"},
        {"a lone quote stays", "OptionForm", "OneQuote", "\""},
        {"an empty value is empty, not the fallback", "OptionForm", "Empty", ""},
        {"the value runs from the first equals sign", "OptionForm", "Equals", "a=b"},
        {"the first key of a name wins", "OptionForm", "DUP", "first"},
        {"blanks inside brackets are dropped", "message", "MSGCLOSE", "Fermer"},
        {"a key before any section belongs to none", "", "orphan", "<fallback>"},
        {"a later section of the same name is not read", "OptionForm", "Later", "<fallback>"},
        {"a missing key gives the fallback", "OptionForm", "Nope", "<fallback>"},
        {"a missing section gives the fallback", "AboutForm", "btnOK", "<fallback>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(profile.readString(c.section, c.key, "<fallback>"), c.expected) << c.what;
}

TEST(ProfileFile, ListsKeyNamesInFileOrder) {
    const ProfileFile profile = ProfileFile::Parse("[A]\nzeta=1\nalpha=2\n; note\nMid=3\n[B]\nother=4\n");
    EXPECT_EQ(profile.keyNames("a"), (std::vector<std::string>{"zeta", "alpha", "Mid"}));
    EXPECT_TRUE(profile.keyNames("C").empty());
    EXPECT_TRUE(profile.hasSection("b"));
    EXPECT_FALSE(profile.hasSection("C"));
}

TEST(ProfileFile, CutsLongValuesAt2047CharactersNeverInsideOne) {
    const std::string ascii(3000, 'x');
    EXPECT_EQ(ProfileFile::Parse("[S]\nk=" + ascii + "\n").readString("S", "k", "").size(), 2047u);

    // Two-byte characters: 2047 of them is 4094 bytes, and the cut falls between characters.
    std::string wide;
    for (int i = 0; i < 2100; ++i)
        wide += "\xC3\xA9"; // é
    const std::string read = ProfileFile::Parse("[S]\nk=" + wide + "\n").readString("S", "k", "");
    EXPECT_EQ(read.size(), 4094u);
    EXPECT_EQ(read.substr(read.size() - 2), "\xC3\xA9");
}

TEST(ProfileFile, MissingAndDamagedFilesAnswerWithFallbacks) {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("zorvane-profile-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);
    const ProfileFile missing = ProfileFile::Load(folder / "none.dat");
    EXPECT_FALSE(missing.exists());
    EXPECT_EQ(missing.readString("S", "k", "fb"), "fb");

    // A folder where the file should be is no file either.
    EXPECT_FALSE(ProfileFile::Load(folder).exists());

    {
        std::ofstream out(folder / "garbage.dat", std::ios::binary);
        std::string bytes;
        for (int i = 0; i < 4096; ++i)
            bytes.push_back(static_cast<char>((i * 131) % 256));
        out << bytes << "\n[S\nk=v\n]]]=[[[\n\0\0\0";
    }
    const ProfileFile garbage = ProfileFile::Load(folder / "garbage.dat");
    EXPECT_TRUE(garbage.exists());
    EXPECT_EQ(garbage.readString("OptionForm", "btnOK", "fb"), "fb");
    std::filesystem::remove_all(folder);
}

TEST(LanguageValues, SplitIntoCaptionAndHint) {
    struct Case {
        const char* value;
        const char* caption;
        const char* hint;
    };
    const Case cases[] = {
        {"Caption|hint with &amp", "Caption", "hint with amp"}, // '&' leaves the hint only
        {"&Options", "&Options", "Options"},                    // no '|': both from the value
        {"a|b|c", "a", "b|c"},                                  // the first '|' splits
        {"|only a hint", "", "only a hint"},                    // empty caption (applies nothing)
        {"caption|", "caption", ""},
    };
    for (const auto& c : cases) {
        const CaptionAndHint parts = SplitCaptionHint(c.value);
        EXPECT_EQ(parts.caption, c.caption) << c.value;
        EXPECT_EQ(parts.hint, c.hint) << c.value;
    }
}

TEST(LanguageValues, LineBreaksAndLines) {
    EXPECT_EQ(ExpandLineBreaks("one#13#10two"), "one\r\ntwo");
    EXPECT_EQ(ExpandLineBreaks("one\\ntwo"), "one\\ntwo") << "\\n is a line break in messages only";
    EXPECT_EQ(ExpandLineBreaks("one\\ntwo#13#10three", true), "one\r\ntwo\r\nthree");

    EXPECT_EQ(SplitLines("Flip\r\nGrid\r\nWave Flip"),
              (std::vector<std::string>{"Flip", "Grid", "Wave Flip"}));
    EXPECT_EQ(SplitLines("a\nb\rc"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(SplitLines("a\r\n"), (std::vector<std::string>{"a"})) << "a final break adds no line";
    EXPECT_EQ(SplitLines("a\r\n\r\nb"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_TRUE(SplitLines("").empty());
}

TEST(LanguageValues, LanguageFileIsLookedUpBesideTheProgram) {
    const auto root =
        std::filesystem::temp_directory_path() / ("zorvane-lang-" + std::to_string(std::random_device{}()));
    const auto bin = root / "bin";
    std::filesystem::create_directories(bin);

    EXPECT_TRUE(LanguageFilePath(bin, "").empty());
    // Any folder in the value is dropped, whichever separator it uses.
    EXPECT_EQ(LanguageFilePath(bin, "/somewhere/else/French.dat"), bin / "Language" / "French.dat");
    EXPECT_EQ(LanguageFilePath(bin, "C:\\Program Files\\Zorvane\\Korea.dat"), bin / "Language" / "Korea.dat");
    EXPECT_EQ(LanguageFilePath(bin, "../../etc/passwd"), bin / "Language" / "passwd");

    // Installed layout: bin/../share/zorvane/Language, used only when the program's own folder
    // has no such file.
    const auto installed = root / "share" / "zorvane" / "Language" / "Slovak.dat";
    std::filesystem::create_directories(installed.parent_path());
    std::ofstream(installed) << "[Message]\n";
    EXPECT_EQ(LanguageFilePath(bin, "Slovak.dat"), installed.lexically_normal());
    std::filesystem::create_directories(bin / "Language");
    std::ofstream(bin / "Language" / "Slovak.dat") << "[Message]\n";
    EXPECT_EQ(LanguageFilePath(bin, "Slovak.dat"), bin / "Language" / "Slovak.dat");
    std::filesystem::remove_all(root);
}

} // namespace
} // namespace zorvane
