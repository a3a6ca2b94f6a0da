// The language files against the real forms: the main form on a private X desktop with the X11
// platform, and the options dialog and the about box it opens. Every key of every shipped file
// names a component, every text-bearing component has a key, and the language menu translates
// the main form and an open dialog in place.
#include "UiTestSupport.h"

#include "app/HotKeyStatus.h"
#include "app/frmMain.h"
#include "app/unitSettings.h"
#include "platform/x11/X11Platform.h"
#include "ui/AutoStartEntry.h"
#include "ui/BrevonURLImage.h"
#include "ui/OptionControls.h"
#include "ui/ProfileFile.h"
#include "ui/frmAbout.h"
#include "ui/frmOption.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <set>

// Xlib's macros clash with Qt's headers, so X comes last.
#include "harness/XHarness.h"

namespace zorvane {
namespace {

const char* const kFiles[] = {"English.dat", "French.dat", "Korea.dat", "Slovak.dat"};

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Components as the translation finds them: by name, without regard to letter case.
QObject* FindByName(QObject* form, const std::string& name) {
    for (QObject* child : form->findChildren<QObject*>())
        if (SameName(child->objectName().toStdString(), name))
            return child;
    return nullptr;
}

bool HasLetter(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetter(); });
}

// The names of the components a translator has to give a text: actions and menus with a caption,
// buttons, group boxes, lists, labels with words, pictures with a hint. Qt's own helpers (no name,
// or "qt_"/"_q_" names) and the texts that stay the same in every language are left out.
std::set<std::string> TextBearingComponents(QObject* form, const std::set<std::string>& sameEverywhere) {
    std::set<std::string> names;
    for (QObject* object : form->findChildren<QObject*>()) {
        const QString name = object->objectName();
        if (name.isEmpty() || name.startsWith("qt_") || name.startsWith("_q_") ||
            sameEverywhere.count(name.toStdString()) > 0)
            continue;
        bool needsText = false;
        if (auto* action = qobject_cast<QAction*>(object))
            needsText = !action->isSeparator() && HasLetter(action->text());
        else if (auto* button = qobject_cast<QAbstractButton*>(object))
            needsText = HasLetter(button->text());
        else if (auto* menu = qobject_cast<QMenu*>(object))
            needsText = HasLetter(menu->title());
        else if (auto* group = qobject_cast<QGroupBox*>(object))
            needsText = HasLetter(group->title());
        else if (auto* combo = qobject_cast<QComboBox*>(object))
            needsText = combo->count() > 0;
        else if (qobject_cast<TBrevonImage*>(object) != nullptr)
            needsText = true;
        else if (auto* label = qobject_cast<QLabel*>(object))
            needsText = label->pixmap().isNull() ? HasLetter(label->text()) : !label->toolTip().isEmpty();
        if (needsText)
            names.insert(Lower(name.toStdString()));
    }
    return names;
}

// One private X desktop and one application for every test here: the main form needs a display
// for its platform, and Qt allows one application per process.
class MainFormOnXvfb : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        home = std::make_unique<test::TempDir>();
        // Settings, autostart entries and captures of these tests stay in their own folder.
        for (const char* variable : {"XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "TMPDIR"})
            qputenv(variable, home->path().string().c_str());
        std::filesystem::permissions(home->path(), std::filesystem::perms::owner_all);
        test::XDesktop::Options options;
        options.width = 1024;
        options.height = 768;
        desktop = std::make_unique<test::XDesktop>(options);
        if (!desktop->ok())
            return;
        qputenv("DISPLAY", desktop->display().c_str());
        qputenv("QT_QPA_PLATFORM", "xcb");
        test::App();
        std::string error;
        platform = createX11Platform(desktop->display().c_str(), error);
        platformError = error;
    }
    static void TearDownTestSuite() {
        platform.reset();
        test::ReleaseApp();
        desktop.reset();
        home.reset();
    }
    void SetUp() override {
        ASSERT_TRUE(desktop->ok()) << desktop->reason();
        ASSERT_TRUE(platform != nullptr) << platformError;
        settingsFile = home->path() / ("Zorvane-" + std::to_string(++run) + ".xml");
        settings = std::make_unique<TFormStorage>(settingsFile.string());
        settings->SetValue(TFormStorage::kLanguage, std::string("English"));
        mainForm = std::make_unique<TMainForm>(*platform, *settings);
        mainForm->LoadLanguage(mainForm.get());
        mainForm->TranslateMenuHints();
    }
    void TearDown() override {
        poller.reset();
        mainForm.reset();
        settings.reset();
    }

    QAction* Action(const char* name) const { return mainForm->findChild<QAction*>(name); }

    // Runs check once the modal dialog of type T shows (polling from the event loop), then lets
    // close end it. When no such dialog shows within ten seconds the test fails and whatever modal
    // window there is gets closed, so that the test ends.
    template <typename T> void WhenModalShows(std::function<void(T&)> check, std::function<void(T&)> close) {
        poller = std::make_unique<QTimer>();
        poller->setInterval(20);
        auto started = std::make_shared<QElapsedTimer>();
        started->start();
        QObject::connect(poller.get(), &QTimer::timeout, [this, check, close, started] {
            if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
                dialog && dialog->isVisible()) {
                poller->stop();
                check(*dialog);
                close(*dialog);
            } else if (started->elapsed() > 10000) {
                poller->stop();
                ADD_FAILURE() << "the dialog did not show";
                if (QWidget* modal = QApplication::activeModalWidget())
                    modal->close();
            }
        });
        poller->start();
    }

    static inline std::unique_ptr<test::TempDir> home;
    static inline std::unique_ptr<test::XDesktop> desktop;
    static inline std::unique_ptr<Platform> platform;
    static inline std::string platformError;
    static inline int run = 0;

    std::filesystem::path settingsFile;
    std::unique_ptr<TFormStorage> settings;
    std::unique_ptr<TMainForm> mainForm;
    std::unique_ptr<QTimer> poller;
};

// Every key of every shipped file names a component of the real form (a typo would silently
// translate nothing), and every component that shows a text has a key in every file (a new
// control is not left in English).
TEST_F(MainFormOnXvfb, ShippedFilesAndRealFormsMatchKeyForKey) {
    XdgAutoStartEntry autostart(home->path() / "autostart" / "names.desktop");
    TOptionForm options(*settings, autostart, 32960, "/usr/bin/zorvane");
    TAboutForm about("English");
    struct Form {
        const char* section;
        QObject* form;
        // Texts that are the same in every language: the product name, its version and web address,
        // the numbers at the ends of the frame rate bar, the browse button; the description follows
        // the language by its own rule.
        std::set<std::string> sameEverywhere;
    };
    const Form forms[] = {
        {"MainForm", mainForm.get(), {}},
        {"OptionForm", &options, {"lblFrameMin", "lblFrameMax", "feBrowseButton"}},
        {"AboutForm", &about, {"Label1", "Label2", "BrevonURLLabel2", "Memo1"}},
    };
    // The folder the main form reads its files from.
    const std::filesystem::path folder =
        std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()) / "Language";
    for (const char* file : kFiles) {
        const ProfileFile profile = ProfileFile::Load(folder / file);
        ASSERT_TRUE(profile.exists()) << folder / file;
        for (const Form& form : forms) {
            std::set<std::string> keyed;
            for (const auto& key : profile.keyNames(form.section)) {
                keyed.insert(Lower(key));
                if (SameName(key, "Caption") || SameName(key, "FontName") || SameName(key, "FontSize"))
                    continue;
                EXPECT_NE(FindByName(form.form, key), nullptr) << file << " [" << form.section << "] " << key;
                EXPECT_FALSE(profile.readString(form.section, key, "").empty())
                    << file << " [" << form.section << "] " << key;
            }
            EXPECT_TRUE(keyed.count("caption")) << file << " [" << form.section << "]";
            for (const auto& name : TextBearingComponents(form.form, form.sameEverywhere))
                EXPECT_TRUE(keyed.count(name)) << file << " [" << form.section << "] has no " << name;
        }
        for (const char* message : {"msgAction", "msgConfigurations", "msgInformations", "msgClose"})
            EXPECT_FALSE(profile.readString("Message", message, "").empty()) << file << " " << message;
        // The hot keys' sentences: each one there, with the same blanks for the key, holder or
        // command as the English one (a lost "%1" would drop the command the user needs).
        const auto blanks = [](const std::string& text) {
            std::multiset<std::string> found;
            for (std::size_t at = text.find('%'); at != std::string::npos; at = text.find('%', at + 1))
                found.insert(text.substr(at, 2));
            return found;
        };
        for (const HotKeyMessage& message : HotKeyMessages()) {
            const std::string text = profile.readString("Message", message.name, "");
            EXPECT_FALSE(text.empty()) << file << " " << message.name;
            EXPECT_EQ(blanks(text), blanks(message.english)) << file << " " << message.name << ": " << text;
        }
    }
}

// The language menu: the main form's actions, menus and separators change, the open options
// dialog changes in place and keeps the user's unsaved choices, which OK then stores.
TEST_F(MainFormOnXvfb, LanguageMenuTranslatesMainFormAndOpenOptionsDialog) {
    EXPECT_EQ(Action("acOption")->text(), "Option");
    EXPECT_EQ(Action("spClose")->text(), "Close");

    QStringList seen;
    QStringList status;
    WhenModalShows<TOptionForm>(
        [&](TOptionForm& dialog) {
            seen << dialog.windowTitle() << dialog.btnCancel->text();
            status << dialog.lblHotKeyStatus->text();
            // The user picks Raindrops, then switches the language from the tray menu.
            dialog.cbBackEffect->setCurrentIndex(3);
            emit dialog.cbBackEffect->activated(3);
            Action("acFrench")->trigger();
            seen << dialog.windowTitle() << dialog.btnCancel->text() << dialog.cbBackEffect->currentText()
                 << dialog.feBackgroundImage->text() << dialog.gbHotKey->title();
            status << dialog.lblHotKeyStatus->text();
        },
        [](TOptionForm& dialog) { dialog.btnOK->click(); });
    mainForm->acOptionExecute();

    ASSERT_EQ(seen.size(), 7);
    EXPECT_EQ(seen[0], "Option");
    EXPECT_EQ(seen[1], "Cancel");
    EXPECT_EQ(seen[2], "Options");
    EXPECT_EQ(seen[3], "Annuler");
    EXPECT_EQ(seen[4], "Gouttes de pluie (lent, plus de mémoire)") << "the choice survives the new texts";
    EXPECT_EQ(seen[5], "rain.bmp");
    EXPECT_EQ(seen[6], "Raccourci clavier");
    // Who holds the hot keys, whatever it is here, in the new language too: every such line names
    // the custom hot key or what works instead.
    ASSERT_EQ(status.size(), 2);
    EXPECT_TRUE(status[0].contains("hot key")) << status[0].toStdString();
    EXPECT_TRUE(status[1].contains("raccourci")) << status[1].toStdString();
    EXPECT_EQ(settings->GetText(TFormStorage::kLanguage), "French");
    EXPECT_EQ(settings->GetInteger(TFormStorage::kBackEffectType), 3);
    EXPECT_EQ(settings->GetText(TFormStorage::kBackEffectOption), "rain.bmp,-1,20");

    // The main form itself, its language submenu and the separators' captions.
    EXPECT_EQ(Action("acOption")->text(), "Options");
    EXPECT_EQ(Action("acExit")->text(), "Quitter");
    EXPECT_EQ(Action("acEnglish")->text(), "Anglais");
    EXPECT_EQ(mainForm->findChild<QMenu*>("mnLanguage")->title(), "Langue");
    EXPECT_EQ(Action("spClose")->text(), "Fermer");
    EXPECT_EQ(Action("spInformations")->toolTip(), "Informations");

    // Choosing the same language again changes nothing.
    const QStringList once = test::TextsOf(mainForm.get());
    Action("acFrench")->trigger();
    EXPECT_EQ(test::TextsOf(mainForm.get()), once);

    // Back to English: every text the French file changed comes back.
    Action("acEnglish")->trigger();
    EXPECT_EQ(Action("acOption")->text(), "Option");
    EXPECT_EQ(Action("acExit")->text(), "Exit");
    EXPECT_EQ(Action("spClose")->text(), "Close");
}

// Every command the menu shows carries its picture; the sections and the show command carry none.
TEST_F(MainFormOnXvfb, MenuCommandsCarryTheirPictures) {
    for (const char* name : {"acOption", "acHelp", "acGoogleGroups", "acAbout", "acExit", "acDonate",
                             "acKorea", "acFrench", "acSlovak", "acEnglish"})
        EXPECT_FALSE(Action(name)->icon().isNull()) << name;
    EXPECT_FALSE(mainForm->findChild<QMenu*>("mnLanguage")->icon().isNull());
    EXPECT_TRUE(Action("acShowEffect")->icon().isNull());
    EXPECT_TRUE(Action("acNorwegian")->icon().isNull()) << "hidden languages have no flag";
}

// An open about box changes its texts and its description in place.
TEST_F(MainFormOnXvfb, LanguageMenuTranslatesOpenAboutBox) {
    QStringList seen;
    WhenModalShows<TAboutForm>(
        [&](TAboutForm& about) {
            seen << about.windowTitle() << about.Memo1->toPlainText();
            Action("acKorea")->trigger();
            seen << about.windowTitle() << about.btnOK->text() << about.Memo1->toPlainText()
                 << about.BrevonURLImage1->toolTip();
            Action("acSlovak")->trigger();
            seen << about.windowTitle() << about.Memo1->toPlainText();
        },
        [](TAboutForm& about) { about.btnOK->click(); });
    mainForm->acAboutExecute();

    ASSERT_EQ(seen.size(), 8);
    EXPECT_EQ(seen[0], "About");
    EXPECT_EQ(seen[1], TAboutForm::EnglishDescription());
    EXPECT_EQ(seen[2], "정보");
    EXPECT_EQ(seen[3], "확인");
    EXPECT_EQ(seen[4], TAboutForm::KoreanDescription());
    EXPECT_EQ(seen[5], "기부로 Zorvane을 후원해 주세요");
    EXPECT_EQ(seen[6], "O programe");
    EXPECT_EQ(seen[7], TAboutForm::EnglishDescription());
    EXPECT_EQ(Action("acAbout")->text(), "O programe");
    EXPECT_FALSE(mainForm->IsDialogOpen());
}

} // namespace
} // namespace zorvane
