// Text repair for foreign titles, key mapping, locale, autostart entry and the instance lock:
// the backend's parts that need no display.
#include "platform/posix/PosixSession.h"
#include "platform/x11/TextUtf8.h"
#include "platform/x11/X11Platform.h"

#include <X11/keysym.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace zorvane {
namespace {

namespace fs = std::filesystem;

class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/zv-session-XXXXXX";
        path_ = ::mkdtemp(pattern);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Titles come from other programs' properties and may hold any bytes.
TEST(TextUtf8, RepairsAndCutsForeignTitlesAtCharacters) {
    struct Case {
        std::string input;
        std::string sanitized;
    };
    const std::vector<Case> cases = {
        {"plain", "plain"},
        {"caf\xC3\xA9", "caf\xC3\xA9"},
        {"bad \xC3\x28", "bad \xEF\xBF\xBD("},                    // lead byte without its continuation
        {"\xFF\xFE", "\xEF\xBF\xBD\xEF\xBF\xBD"},                 // never valid
        {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},                 // overlong '/'
        {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"}, // a surrogate
        {"cut \xE2\x82", "cut \xEF\xBF\xBD\xEF\xBF\xBD"},         // truncated sequence at the end
        {std::string("a\0b", 3), "a\xEF\xBF\xBD"
                                 "b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SanitizeUtf8(c.input), c.sanitized) << c.input;

    EXPECT_EQ(X11Latin1ToUtf8("caf\xE9"), "caf\xC3\xA9");
    // 79 characters, never inside a sequence: 100 two-byte characters keep 79 (158 bytes).
    std::string accents;
    for (int i = 0; i < 100; ++i)
        accents += "\xC3\xA9";
    EXPECT_EQ(TruncateUtf8(accents, 79).size(), 158u);
    EXPECT_EQ(TruncateUtf8(std::string(200, 'x'), 79), std::string(79, 'x'));
    EXPECT_EQ(TruncateUtf8("short", 79), "short");
    EXPECT_EQ(TruncateUtf8("\xF0\x9F\x98\x80z", 1), "\xF0\x9F\x98\x80");
}

TEST(TextUtf8, JsonQuotingEscapesEverythingJsonForbids) {
    EXPECT_EQ(JsonQuote("a\"b\\c"), R"("a\"b\\c")");
    EXPECT_EQ(JsonQuote("line\nnext\ttab\r"), R"("line\nnext\ttab\r")");
    EXPECT_EQ(JsonQuote(std::string("\x01\x1f\x7f", 3)), R"("\u0001\u001f\u007f")");
    EXPECT_EQ(JsonQuote("caf\xC3\xA9"), "\"caf\xC3\xA9\"");
}

// Shortcut codes keep their Windows virtual-key codes.
TEST(VirtualKeys, MapToKeysyms) {
    struct Case {
        int vk;
        std::uint32_t keysym;
    };
    const std::vector<Case> cases = {
        {'A', XK_a},
        {'Z', XK_z},
        {'0', XK_0},
        {'9', XK_9},
        {0x70, XK_F1},
        {0x7B, XK_F12},
        {0x87, XK_F24},
        {0xC0, XK_grave},
        {0xBA, XK_semicolon},
        {0xBB, XK_equal},
        {0xBC, XK_comma},
        {0xBD, XK_minus},
        {0xBE, XK_period},
        {0xBF, XK_slash},
        {0xDB, XK_bracketleft},
        {0xDC, XK_backslash},
        {0xDD, XK_bracketright},
        {0xDE, XK_apostrophe},
        {0x21, XK_Prior},
        {0x22, XK_Next},
        {0x23, XK_End},
        {0x24, XK_Home},
        {0x25, XK_Left},
        {0x28, XK_Down},
        {0x2D, XK_Insert},
        {0x2E, XK_Delete},
        {0x60, XK_KP_0},
        {0x69, XK_KP_9},
        {0x6A, XK_KP_Multiply},
        {0x6B, XK_KP_Add},
        {0x6D, XK_KP_Subtract},
        {0x6F, XK_KP_Divide},
        {0x09, XK_Tab},
        {0x0D, XK_Return},
        {0x1B, XK_Escape},
        {0x20, XK_space},
        {0x00, 0},
        {0x5B, 0},
        {0xFF, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VirtualKeyToKeysym(c.vk), c.keysym) << "vk " << c.vk;
}

TEST(Locale, ChoosesLanguageFromFirstSetVariable) {
    struct Case {
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        const char* language;
    };
    const std::vector<Case> cases = {
        {nullptr, nullptr, "fr_FR.UTF-8", "French"},  {nullptr, nullptr, "fr_CA", "French"},
        {nullptr, nullptr, "ko_KR.UTF-8", "Korea"},   {nullptr, nullptr, "sk_SK", "Slovak"},
        {nullptr, nullptr, "de_DE.UTF-8", "English"}, {nullptr, nullptr, "C.UTF-8", "English"},
        {nullptr, nullptr, nullptr, "English"},       {"", "ko_KR", "fr_FR", "Korea"},
        {"sk_SK", "ko_KR", "fr_FR", "Slovak"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LanguageFromLocale(c.lcAll, c.lcMessages, c.lang), c.language);
}

TEST(Autostart, EntryIsWrittenReadAndRemoved) {
    TempDir dir;
    const std::string entry = dir.path() + "/config/autostart/zorvane.desktop";
    std::string error;
    EXPECT_FALSE(AutostartEntryEnabled(entry));
    ASSERT_TRUE(WriteAutostartEntry(entry, "/opt/my apps/zorvane", error)) << error;
    EXPECT_TRUE(AutostartEntryEnabled(entry));
    std::ifstream in(entry);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("[Desktop Entry]\n"), std::string::npos);
    EXPECT_NE(text.str().find("\nExec=\"/opt/my apps/zorvane\"\n"), std::string::npos);
    EXPECT_NE(text.str().find("\nType=Application\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(entry + ".tmp"));
    ASSERT_TRUE(RemoveAutostartEntry(entry, error)) << error;
    EXPECT_FALSE(AutostartEntryEnabled(entry));
    EXPECT_TRUE(RemoveAutostartEntry(entry, error)) << "removing a missing entry is not an error";

    // A folder in the way is reported, not ignored.
    const std::string blocked = dir.path() + "/file";
    std::ofstream(blocked) << "x";
    EXPECT_FALSE(WriteAutostartEntry(blocked + "/autostart/zorvane.desktop", "/bin/zorvane", error));
    EXPECT_FALSE(error.empty());
}

TEST(Autostart, ExecValueQuotesReservedCharacters) {
    EXPECT_EQ(DesktopEntryExecValue("/usr/bin/zorvane"), "\"/usr/bin/zorvane\"");
    EXPECT_EQ(DesktopEntryExecValue("/a$b/c\"d"), "\"/a\\\\$b/c\\\\\"d\"");
    EXPECT_EQ(DesktopEntryExecValue("/100%/z"), "\"/100%%/z\"");
    EXPECT_EQ(DesktopEntryExecValue("/a\\b"), "\"/a\\\\\\\\b\"");
}

// Holds the lock in a child process until the release pipe closes; reports on the ready pipe
// whether it got the lock ('1') or not ('0').
pid_t lockInChild(const std::string& dir, const std::string& display, const int release[2], int readyPipe) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(release[1]); // else our own copy keeps the pipe open forever
        const int releasePipe = release[0];
        auto lock = AcquireFlockLock(dir, "Zorvane", display);
        const char answer = lock ? '1' : '0';
        if (::write(readyPipe, &answer, 1) != 1)
            ::_exit(2);
        char byte;
        while (::read(releasePipe, &byte, 1) > 0) {
        }
        ::_exit(0);
    }
    return pid;
}

TEST(InstanceLock, OneHolderPerUserAndDisplay) {
    TempDir dir;
    int release[2];
    int ready[2];
    ASSERT_EQ(::pipe(release), 0);
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t first = lockInChild(dir.path(), ":5", release, ready[1]);
    ::close(release[0]);
    ::close(ready[1]);
    char answer = 0;
    ASSERT_EQ(::read(ready[0], &answer, 1), 1);
    ::close(ready[0]);
    EXPECT_EQ(answer, '1');

    EXPECT_FALSE(AcquireFlockLock(dir.path(), "Zorvane", ":5"))
        << "a second holder for the same user and display fails";
    EXPECT_FALSE(AcquireFlockLock(dir.path(), "Zorvane", ":5.0")) << "screen numbers name the same display";
    EXPECT_TRUE(AcquireFlockLock(dir.path(), "Zorvane", ":6")) << "another display is another session";

    ::close(release[1]);
    int status = 0;
    ::waitpid(first, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(AcquireFlockLock(dir.path(), "Zorvane", ":5"))
        << "after the first process ends a new one succeeds";
}

// Web pages open through xdg-open found on PATH; here a stand-in that records its arguments.
TEST(OpenWebPage, StartsTheOpenerOnlyForWebAddressesAndReportsAMissingOne) {
    TempDir dir;
    TempDir empty;
    const std::string record = dir.path() + "/arguments";
    {
        std::ofstream script(dir.path() + "/xdg-open");
        script << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" << record
               << ".part' && /bin/mv '" << record << ".part' '" << record << "'\n";
    }
    fs::permissions(dir.path() + "/xdg-open", fs::perms::owner_all);
    const std::string savedPath = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "/usr/bin:/bin";
    ::setenv("PATH", dir.path().c_str(), 1);

    // The address reaches the opener as one argument, untouched by any shell.
    const std::string url = "https://example.org/a b?x=1&y=$HOME;true";
    EXPECT_TRUE(OpenWebPage(url));
    std::string recorded;
    for (int i = 0; i < 1000 && recorded.empty(); ++i) {
        std::ifstream in(record);
        std::stringstream text;
        text << in.rdbuf();
        recorded = text.str();
        if (recorded.empty())
            ::usleep(10000);
    }
    EXPECT_EQ(recorded, url + "\n");

    // Anything but a web address is refused before any program starts.
    for (const char* refused : {"file:///etc/passwd", "-h", "javascript:alert(1)", "", "HTTP//x"})
        EXPECT_FALSE(OpenWebPage(refused)) << refused;
    // No opener installed: a failure, not a success.
    ::setenv("PATH", empty.path().c_str(), 1);
    EXPECT_FALSE(OpenWebPage("https://example.org/"));
    ::setenv("PATH", savedPath.c_str(), 1);
}

// The lock and the capture folder live in the first usable of XDG_RUNTIME_DIR and TMPDIR.
TEST(TempDirectory, SkipsRelativeAndMissingFolders) {
    TempDir dir;
    const auto saved = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
    };
    const auto runtime = saved("XDG_RUNTIME_DIR");
    const auto tmpdir = saved("TMPDIR");
    struct Case {
        const char* runtime;
        std::string tmpdir;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"/nonexistent/run", dir.path(), dir.path()},
        {"relative/run", dir.path() + "/", dir.path()},
        {"", "/nonexistent/tmp", "/tmp"},
    };
    for (const auto& c : cases) {
        ::setenv("XDG_RUNTIME_DIR", c.runtime, 1);
        ::setenv("TMPDIR", c.tmpdir.c_str(), 1);
        EXPECT_EQ(UserTempDirectory(), c.expected) << c.runtime << " / " << c.tmpdir;
    }
    ::setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
    EXPECT_EQ(UserTempDirectory(), dir.path());
    for (const auto& [name, value] : {std::pair{"XDG_RUNTIME_DIR", runtime}, std::pair{"TMPDIR", tmpdir}}) {
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
}

TEST(InstanceLock, UnusableFolderLetsTheProgramRun) {
    EXPECT_TRUE(AcquireFlockLock("/nonexistent/folder", "Zorvane", ":0"));
}

} // namespace
} // namespace zorvane
