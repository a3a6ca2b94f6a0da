// The shell's display-free parts: Qt keys to the effects' virtual-key codes, and the local socket
// that carries tray-menu commands from a later start to the running instance.
#include "app/HotKeyStatus.h"
#include "app/PrevInstance.h"
#include "core/ReservedKeys.h"
#include "platform/posix/PosixSession.h"
#include "view/VirtualKeys.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <future>
#include <thread>
#include <vector>

namespace zorvane {
namespace {

// --- Keys: the effects test these codes, so a wrong one silently disables a key.
TEST(VirtualKeys, MapsEachKindOfKey) {
    struct Row {
        int qtKey;
        bool keypad;
        std::uint16_t vk;
    };
    const Row rows[] = {
        // Navigation keys the effects move the selection with.
        {Qt::Key_Left, false, 0x25},
        {Qt::Key_Up, false, 0x26},
        {Qt::Key_Right, false, 0x27},
        {Qt::Key_Down, false, 0x28},
        {Qt::Key_Home, false, 0x24},
        {Qt::Key_End, false, 0x23},
        {Qt::Key_PageUp, false, 0x21},
        {Qt::Key_PageDown, false, 0x22},
        // Keypad digits are the numpad codes, not the digit row's.
        {Qt::Key_2, true, 0x62},
        {Qt::Key_4, true, 0x64},
        {Qt::Key_6, true, 0x66},
        {Qt::Key_8, true, 0x68},
        {Qt::Key_2, false, '2'},
        // With NumLock off the keypad sends arrows; they stay arrows.
        {Qt::Key_Left, true, 0x25},
        // Letters are upper-case ASCII whatever the case typed; function keys from 0x70.
        {Qt::Key_A, false, 'A'},
        {Qt::Key_Z, false, 'Z'},
        {Qt::Key_F1, false, 0x70},
        {Qt::Key_F12, false, 0x7B},
        {Qt::Key_F24, false, 0x87},
        // Shifted punctuation names its unshifted key.
        {Qt::Key_Colon, false, 0xBA},
        {Qt::Key_Semicolon, false, 0xBA},
        {Qt::Key_AsciiTilde, false, 0xC0},
        {Qt::Key_QuoteLeft, false, 0xC0},
        {Qt::Key_Exclam, false, '1'},
        {Qt::Key_Space, false, 0x20},
        {Qt::Key_Delete, false, 0x2E},
        // Keys with no code answer 0, so the view passes nothing on.
        {Qt::Key_VolumeUp, false, 0},
        {Qt::Key_unknown, false, 0},
    };
    for (const Row& row : rows)
        EXPECT_EQ(QtKeyToVirtualKey(row.qtKey, row.keypad), row.vk)
            << "Qt key 0x" << std::hex << row.qtKey << (row.keypad ? " (keypad)" : "");
}

TEST(VirtualKeys, EveryLetterAndDigitKeepsItsCode) {
    for (int key = Qt::Key_A; key <= Qt::Key_Z; ++key)
        EXPECT_EQ(QtKeyToVirtualKey(key, false), key);
    for (int key = Qt::Key_0; key <= Qt::Key_9; ++key) {
        EXPECT_EQ(QtKeyToVirtualKey(key, false), key);
        EXPECT_EQ(QtKeyToVirtualKey(key, true), 0x60 + (key - Qt::Key_0));
    }
}

// --- Remote commands.
TEST(RemoteCommands, NamesParseBackAndStrangersAreRefused) {
    for (RemoteCommand command :
         {RemoteCommand::rcShow, RemoteCommand::rcOptions, RemoteCommand::rcAbout, RemoteCommand::rcQuit}) {
        RemoteCommand parsed{};
        ASSERT_TRUE(ParseRemoteCommand(RemoteCommandName(command) + "\n", parsed));
        EXPECT_EQ(parsed, command);
    }
    RemoteCommand parsed = RemoteCommand::rcAbout;
    for (const char* text : {"", "SHOW", "show me", "quit;rm", "--show"})
        EXPECT_FALSE(ParseRemoteCommand(text, parsed)) << text;
    EXPECT_EQ(parsed, RemoteCommand::rcAbout);
}

TEST(RemoteCommands, ChannelPathIsPerDisplayAndFileSafe) {
    const QString a = InstanceChannelPath("Zorvane", ":1");
    const QString b = InstanceChannelPath("Zorvane", ":2");
    EXPECT_NE(a, b);
    EXPECT_TRUE(a.startsWith('/'));
    EXPECT_FALSE(a.mid(a.lastIndexOf('/') + 1).contains(':'));
    EXPECT_FALSE(InstanceChannelPath("Zorvane", "../../x").contains("/../"));
}

// A later start finds the running instance however DISPLAY spells the same display: the lock the
// first start took and the socket the later one looks for are named alike.
TEST(RemoteCommands, EverySpellingOfADisplayMeetsTheSameInstance) {
    struct Row {
        const char* first;
        const char* later;
        bool same;
    };
    const Row rows[] = {
        // One display: screen numbers and the local socket's own spelling.
        {":0.0", ":0", true},
        {":0", ":0.1", true},
        {"unix:7.0", ":7", true},
        {"host:3.0", "host:3", true},
        // Other displays.
        {":1", ":10", false},
        {"host:0", ":0", false},
        {":2.0", ":3.0", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.first) + " then " + row.later);
        QTemporaryDir dir;
        const std::string folder = dir.path().toStdString();
        const auto held = AcquireFlockLock(folder, "Zorvane", row.first);
        ASSERT_TRUE(held);
        EXPECT_EQ(AcquireFlockLock(folder, "Zorvane", row.later) == nullptr, row.same);
        EXPECT_EQ(InstanceChannelPath("Zorvane", row.first) == InstanceChannelPath("Zorvane", row.later),
                  row.same);
    }
}

class ChannelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("channel.sock");
    }
    // Runs the event loop until the sender thread has finished; returns its results.
    template <typename Sender> auto runWithLoop(Sender sender) {
        auto result = std::async(std::launch::async, sender);
        QElapsedTimer timer;
        timer.start();
        while (result.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready &&
               timer.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        // The handler runs from the loop after the acknowledgement.
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return result.get();
    }

    int argc = 1;
    char name[8] = "test";
    char* argv[1] = {name};
    QCoreApplication app{argc, argv};
    QTemporaryDir dir;
    QString path;
};

TEST_F(ChannelTest, DeliversEachCommandOnceInOrder) {
    std::vector<RemoteCommand> received;
    InstanceChannel channel(path, [&](RemoteCommand command) { received.push_back(command); });
    ASSERT_TRUE(channel.listening());
    const std::vector<RemoteCommand> sent = {RemoteCommand::rcShow, RemoteCommand::rcAbout,
                                             RemoteCommand::rcQuit};
    const bool allSent = runWithLoop([&] {
        bool ok = true;
        for (RemoteCommand command : sent) {
            QString error;
            ok = SendRemoteCommand(path, command, 5000, error) && ok;
        }
        return ok;
    });
    EXPECT_TRUE(allSent);
    EXPECT_EQ(received, sent);
}

TEST_F(ChannelTest, UnknownCommandIsRefusedAndNothingRuns) {
    int calls = 0;
    InstanceChannel channel(path, [&](RemoteCommand) { ++calls; });
    const QByteArray reply = runWithLoop([&] {
        QLocalSocket socket;
        socket.connectToServer(path);
        if (!socket.waitForConnected(5000))
            return QByteArray("no connection");
        socket.write("format-disk\n");
        socket.waitForBytesWritten(5000);
        while (!socket.canReadLine() && socket.waitForReadyRead(5000)) {
        }
        return socket.readLine();
    });
    EXPECT_EQ(reply, "unknown command\n");
    EXPECT_EQ(calls, 0);
}

TEST_F(ChannelTest, NoInstanceIsReportedNotWaitedFor) {
    QString error;
    EXPECT_FALSE(SendRemoteCommand(path, RemoteCommand::rcShow, 2000, error));
    EXPECT_TRUE(error.contains("not running")) << error.toStdString();
}

TEST_F(ChannelTest, StaleSocketFileFromAnEndedInstanceIsReplaced) {
    {
        InstanceChannel first(path, [](RemoteCommand) {});
        ASSERT_TRUE(first.listening());
    }
    // An instance that was killed leaves its socket file behind.
    QFile stale(path);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    int calls = 0;
    InstanceChannel second(path, [&](RemoteCommand) { ++calls; });
    ASSERT_TRUE(second.listening());
    const bool sent = runWithLoop([&] {
        QString error;
        return SendRemoteCommand(path, RemoteCommand::rcOptions, 5000, error);
    });
    EXPECT_TRUE(sent);
    EXPECT_EQ(calls, 1);
}

// --- What the user is told about the hot keys.
TEST(HotKeyStatus, ShortCutsAreNamedAsTheyArePressed) {
    const std::pair<std::uint16_t, const char*> rows[] = {
        {32960, "Alt+`"},       {0x607B, "Ctrl+Shift+F12"},
        {0xC058, "Ctrl+Alt+X"}, {0x2074, "Shift+F5"},
        {0x0031, "1"},          {0, ""},
        {0x8007, ""}, // no key: nothing to name
    };
    for (const auto& [code, text] : rows)
        EXPECT_EQ(ShortCutText(code), text) << code;
}

TEST(HotKeyStatus, HoldersAreNamedWithTheWindowManager) {
    struct Row {
        KeyHolder holder;
        const char* windowManager;
        bool runningInstance;
        const char* text;
    };
    const Row rows[] = {
        {KeyHolder::khOurs, "Openbox", false, "held by Zorvane"},
        {KeyHolder::khNobody, "i3", false, "free, nobody holds it"},
        {KeyHolder::khOtherProgram, "Xfwm4", false, "taken by the window manager, xfwm4 (XFCE)"},
        {KeyHolder::khOtherProgram, "Metacity", false,
         "taken by the window manager, metacity (GNOME Flashback)"},
        {KeyHolder::khOtherProgram, "Fluxbox", false, "taken by the window manager, fluxbox"},
        {KeyHolder::khOtherProgram, "Openbox", false,
         "taken by another program (the window manager is Openbox)"},
        {KeyHolder::khOtherProgram, "", false, "taken by another program"},
        {KeyHolder::khOtherProgram, "Openbox", true, "held by Zorvane (the one running on this display)"},
        {KeyHolder::khLeftSuperAlone, "IceWM 3.3.1 (Linux/x86_64)", false,
         "out of reach: the left Super key on its own is taken by the window manager, IceWM"},
    };
    for (const Row& row : rows) {
        THotKeyReport report;
        report.WinTab = row.holder;
        report.WindowManager = row.windowManager;
        report.RunningInstance = row.runningInstance;
        EXPECT_EQ(WinTabHolderText(report), row.text) << row.windowManager;
    }
}

TEST(HotKeyStatus, TheMessageSaysWhatWorksAndHowToFreeSuperTab) {
    THotKeyReport report;
    report.WinTab = KeyHolder::khOtherProgram;
    report.HotKey = KeyHolder::khOurs;
    report.ShortCut = 32960;
    report.WindowManager = "Xfwm4";
    ASSERT_TRUE(HotKeysNeedTelling(report));
    std::string message = HotKeyStatusMessage(report);
    EXPECT_NE(message.find("Super+Tab is taken by the window manager, xfwm4"), std::string::npos) << message;
    EXPECT_NE(message.find("The custom hot key Alt+` works"), std::string::npos) << message;
    EXPECT_NE(message.find("xfconf-query -c xfce4-keyboard-shortcuts -p '/xfwm4/custom/<Super>Tab' -r"),
              std::string::npos);
    // An unknown window manager: every known way is listed.
    report.WindowManager = "Some WM";
    message = HotKeyStatusMessage(report);
    for (const char* way :
         {"xfconf-query", "gsettings set org.gnome", "~/.fluxbox/keys", "Win95Keys=0", "KWin"})
        EXPECT_NE(message.find(way), std::string::npos) << way;
    // Both keys taken: only the tray and the command line are left.
    report.HotKey = KeyHolder::khOtherProgram;
    EXPECT_NE(HotKeyStatusLine(report).find("zorvane --show"), std::string::npos);
    // Super+Tab ours, the custom key taken: told too, without the advice for Super+Tab.
    report.WinTab = KeyHolder::khOurs;
    EXPECT_TRUE(HotKeysNeedTelling(report));
    EXPECT_EQ(HotKeyStatusMessage(report).find("To free Super+Tab"), std::string::npos);
    // Nothing to tell when both work, or when no custom key is set.
    report.HotKey = KeyHolder::khOurs;
    EXPECT_FALSE(HotKeysNeedTelling(report));
    report.ShortCut = 0;
    report.HotKey = KeyHolder::khNobody;
    EXPECT_FALSE(HotKeysNeedTelling(report));
}

// Keys the display server acts on before any program sees them: never reported as working, even
// when the grab itself succeeded, and refused whichever backend asks.
TEST(HotKeyStatus, KeysTheDisplayServerKeepsAreReportedAsUnusable) {
    struct Row {
        std::uint16_t code;
        bool reserved;
    };
    const Row rows[] = {
        // Ctrl+Alt+F1..F12 switch virtual terminals, Ctrl+Alt+Backspace ends the server, Ctrl+Alt with
        // keypad plus or minus changes the video mode.
        {0xC070, true},
        {0xC07B, true},
        {0xC008, true},
        {0xC06B, true},
        {0xC06D, true},
        // The same keys with Shift, without Ctrl or Alt, and the F-keys beyond F12 reach programs.
        {0xE07B, false},
        {0xE008, false},
        {0x807B, false},
        {0x407B, false},
        {0x007B, false},
        {0xC07C, false},
        {0xC054, false},
        {0xC0C0, false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ReservedByDisplayServer(row.code), row.reserved) << std::hex << row.code;

    THotKeyReport report;
    report.WinTab = KeyHolder::khOurs;
    report.HotKey = KeyHolder::khOurs;
    report.ShortCut = 0xC07B;
    EXPECT_TRUE(HotKeysNeedTelling(report));
    EXPECT_EQ(HotKeyHolderText(report),
              "reserved by the display server, which acts on it before any program sees it");
    EXPECT_EQ(
        HotKeyStatusLine(report),
        "The custom hot key Ctrl+Alt+F12 is reserved by the display server, which acts on it before any "
        "program sees it. Super+Tab works; choose another custom hot key in the options.");
    // Super+Tab taken as well: nothing is said to work but the tray and the command line.
    report.WinTab = KeyHolder::khOtherProgram;
    const std::string line = HotKeyStatusLine(report);
    EXPECT_EQ(line.find("Ctrl+Alt+F12 works"), std::string::npos) << line;
    EXPECT_NE(line.find("zorvane --show"), std::string::npos) << line;
}

// A translation's sentences are used with their blanks filled; what is put in is not read again,
// and a sentence the file lacks stays English.
TEST(HotKeyStatus, TranslatedSentencesGetTheKeyHolderAndCommandPutIn) {
    const HotKeyTexts texts = [](const std::string& name, const std::string& english) -> std::string {
        if (name == "msgWinTabIs")
            return "Super+Tab est %1.";
        if (name == "msgKeyTakenBy")
            return "pris par %1";
        if (name == "msgFreeXfwm4")
            return "xfwm4 : %1";
        return english;
    };
    THotKeyReport report;
    report.WinTab = KeyHolder::khOtherProgram;
    report.HotKey = KeyHolder::khOurs;
    report.ShortCut = 32960;
    report.WindowManager = "Odd %1 WM";
    EXPECT_EQ(HotKeyStatusLine(report, texts),
              "Super+Tab est pris par another program (the window manager is Odd "
              "%1 WM). The custom hot key Alt+` works: it opens the switcher, "
              "pinned.");
    report.WindowManager = "Xfwm4";
    EXPECT_NE(HotKeyStatusMessage(report, texts)
                  .find("xfwm4 : xfconf-query -c xfce4-keyboard-shortcuts -p '/xfwm4/custom/<Super>Tab' -r"),
              std::string::npos);
}

} // namespace
} // namespace zorvane
