// The files a desktop installs beside the program: the manual page covers every option and setting,
// the desktop entry and the autostart entry agree, the distribution's validators accept them, and
// the icons are drawn at every size.
#include "app/unitSettings.h"
#include "ui/AutoStartEntry.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>
#include <stb_image.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>

namespace zorvane {
namespace {

namespace fs = std::filesystem;

fs::path SourceDir() {
    return ZORVANE_SOURCE_DIR;
}
fs::path BinDir() {
    return std::getenv("ZORVANE_BIN_DIR");
}
// Files made at build time (manual page and AppStream data with the version, icons).
fs::path BuiltData() {
    return BinDir().parent_path() / "data";
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Output {
    int status = -1;
    std::string text; // standard output and standard error together
};

Output RunCommand(const std::string& command) {
    Output result;
    std::unique_ptr<FILE, decltype(&::pclose)> pipe(::popen((command + " 2>&1").c_str(), "r"), &::pclose);
    if (!pipe)
        return result;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get()))
        result.text.append(buffer, n);
    const int status = ::pclose(pipe.release());
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// The [Desktop Entry] keys of a desktop file.
std::map<std::string, std::string> DesktopKeys(const fs::path& file) {
    std::map<std::string, std::string> keys;
    std::istringstream lines(ReadFile(file));
    std::string line;
    bool inEntry = false;
    while (std::getline(lines, line)) {
        if (!line.empty() && line[0] == '[')
            inEntry = line == "[Desktop Entry]";
        else if (const auto equals = line.find('='); inEntry && equals != std::string::npos)
            keys[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return keys;
}

// Options in the manual page are written with escaped hyphens (\-\-show).
std::string ManEscaped(const std::string& text) {
    std::string out;
    for (char c : text)
        out += c == '-' ? std::string("\\-") : std::string(1, c);
    return out;
}

const fs::path kDesktopEntry = "data/org.zorvane.Zorvane.desktop";

// --- The manual page: every option the program's --help lists, every setting its file holds.
TEST(ManualPage, NamesEveryOptionOfTheHelpAndEverySetting) {
    const std::string page = ReadFile(BuiltData() / "zorvane.1");
    ASSERT_FALSE(page.empty());
    const Output help = RunCommand((BinDir() / "zorvane").string() + " --help");
    ASSERT_EQ(help.status, 0) << help.text;
    const std::regex option("--[a-z][a-z-]*");
    std::set<std::string> options(std::sregex_token_iterator(help.text.begin(), help.text.end(), option),
                                  std::sregex_token_iterator());
    ASSERT_GE(options.size(), 10u) << help.text;
    // Each option opens an entry: a ".B", ".BI" or ".BR" line whose first word is the option.
    std::set<std::string> entries;
    std::istringstream lines(page);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(".B", 0) == 0 && line.find(' ') != std::string::npos) {
            std::string first = line.substr(line.find(' ') + 1);
            entries.insert(first.substr(0, first.find(' ')));
        }
    }
    for (const std::string& name : options)
        EXPECT_TRUE(entries.count(ManEscaped(name))) << name << " has no entry of its own";
    // The settings are the elements a first save writes.
    const fs::path settings = fs::temp_directory_path() / ("zv-man-" + std::to_string(::getpid()) + ".xml");
    TFormStorage store(settings.string());
    ASSERT_TRUE(store.Save());
    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(settings.c_str()));
    fs::remove(settings);
    int count = 0;
    for (const pugi::xml_node value : document.child("Configuration").child("Zorvane").children()) {
        if (std::string(value.name()) == "FormVersion")
            continue; // written for the file's own sake, not a setting
        ++count;
        EXPECT_NE(page.find(".B " + std::string(value.name()) + "\n"), std::string::npos)
            << "setting " << value.name() << " is not described";
    }
    EXPECT_GE(count, 6);
    // No placeholder left unfilled by the build.
    EXPECT_EQ(page.find('@'), std::string::npos);
}

// --- The autostart entry the options dialog writes is the desktop entry's twin, for this program.
TEST(DesktopEntries, AutostartEntryCarriesTheDesktopEntrysNameCommentAndIcon) {
    const auto menu = DesktopKeys(SourceDir() / kDesktopEntry);
    const fs::path folder = fs::temp_directory_path() / ("zv-autostart-" + std::to_string(::getpid()));
    XdgAutoStartEntry entry(folder / "zorvane.desktop");
    ASSERT_TRUE(entry.Write("/usr/bin/zorvane"));
    const auto autostart = DesktopKeys(entry.File());
    fs::remove_all(folder);
    for (const char* key : {"Type", "Name", "Comment", "Icon", "Terminal"}) {
        ASSERT_TRUE(menu.count(key)) << key;
        EXPECT_EQ(autostart.count(key) ? autostart.at(key) : "(missing)", menu.at(key)) << key;
    }
    EXPECT_EQ(autostart.at("Exec"), "/usr/bin/zorvane");
    EXPECT_EQ(menu.at("Exec"), "zorvane");
    EXPECT_EQ(menu.at("Categories"), "Utility;");
    EXPECT_TRUE(fs::exists(SourceDir() / "data" / (menu.at("Icon") + ".svg"))) << "the icon the entries name";
}

// --- The validators a distribution runs accept every file without a remark.
TEST(DesktopEntries, ValidatorsAcceptTheEntryTheMetadataAndTheManualPage) {
    struct Row {
        const char* what;
        std::string command;
    };
    const Row rows[] = {
        {"desktop entry", "desktop-file-validate " + (SourceDir() / kDesktopEntry).string()},
        {"AppStream data", "appstreamcli validate --no-net --pedantic " +
                               (BuiltData() / "org.zorvane.Zorvane.metainfo.xml").string() +
                               " | grep -v -e '^$' -e 'Validation was successful' -e '^P: '"},
        // What lintian runs on manual pages: every groff warning is printed.
        {"manual page", "LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z " +
                            (BuiltData() / "zorvane.1").string() + " >/dev/null"},
    };
    for (const Row& row : rows) {
        const Output result = RunCommand(row.command);
        EXPECT_EQ(result.text, "") << row.what;
    }
    // The AppStream data names the desktop entry, and every screenshot is a picture of the gallery.
    const std::string metainfo = ReadFile(BuiltData() / "org.zorvane.Zorvane.metainfo.xml");
    EXPECT_NE(metainfo.find("<launchable type=\"desktop-id\">org.zorvane.Zorvane.desktop</launchable>"),
              std::string::npos);
    const std::regex shot("/docs/gallery/([a-z-]+\\.png)</image>");
    int shots = 0;
    for (auto it = std::sregex_iterator(metainfo.begin(), metainfo.end(), shot); it != std::sregex_iterator();
         ++it, ++shots)
        EXPECT_TRUE(fs::exists(SourceDir() / "docs" / "gallery" / (*it)[1].str())) << (*it)[1];
    EXPECT_GE(shots, 6);
}

// --- Icons: each size drawn, square, see-through at the rounded corner and solid in the middle.
TEST(Icons, EverySizeIsDrawnFromTheScalableIcon) {
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const fs::path png =
            BuiltData() / "icons" / (std::to_string(size) + "x" + std::to_string(size)) / "zorvane.png";
        int w = 0, h = 0, channels = 0;
        std::unique_ptr<unsigned char, decltype(&stbi_image_free)> pixels(
            stbi_load(png.c_str(), &w, &h, &channels, 4), &stbi_image_free);
        ASSERT_TRUE(pixels) << png;
        EXPECT_EQ(w, size);
        EXPECT_EQ(h, size);
        const auto alpha = [&](int x, int y) { return pixels.get()[(y * w + x) * 4 + 3]; };
        EXPECT_EQ(alpha(0, 0), 0) << size;
        EXPECT_EQ(alpha(size / 2, size / 2), 255) << size;
    }
}

} // namespace
} // namespace zorvane
