// Translating forms from language files: the class rows, messages, the file rule, failures, and
// the shipped translations of the options dialog.
#include "UiTestSupport.h"

#include "app/unitSettings.h"
#include "ui/AutoStartEntry.h"
#include "ui/BrevonImage.h"
#include "ui/BrevonLanguage.h"
#include "ui/frmOption.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

namespace zorvane {
namespace {

// The application goes before the program's static objects do, or Qt crashes on the way out.
class QtEnvironment : public ::testing::Environment {
public:
    void TearDown() override { test::ReleaseApp(); }
};
// gtest owns registered environments.
[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

using test::App;
using test::TempDir;
using test::TextsOf;
using test::WriteFile;

// A form with one component of each class the translation knows.
struct SampleForm {
    QWidget form;
    QAction* action;
    QLabel* editLabel;
    QLineEdit* edit;
    QComboBox* combo;
    QMenu* menu;
    QAction* separator;
    QLabel* image;
    QToolButton* flatButton;
    QCheckBox* check;
    QObject* plainObject;

    SampleForm() {
        form.setObjectName("SampleForm");
        form.setWindowTitle("Sample");
        action = new QAction("Action", &form);
        action->setObjectName("acSample");
        editLabel = new QLabel("Edit label", &form);
        edit = new QLineEdit("edit text", &form);
        edit->setObjectName("leSample");
        editLabel->setBuddy(edit);
        combo = new QComboBox(&form);
        combo->setObjectName("cbSample");
        combo->addItems({"one", "two"});
        combo->setCurrentIndex(1);
        menu = new QMenu("Menu", &form);
        menu->setObjectName("mnSample");
        separator = menu->addSeparator();
        separator->setObjectName("spSample");
        image = new QLabel(&form);
        image->setObjectName("Image1");
        QPixmap pixmap(8, 8);
        pixmap.fill(Qt::red);
        image->setPixmap(pixmap);
        flatButton = new QToolButton(&form);
        flatButton->setObjectName("sbSample");
        flatButton->setText("flat");
        check = new QCheckBox("Check", &form);
        check->setObjectName("chSample");
        plainObject = new QObject(&form);
        plainObject->setObjectName("Timer1");
    }
};

class BrevonLanguageTest : public ::testing::Test {
protected:
    void SetUp() override { App(); }
    // A translator reading "<temp>/Language/Test.dat" holding the given text.
    TBrevonLanguage& WithFile(const std::string& text) {
        WriteFile(dir.path() / "Language" / "Test.dat", text);
        language.SetFileName("Test.dat");
        return language;
    }
    TempDir dir;
    TBrevonLanguage language{nullptr, dir.qpath()};
};

TEST_F(BrevonLanguageTest, AppliesEachComponentClassByItsRow) {
    SampleForm s;
    WithFile("[SampleForm]\n"
             "Caption=Échantillon\n"
             "acSample=&Run it|Runs the thing & more\n"
             "leSample=Labelled|Edit hint\n"
             "cbSample=Flip#13#10Grid#13#10Wave Flip\n"
             "mnSample=&Langue\n"
             "spSample=Separator caption|ignored hint\n"
             "Image1=Picture hint|not this\n"
             "sbSample=Flat caption|Flat hint\n"
             "chSample=C&heck it\n"
             "Timer1=nothing to apply\n"
             "NoSuchComponent=ignored\n");
    ASSERT_TRUE(language.Translate(&s.form));

    EXPECT_EQ(s.form.windowTitle(), "Échantillon");
    // Action: caption keeps '&', the hint loses every '&'.
    EXPECT_EQ(s.action->text(), "&Run it");
    EXPECT_EQ(s.action->toolTip(), "Runs the thing  more");
    // Labelled edit: the label takes the caption, the edit keeps its text and takes the hint.
    EXPECT_EQ(s.editLabel->text(), "Labelled");
    EXPECT_EQ(s.edit->text(), "edit text");
    EXPECT_EQ(s.edit->toolTip(), "Edit hint");
    // Combo box: exactly three items; the selection survives.
    ASSERT_EQ(s.combo->count(), 3);
    EXPECT_EQ(s.combo->itemText(0), "Flip");
    EXPECT_EQ(s.combo->itemText(2), "Wave Flip");
    EXPECT_EQ(s.combo->currentIndex(), 1);
    // Menu items: caption only.
    EXPECT_EQ(s.menu->title(), "&Langue");
    EXPECT_EQ(s.separator->text(), "Separator caption");
    EXPECT_EQ(s.separator->toolTip(), "Separator caption") << "a menu item takes no hint";
    // Image: the caption becomes its hint; the picture stays.
    EXPECT_EQ(s.image->toolTip(), "Picture hint");
    EXPECT_FALSE(s.image->pixmap().isNull());
    // Flat speed button: hint only.
    EXPECT_EQ(s.flatButton->text(), "flat");
    EXPECT_EQ(s.flatButton->toolTip(), "Flat hint");
    // Any other control: text and hint.
    EXPECT_EQ(s.check->text(), "C&heck it");
    EXPECT_EQ(s.check->statusTip(), "Check it");
    EXPECT_EQ(s.plainObject->objectName(), "Timer1");
}

TEST_F(BrevonLanguageTest, EmptyValuesAndEmptyCaptionsChangeNothing) {
    SampleForm s;
    const QStringList before = TextsOf(&s.form);
    WithFile("[SampleForm]\nCaption=\nacSample=\ncbSample=|only a hint\nchSample=\"\"\n");
    ASSERT_TRUE(language.Translate(&s.form));
    EXPECT_EQ(TextsOf(&s.form), before);
}

TEST_F(BrevonLanguageTest, ComponentNamesMatchWithoutRegardToCase) {
    SampleForm s;
    WithFile("[sampleform]\nACSAMPLE=Upper\n");
    language.Translate(&s.form);
    EXPECT_EQ(s.action->text(), "Upper");
}

TEST_F(BrevonLanguageTest, ApplyingTwiceEqualsOnce) {
    test::TempDir autostartDir;
    XdgAutoStartEntry autostart(autostartDir.path() / "zorvane.desktop");
    TFormStorage settings;
    TOptionForm form(settings, autostart, 32960, "/usr/bin/zorvane");
    TBrevonLanguage french(nullptr, test::ProgramFolder());
    french.SetFileName("French.dat");
    ASSERT_TRUE(french.Translate(&form));
    const QStringList once = TextsOf(&form);
    ASSERT_TRUE(french.Translate(&form));
    EXPECT_EQ(TextsOf(&form), once);
    EXPECT_EQ(form.windowTitle(), "Options");
}

TEST_F(BrevonLanguageTest, BadFontSizeReportsAndStopsTheSection) {
    SampleForm s;
    QStringList reports;
    language.SetErrorReporter([&](QObject*, const QString& message) { reports << message; });
    WithFile(
        "[SampleForm]\nCaption=Still applied\nFontName=DejaVu Serif\nFontSize=12pt\nacSample=Not applied\n");
    EXPECT_FALSE(language.Translate(&s.form));
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].contains("12pt")) << reports[0].toStdString();
    EXPECT_EQ(s.form.windowTitle(), "Still applied");
    EXPECT_EQ(s.form.font().family(), "DejaVu Serif");
    EXPECT_EQ(s.action->text(), "Action");

    // A good size is taken in points.
    WithFile("[SampleForm]\nFontSize=14\n");
    EXPECT_TRUE(language.Translate(&s.form));
    EXPECT_EQ(s.form.font().pointSize(), 14);
    EXPECT_EQ(reports.size(), 1);

    // A size of 0 or below is no size: passed over silently, and the rest of the section applies.
    for (const char* size : {"0", "-3"}) {
        SCOPED_TRACE(size);
        WithFile(std::string("[SampleForm]\nFontSize=") + size + "\nacSample=Applied\n");
        EXPECT_TRUE(language.Translate(&s.form));
        EXPECT_EQ(s.form.font().pointSize(), 14);
        EXPECT_EQ(s.action->text(), "Applied");
        EXPECT_EQ(reports.size(), 1);
    }
}

TEST_F(BrevonLanguageTest, MessagesBreakLinesAndFallBack) {
    WithFile("[Message]\nmsgTwoLines=first\\nsecond\nmsgCrLf=a#13#10b\nmsgEmpty=\n");
    EXPECT_EQ(language.GetMessage("msgTwoLines", "x"), "first\r\nsecond");
    EXPECT_EQ(language.GetMessage("MSGCRLF", "x"), "a\r\nb");
    EXPECT_EQ(language.GetMessage("msgEmpty", "Default"), "Default");
    EXPECT_EQ(language.GetMessage("msgMissing", "Default"), "Default");
    language.SetFileName("");
    EXPECT_EQ(language.FileName(), "");
    EXPECT_EQ(language.GetMessage("msgTwoLines", "Default"), "Default");
}

TEST_F(BrevonLanguageTest, FileNameFromAnotherFolderReadsTheProgramsLanguageFolder) {
    TBrevonLanguage own; // the executable's folder, where the build put the shipped files
    own.SetFileName("/tmp/elsewhere/French.dat");
    EXPECT_EQ(own.FileName(), QDir(QCoreApplication::applicationDirPath()).filePath("Language/French.dat"));
    EXPECT_EQ(own.GetMessage("msgClose", "Close"), "Fermer");
}

TEST_F(BrevonLanguageTest, MissingEmptyOrMalformedFilesLeaveTheEnglishTexts) {
    test::TempDir autostartDir;
    XdgAutoStartEntry autostart(autostartDir.path() / "zorvane.desktop");
    TFormStorage settings;
    TOptionForm form(settings, autostart, 32960, "/usr/bin/zorvane");
    const QStringList english = TextsOf(&form);

    language.SetFileName("Missing.dat");
    EXPECT_TRUE(language.Translate(&form));
    EXPECT_EQ(TextsOf(&form), english) << "missing file";

    static const char binary[] = "\0\xFF\xFE[\x01OptionForm]\n\x80\x81=\x82\nbtnOK=\xC3\n";
    const std::string damaged[] = {
        "",
        "\xEF\xBB\xBF",
        "[OptionForm\nbtnOK\n=\n[[]]\n==\n",
        std::string(binary, sizeof binary - 1),
        "[OptionForm]\nNoSuchControl=Texte\nCaption=\nFontName=\n",
    };
    for (const auto& text : damaged) {
        WithFile(text);
        EXPECT_TRUE(language.Translate(&form));
        EXPECT_EQ(TextsOf(&form), english) << "file: " << text;
        EXPECT_EQ(language.GetMessage("msgClose", "Close"), "Close");
    }
}

// Every caption of the options dialog changes in each non-English file (nothing left in English
// by mistake), and list boxes get as many items as they had.
TEST_F(BrevonLanguageTest, ShippedTranslationsCoverTheOptionsDialog) {
    test::TempDir autostartDir;
    XdgAutoStartEntry autostart(autostartDir.path() / "zorvane.desktop");
    TFormStorage settings;
    const QString bin = test::ProgramFolder();
    for (const char* file : {"French.dat", "Korea.dat", "Slovak.dat"}) {
        TOptionForm form(settings, autostart, 32960, "/usr/bin/zorvane");
        TBrevonLanguage translator(nullptr, bin);
        translator.SetFileName(file);
        translator.Translate(&form);
        for (QComboBox* combo : {form.cbFlipEffect, form.cbCameraPosition, form.cbBackEffect}) {
            TOptionForm english(settings, autostart, 32960, "/usr/bin/zorvane");
            const auto* original = english.findChild<QComboBox*>(combo->objectName());
            ASSERT_EQ(combo->count(), original->count()) << file << " " << combo->objectName().toStdString();
            EXPECT_NE(combo->itemText(0), original->itemText(0)) << file;
        }
        for (QAbstractButton* button :
             {static_cast<QAbstractButton*>(form.cbStartingAnimation),
              static_cast<QAbstractButton*>(form.cbAutoStart), static_cast<QAbstractButton*>(form.btnCancel)})
            EXPECT_FALSE(button->text().startsWith("Starting") ||
                         button->text().startsWith("Automatically") || button->text() == "Cancel")
                << file << " " << button->objectName().toStdString();
        // Longer translations are not cut off, and the captions of the first column end before
        // the controls they name (a word-wrapped note across the whole group names no control).
        for (QLabel* label : form.findChildren<QLabel*>()) {
            EXPECT_GE(label->width(), label->sizeHint().width())
                << file << " " << label->objectName().toStdString();
            if (label->x() < 100 && label != form.lblDefaultHotKey && !label->wordWrap()) {
                EXPECT_LT(label->geometry().right(), form.cbFlipEffect->x())
                    << file << " " << label->objectName().toStdString();
            }
        }
    }
}

} // namespace
} // namespace zorvane
