// The settings store: initial values, the XML file's layout, round trips, and what happens to files
// that are damaged, foreign or read-only.
#include "app/unitSettings.h"

#include "app/SettingsLocation.h"
#include "core/Latin1.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace zorvane;
namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "zv-settings-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        file = folder / "Zorvane.xml";
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(file, fs::perms::owner_all, ec);
        fs::remove_all(folder, ec);
    }

    static void expectInitialValues(const TFormStorage& store) {
        EXPECT_EQ(store.GetValue("Language"), TStoredValue(""));
        EXPECT_EQ(store.GetValue("FlipEffectType"), TStoredValue(0));
        EXPECT_EQ(store.GetValue("FlipEffectOption"), TStoredValue("0,-1,-1,0,-1"));
        EXPECT_EQ(store.GetValue("BackEffectType"), TStoredValue(0));
        EXPECT_EQ(store.GetValue("BackEffectOption"), TStoredValue(",0,20"));
        EXPECT_EQ(store.GetValue("acShowEffect_ShortCut"), TStoredValue(32960));
    }

    fs::path folder;
    fs::path file;
};

// A well-formed file as a first save writes it, with the given body inside <Zorvane>.
std::string
settingsDocument(const std::string& body,
                 const std::string& declaration = "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>") {
    return declaration + "\n<Configuration>\n  <Zorvane>\n" + body + "  </Zorvane>\n</Configuration>\n";
}

// --- Values in memory -------------------------------------------------------------------------

TEST_F(SettingsFile, NoFileGivesTheInitialValues) {
    TFormStorage store(file.string());
    EXPECT_TRUE(store.Restore()) << store.LastError();
    expectInitialValues(store);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_TRUE(store.GetValue("NoSuchValue").isEmpty());
    EXPECT_EQ(store.GetInteger("NoSuchValue", 7), 7);
    EXPECT_EQ(store.GetText("NoSuchValue"), "");
}

TEST(SettingsValues, KeepTheirKindWhenSet) {
    TFormStorage store;
    store.SetValue("FlipEffectType", "2");
    EXPECT_EQ(store.GetValue("FlipEffectType"), TStoredValue(2));
    store.SetValue("FlipEffectType", "Grid");
    EXPECT_EQ(store.GetValue("FlipEffectType"), TStoredValue(-1));
    store.SetValue("Language", 5);
    EXPECT_EQ(store.GetValue("Language"), TStoredValue("5"));
    store.SetValue("Language", TStoredValue());
    EXPECT_EQ(store.GetValue("Language"), TStoredValue("5"));
    store.SetValue("Extra", 3);
    EXPECT_EQ(store.GetInteger("Extra"), 3);
    EXPECT_EQ(store.Names(),
              (std::vector<std::string>{"acShowEffect_ShortCut", "Language", "FlipEffectType",
                                        "FlipEffectOption", "BackEffectType", "BackEffectOption", "Extra"}));
    EXPECT_EQ(TStoredValue(" 12 ").asInteger(), 12);
    EXPECT_EQ(TStoredValue("x").asInteger(4), 4);
}

TEST(SettingsValues, RestoreAndSaveWithoutAFileReportAnError) {
    TFormStorage store;
    EXPECT_FALSE(store.Restore());
    EXPECT_FALSE(store.LastError().empty());
    EXPECT_FALSE(store.Save());
    EXPECT_FALSE(store.LastError().empty());
}

// --- The file's layout ------------------------------------------------------------------------

TEST_F(SettingsFile, FirstSaveWritesTheDeclarationAndElementsInOrder) {
    TFormStorage store(file.string());
    ASSERT_TRUE(store.Save()) << store.LastError();
    const std::string expected = "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n"
                                 "<Configuration>\n"
                                 "  <Zorvane>\n"
                                 "    <FormVersion>0</FormVersion>\n"
                                 "    <acShowEffect_ShortCut>32960</acShowEffect_ShortCut>\n"
                                 "    <Language></Language>\n"
                                 "    <FlipEffectType>0</FlipEffectType>\n"
                                 "    <FlipEffectOption>0,-1,-1,0,-1</FlipEffectOption>\n"
                                 "    <BackEffectType>0</BackEffectType>\n"
                                 "    <BackEffectOption>,0,20</BackEffectOption>\n"
                                 "  </Zorvane>\n"
                                 "</Configuration>\n";
    EXPECT_EQ(readFile(file), expected);
}

TEST_F(SettingsFile, SaveCreatesMissingFolders) {
    TFormStorage store((folder / "a" / "b" / "Zorvane.xml").string());
    ASSERT_TRUE(store.Save()) << store.LastError();
    EXPECT_TRUE(fs::exists(folder / "a" / "b" / "Zorvane.xml"));
}

TEST_F(SettingsFile, AllSixValuesRoundTrip) {
    TFormStorage first(file.string());
    first.SetValue("Language", "Slovak");
    first.SetValue("FlipEffectType", 2);
    first.SetValue("FlipEffectOption", "2,0,0,-1,0");
    first.SetValue("BackEffectType", 4);
    first.SetValue("BackEffectOption", "\"/home/me/My Pictures/<sea> & \"\"sky\"\".jpg\",-1,35");
    first.SetValue("acShowEffect_ShortCut", 0x7B);
    ASSERT_TRUE(first.Save()) << first.LastError();

    TFormStorage second(file.string());
    ASSERT_TRUE(second.Restore()) << second.LastError();
    for (const std::string& name : first.Names())
        EXPECT_EQ(second.GetValue(name), first.GetValue(name)) << name;
}

// Texts are UTF-8 in the program and Latin-1 in the file; what Latin-1 cannot hold goes in as a
// character reference, so the file stays valid and the text comes back whole.
TEST_F(SettingsFile, TextsOutsideLatin1SurviveAndTheFileStaysLatin1) {
    const std::string picture = "/home/m\xc3\xa9lanie/\xe5\x86\x99\xe7\x9c\x9f \xf0\x9f\x8c\x8a.jpg";
    TFormStorage first(file.string());
    first.SetValue("BackEffectOption", picture + ",0,20");
    first.SetValue("Language", "Fran\xc3\xa7"
                               "ais\x01");
    ASSERT_TRUE(first.Save()) << first.LastError();

    const std::string bytes = readFile(file);
    EXPECT_NE(bytes.find("/home/m\xe9lanie/&#20889;&#30495; &#127754;.jpg"), std::string::npos) << bytes;
    EXPECT_EQ(bytes.find("\xc3"), std::string::npos) << "UTF-8 bytes in a Latin-1 file";

    TFormStorage second(file.string());
    ASSERT_TRUE(second.Restore()) << second.LastError();
    EXPECT_EQ(second.GetText("BackEffectOption"), picture + ",0,20");
    EXPECT_EQ(second.GetText("Language"), "Fran\xc3\xa7"
                                          "ais\x01");
}

TEST_F(SettingsFile, ReadsLatin1BytesAndUtf8DeclaredFiles) {
    writeFile(file, settingsDocument("    <Language>Fran\xe7"
                                     "ais</Language>\n"));
    TFormStorage latin1(file.string());
    ASSERT_TRUE(latin1.Restore()) << latin1.LastError();
    EXPECT_EQ(latin1.GetText("Language"), "Fran\xc3\xa7"
                                          "ais");

    writeFile(file,
              settingsDocument("    <Language>Fran\xc3\xa7"
                               "ais &#26085;</Language>\n"
                               "    <!-- \xe6\x97\xa5 -->\n"
                               "    <Their\xe6\x97\xa5 a=\"\xe6\x97\xa5\">\xe6\x97\xa5</Their\xe6\x97\xa5>\n",
                               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    TFormStorage utf8(file.string());
    ASSERT_TRUE(utf8.Restore()) << utf8.LastError();
    EXPECT_EQ(utf8.GetText("Language"), "Fran\xc3\xa7"
                                        "ais \xe6\x97\xa5");

    // Saving turns the file into the program's own encoding: values and other texts keep every
    // character as a reference; names and comments, which cannot hold one, get stand-ins.
    ASSERT_TRUE(utf8.Save()) << utf8.LastError();
    const std::string bytes = readFile(file);
    EXPECT_NE(bytes.find("encoding=\"iso-8859-1\""), std::string::npos);
    EXPECT_NE(bytes.find("Fran\xe7"
                         "ais &#26085;"),
              std::string::npos)
        << bytes;
    EXPECT_NE(bytes.find("<!-- ? -->"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("<Their_ a=\"&#26085;\">&#26085;</Their_>"), std::string::npos) << bytes;
    pugi::xml_document saved;
    EXPECT_TRUE(saved.load_file(file.c_str()));
}

TEST_F(SettingsFile, OtherElementsSurviveASave) {
    writeFile(file, "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n"
                    "<!-- kept -->\n"
                    "<Configuration>\n"
                    "  <Other when=\"now\">outside<b/></Other>\n"
                    "  <Zorvane>\n"
                    "    <BackEffectType>3</BackEffectType>\n"
                    "    <Theirs kind=\"x\"><deep>caf\xe9</deep></Theirs>\n"
                    "  </Zorvane>\n"
                    "</Configuration>\n");
    TFormStorage store(file.string());
    ASSERT_TRUE(store.Restore()) << store.LastError();
    EXPECT_EQ(store.GetInteger("BackEffectType"), 3);
    store.SetValue("BackEffectType", 1);
    ASSERT_TRUE(store.Save()) << store.LastError();

    pugi::xml_document saved;
    ASSERT_TRUE(saved.load_file(file.c_str(), pugi::parse_default | pugi::parse_comments));
    const pugi::xml_node configuration = saved.child("Configuration");
    EXPECT_STREQ(configuration.child("Other").attribute("when").value(), "now");
    EXPECT_STREQ(configuration.child("Other").text().get(), "outside");
    EXPECT_TRUE(configuration.child("Other").child("b"));
    const pugi::xml_node zorvane = configuration.child("Zorvane");
    EXPECT_STREQ(zorvane.child("Theirs").attribute("kind").value(), "x");
    EXPECT_STREQ(zorvane.child("Theirs").child("deep").text().get(), "caf\xc3\xa9");
    EXPECT_STREQ(zorvane.child("BackEffectType").text().get(), "1");
    EXPECT_STREQ(zorvane.child("FormVersion").text().get(), "0");
    EXPECT_NE(readFile(file).find("<!-- kept -->"), std::string::npos);
    // The existing element kept its place; the missing ones were added after it.
    EXPECT_STREQ(zorvane.first_child().name(), "BackEffectType");
}

// Values keep every character a reader would otherwise fold or drop: carriage returns (folded into
// line feeds by XML line-end handling), tabs, line feeds and blanks at either end.
TEST_F(SettingsFile, ValuesWithLineEndsAndBlanksRoundTrip) {
    const std::string texts[] = {
        "a\rb", "a\r\nb", "\r", " lead and trail ", "\tx\ny\t", "\"/p q/\r.jpg\",0,20"};
    for (const std::string& text : texts) {
        TFormStorage first(file.string());
        first.SetValue("BackEffectOption", text);
        ASSERT_TRUE(first.Save()) << first.LastError();
        TFormStorage second(file.string());
        ASSERT_TRUE(second.Restore()) << second.LastError();
        EXPECT_EQ(second.GetText("BackEffectOption"), text);
    }
}

// A file whose declaration lacks the version, or names other attributes, gets one in the order XML
// requires, so that other readers still take the file.
TEST_F(SettingsFile, SaveWritesAWellOrderedDeclaration) {
    writeFile(file, "<?xml encoding=\"UTF-8\" standalone=\"yes\"?>\n<Configuration>\n  <Zorvane>\n"
                    "    <FlipEffectType>1</FlipEffectType>\n  </Zorvane>\n</Configuration>\n");
    TFormStorage store(file.string());
    store.Restore();
    ASSERT_TRUE(store.Save()) << store.LastError();
    const std::string bytes = readFile(file);
    EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"iso-8859-1\" standalone=\"yes\"?>\n", 0), 0u)
        << bytes;
}

// --- Reading values ---------------------------------------------------------------------------

TEST_F(SettingsFile, AnIntegerThatIsNotANumberReadsMinusOne) {
    writeFile(file, settingsDocument("    <FlipEffectType>Grid</FlipEffectType>\n"
                                     "    <BackEffectType></BackEffectType>\n"
                                     "    <acShowEffect_ShortCut> 123 </acShowEffect_ShortCut>\n"
                                     "    <Language>Korea</Language>\n"));
    TFormStorage store(file.string());
    EXPECT_TRUE(store.Restore()) << store.LastError();
    EXPECT_EQ(store.GetValue("FlipEffectType"), TStoredValue(-1));
    EXPECT_EQ(store.GetValue("BackEffectType"), TStoredValue(-1));
    EXPECT_EQ(store.GetValue("acShowEffect_ShortCut"), TStoredValue(123));
    EXPECT_EQ(store.GetText("Language"), "Korea");
    EXPECT_FALSE(fs::exists(file.string() + ".bad"));
}

TEST_F(SettingsFile, MissingElementsKeepTheirValuesAndTextsKeepTheirBlanks) {
    writeFile(file, settingsDocument("    <BackEffectOption> \"a b\" , 0 </BackEffectOption>\n"));
    TFormStorage store(file.string());
    store.SetValue("Language", "English");
    ASSERT_TRUE(store.Restore()) << store.LastError();
    EXPECT_EQ(store.GetText("Language"), "English");
    EXPECT_EQ(store.GetText("BackEffectOption"), " \"a b\" , 0 ");
}

TEST_F(SettingsFile, ANegativeFormVersionRestoresNothing) {
    writeFile(file, settingsDocument("    <FormVersion>-1</FormVersion>\n"
                                     "    <FlipEffectType>2</FlipEffectType>\n"));
    TFormStorage store(file.string());
    EXPECT_TRUE(store.Restore()) << store.LastError();
    EXPECT_EQ(store.GetInteger("FlipEffectType"), 0);
}

// --- Damaged, foreign and read-only files -----------------------------------------------------

struct DamagedCase {
    const char* name;
    std::string bytes;
    // Values the file still gives despite the damage (everything else stays initial).
    int flipEffectType;
};

class DamagedSettingsFile : public SettingsFile, public ::testing::WithParamInterface<DamagedCase> {};

TEST_P(DamagedSettingsFile, KeepsDefaultsAndACopyOfTheFile) {
    const DamagedCase& c = GetParam();
    writeFile(file, c.bytes);
    TFormStorage store(file.string());
    EXPECT_FALSE(store.Restore());
    EXPECT_FALSE(store.LastError().empty());
    EXPECT_EQ(store.GetInteger("FlipEffectType"), c.flipEffectType);
    EXPECT_EQ(store.GetText("FlipEffectOption"), "0,-1,-1,0,-1");
    EXPECT_EQ(store.GetText("BackEffectOption"), ",0,20");
    EXPECT_EQ(store.GetInteger("acShowEffect_ShortCut"), 32960);
    ASSERT_TRUE(fs::exists(file.string() + ".bad"));
    EXPECT_EQ(readFile(file.string() + ".bad"), c.bytes);

    // The next save writes a sound file; the copy stays as it was.
    ASSERT_TRUE(store.Save()) << store.LastError();
    TFormStorage reread(file.string());
    EXPECT_TRUE(reread.Restore()) << reread.LastError();
    EXPECT_EQ(reread.GetInteger("FlipEffectType"), c.flipEffectType);
    EXPECT_EQ(readFile(file.string() + ".bad"), c.bytes);
}

std::string repeated(const std::string& text, int times) {
    std::string result;
    for (int i = 0; i < times; ++i)
        result += text;
    return result;
}

const std::string kGood = settingsDocument("    <FormVersion>0</FormVersion>\n"
                                           "    <FlipEffectType>1</FlipEffectType>\n"
                                           "    <FlipEffectOption>1,0,0,0,0</FlipEffectOption>\n");

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedSettingsFile,
    ::testing::Values(
        DamagedCase{"NotXml", "FlipEffectType=2\n", 0},
        DamagedCase{"Truncated", kGood.substr(0, kGood.size() / 2 + 20), 0}, DamagedCase{"Empty", "", 0},
        DamagedCase{"Binary", std::string("\x00\xff\xfe\x01<<<", 7), 0},
        DamagedCase{"OtherRoot", "<?xml version=\"1.0\"?><html><body/></html>", 0},
        DamagedCase{
            "FormVersionNotANumber",
            settingsDocument("    <FormVersion>new</FormVersion>\n    <FlipEffectType>2</FlipEffectType>\n"),
            0},
        DamagedCase{"ChildrenInsteadOfText",
                    settingsDocument("    <FlipEffectType>2</FlipEffectType>\n"
                                     "    <FlipEffectOption><x>1</x>,0</FlipEffectOption>\n"
                                     "    <BackEffectOption>a<i>b</i></BackEffectOption>\n"),
                    2},
        DamagedCase{
            "HugeNumbers",
            settingsDocument("    <FlipEffectType>2</FlipEffectType>\n"
                             "    <acShowEffect_ShortCut>99999999999999999999</acShowEffect_ShortCut>\n"),
            2},
        // Far too deep for a recursive walk of the tree, and an indented copy would be gigabytes.
        DamagedCase{"DeeplyNested",
                    settingsDocument("    <FlipEffectType>2</FlipEffectType>\n" + repeated("<a>", 300000) +
                                     repeated("</a>", 300000) + "\n"),
                    0},
        DamagedCase{"InvalidUtf8",
                    settingsDocument("    <FlipEffectType>2</FlipEffectType>\n"
                                     "    <FlipEffectOption>\xff\xfe</FlipEffectOption>\n",
                                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"),
                    0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsFile, ADamagedFileWhoseCopyCannotBeKeptIsNeverReplaced) {
    writeFile(file, "not settings");
    fs::create_directories(file.string() + ".bad"); // a copy cannot be written over a folder
    TFormStorage store(file.string());
    EXPECT_FALSE(store.Restore());
    EXPECT_FALSE(store.Save());
    EXPECT_NE(store.LastError().find("not replaced"), std::string::npos) << store.LastError();
    EXPECT_EQ(readFile(file), "not settings");
}

TEST_F(SettingsFile, AFileDamagedAfterRestoreIsCopiedBeforeSave) {
    TFormStorage store(file.string());
    ASSERT_TRUE(store.Restore());
    writeFile(file, "<Configuration><Zorvane>");
    ASSERT_TRUE(store.Save()) << store.LastError();
    EXPECT_EQ(readFile(file.string() + ".bad"), "<Configuration><Zorvane>");
    TFormStorage reread(file.string());
    EXPECT_TRUE(reread.Restore()) << reread.LastError();
}

TEST_F(SettingsFile, AReadOnlyFileIsNotWrittenAndSaveSaysSo) {
    TFormStorage store(file.string());
    ASSERT_TRUE(store.Save()) << store.LastError();
    const std::string before = readFile(file);
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    store.SetValue("FlipEffectType", 1);
    EXPECT_FALSE(store.Save());
    EXPECT_NE(store.LastError().find("read-only"), std::string::npos) << store.LastError();
    EXPECT_EQ(readFile(file), before);
    EXPECT_EQ(store.GetInteger("FlipEffectType"), 1); // kept in memory
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1) << "stray files";
}

TEST_F(SettingsFile, SaveKeepsTheFileModeAndLeavesNoTemporaryFiles) {
    TFormStorage store(file.string());
    ASSERT_TRUE(store.Save());
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

// --- Where the file lives ---------------------------------------------------------------------

// Each row lays out a real folder tree and asks where a program in it keeps its settings.
TEST_F(SettingsFile, PathFollowsHowTheProgramIsLaidOut) {
    const auto make = [&](const std::string& relative, const std::string& bytes = "") {
        fs::create_directories((folder / relative).parent_path());
        if (relative.back() != '/')
            writeFile(folder / relative, bytes);
    };
    make("build/CMakeCache.txt");
    make("build/bin/");
    make("portable/Zorvane.xml", "<Configuration/>");
    make("portable/Images/");
    make("usr/bin/");
    make("usr/share/zorvane/Images/");
    make("old/bin/Zorvane.xml");
    make("old/share/zorvane/");
    make("lonely/bin/");
    make("writable/");
    const std::string config = (folder / "config").string();
    const std::string home = (folder / "home").string();
    struct Row {
        const char* what;
        std::string executableDir;
        const char* xdgConfigHome;
        std::string expected;
        const char* reasonHas;
    };
    const Row rows[] = {
        {"build tree: beside the program", "build/bin", config.c_str(), "build/bin/Zorvane.xml",
         "build tree"},
        {"portable folder holding Zorvane.xml", "portable", config.c_str(), "portable/Zorvane.xml",
         "already"},
        {"installed, XDG_CONFIG_HOME set", "usr/bin", config.c_str(), "config/zorvane/Zorvane.xml",
         "installed"},
        {"installed, XDG_CONFIG_HOME unset", "usr/bin", nullptr, "home/.config/zorvane/Zorvane.xml",
         "installed"},
        {"installed, XDG_CONFIG_HOME empty", "usr/bin", "", "home/.config/zorvane/Zorvane.xml", "installed"},
        {"installed, XDG_CONFIG_HOME relative (ignored)", "usr/bin", "relative/dir",
         "home/.config/zorvane/Zorvane.xml", "installed"},
        {"installed but a file from before is beside it: kept", "old/bin", config.c_str(),
         "old/bin/Zorvane.xml", "already"},
        {"a bare binary elsewhere", "lonely/bin", config.c_str(), "config/zorvane/Zorvane.xml",
         "not a build"},
        {"a writable folder is no longer enough", "writable", config.c_str(), "config/zorvane/Zorvane.xml",
         "not a build"},
    };
    for (const Row& row : rows) {
        const TSettingsLocation where =
            LocateSettings((folder / row.executableDir).string(), row.xdgConfigHome, home.c_str());
        EXPECT_EQ(where.Path, (folder / row.expected).string()) << row.what;
        EXPECT_NE(where.Reason.find(row.reasonHas), std::string::npos) << row.what << ": " << where.Reason;
    }
    // Neither variable set: never a path relative to wherever the program was started.
    EXPECT_EQ(LocateSettings((folder / "usr/bin").string(), nullptr, nullptr).Path.front(), '/');
    // The real process: its environment, and its own folder found through /proc.
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::string savedValue = saved ? saved : "";
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    EXPECT_EQ(DefaultSettingsPath((folder / "usr/bin").string()), config + "/zorvane/Zorvane.xml");
    if (saved)
        ::setenv("XDG_CONFIG_HOME", savedValue.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_FALSE(ExecutableDirectory().empty());
    EXPECT_TRUE(fs::exists(fs::path(ExecutableDirectory()) / "test_settings"));
}

TEST(Latin1, ConvertsBothWays) {
    EXPECT_EQ(Latin1ToUtf8("caf\xe9 \xff"), "caf\xc3\xa9 \xc3\xbf");
    EXPECT_EQ(Utf8ToLatin1WithReferences("caf\xc3\xa9 \xc3\xbf"), "caf\xe9 \xff");
    EXPECT_EQ(Utf8ToLatin1WithReferences("\xe6\x97\xa5\xf0\x9f\x8c\x8a"), "&#26085;&#127754;");
    EXPECT_TRUE(IsValidUtf8("caf\xc3\xa9"));
    EXPECT_FALSE(IsValidUtf8("caf\xe9"));
    EXPECT_FALSE(IsValidUtf8("\xc0\xaf"));     // overlong
    EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80")); // surrogate
    EXPECT_FALSE(IsValidUtf8("\xe6\x97"));     // cut short
}

} // namespace
