// The options dialog: what it shows for stored settings, its change rules, Default, OK, Cancel,
// the hot-key field and the autostart entry.
#include "UiTestSupport.h"

#include "app/unitSettings.h"
#include "core/CommaText.h"
#include "ui/AutoStartEntry.h"
#include "ui/OptionControls.h"
#include "ui/ShortCutKeys.h"
#include "ui/frmOption.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>

#include <gtest/gtest.h>

#include <fstream>

namespace zorvane {
namespace {

const QString kExe = "/opt/zorvane/bin/zorvane";

class OptionFormTest : public ::testing::Test {
protected:
    void SetUp() override { test::App(); }
    std::unique_ptr<TOptionForm> Open(std::uint16_t shortCut = 32960) {
        auto form = std::make_unique<TOptionForm>(settings, autostart, shortCut, kExe);
        form->FormActivate();
        return form;
    }
    // The user picks a list entry (a user-initiated change).
    static void Choose(TOptionForm& /*form*/, QComboBox* combo, int index) {
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
    std::vector<std::string> BackFields() const {
        return SplitCommaText(settings.GetText(TFormStorage::kBackEffectOption));
    }

    test::TempDir dir;
    XdgAutoStartEntry autostart{dir.path() / "autostart" / "zorvane.desktop"};
    TFormStorage settings;
};

TEST_F(OptionFormTest, InitialSettingsShowFlipTopAndNone) {
    auto form = Open();
    EXPECT_EQ(form->cbFlipEffect->currentIndex(), 0);
    EXPECT_EQ(form->cbCameraPosition->currentIndex(), 0);
    EXPECT_TRUE(form->cbCameraPosition->isEnabled());
    EXPECT_TRUE(form->cbStartingAnimation->isChecked());
    EXPECT_TRUE(form->cbEnddingAnimation->isChecked());
    EXPECT_FALSE(form->cbBounceAnimation->isChecked());
    EXPECT_TRUE(form->cbReflection->isChecked());
    EXPECT_EQ(form->cbBackEffect->currentIndex(), 0);
    EXPECT_EQ(form->feBackgroundImage->text(), "");
    EXPECT_FALSE(form->feBackgroundImage->isEnabled());
    EXPECT_FALSE(form->lblBackImage->isEnabled());
    EXPECT_FALSE(form->cbActiveBackground->isEnabled());
    EXPECT_FALSE(form->cbActiveBackground->isChecked());
    EXPECT_FALSE(form->tbFramePerSec->isEnabled());
    EXPECT_FALSE(form->lblFramePerSec->isEnabled());
    EXPECT_EQ(form->tbFramePerSec->value(), 20);
    EXPECT_EQ(form->ShortCut(), 32960);
    EXPECT_EQ(form->HotKey1->keySequence(), QKeySequence(QKeyCombination(Qt::AltModifier, Qt::Key_QuoteLeft)))
        << "the field shows the stored code";
    EXPECT_FALSE(form->cbAutoStart->isChecked()) << "no autostart entry";
    EXPECT_EQ(form->size(), QSize(464, 589));
    EXPECT_EQ(form->windowTitle(), "Option");
    for (QGroupBox* group :
         {form->gbHotKey, form->gbForegroundEffect, form->gbBackgroundEffect, form->gbView}) {
        EXPECT_EQ(group->x(), 10);
        EXPECT_EQ(group->width(), 447);
    }
    EXPECT_EQ(form->gbForegroundEffect->geometry(), QRect(10, 137, 447, 158));
    // Centred on the screen (a window system may shift it by its frame).
    EXPECT_LE((form->geometry().center() - QGuiApplication::primaryScreen()->availableGeometry().center())
                  .manhattanLength(),
              4);
}

TEST_F(OptionFormTest, ForegroundChoicesSetAnimationsAndCamera) {
    auto form = Open();
    Choose(*form, form->cbFlipEffect, 1); // Grid
    for (QCheckBox* box :
         {form->cbStartingAnimation, form->cbEnddingAnimation, form->cbBounceAnimation, form->cbReflection})
        EXPECT_TRUE(box->isChecked()) << box->objectName().toStdString();
    EXPECT_EQ(form->cbCameraPosition->currentIndex(), 1);
    EXPECT_FALSE(form->cbCameraPosition->isEnabled());
    EXPECT_FALSE(form->lblCameraPosition->isEnabled());

    Choose(*form, form->cbFlipEffect, 0); // Flip again
    EXPECT_FALSE(form->cbBounceAnimation->isChecked());
    EXPECT_EQ(form->cbCameraPosition->currentIndex(), 0);
    EXPECT_TRUE(form->cbCameraPosition->isEnabled());

    form->cbReflection->setChecked(false);
    Choose(*form, form->cbFlipEffect, 2); // Wave Flip
    EXPECT_TRUE(form->cbBounceAnimation->isChecked());
    EXPECT_TRUE(form->cbReflection->isChecked());
    EXPECT_EQ(form->cbCameraPosition->currentIndex(), 0);
    EXPECT_TRUE(form->cbCameraPosition->isEnabled());
}

TEST_F(OptionFormTest, BackgroundChoicesFillPictureAndEnableControls) {
    auto form = Open();
    struct Case {
        int index;
        const char* picture;
        bool pictureEnabled;
        bool rateEnabled;
    };
    const Case cases[] = {{1, "back01.bmp", true, false},
                          {2, "wave.bmp", true, true},
                          {3, "rain.bmp", true, true},
                          {4, "tunnel.bmp", true, true},
                          {0, "", false, false}};
    for (const auto& c : cases) {
        form->tbFramePerSec->setValue(7);
        form->cbActiveBackground->setChecked(false);
        Choose(*form, form->cbBackEffect, c.index);
        EXPECT_EQ(form->feBackgroundImage->text(), c.picture) << c.index;
        EXPECT_TRUE(form->cbActiveBackground->isChecked()) << c.index;
        EXPECT_EQ(form->tbFramePerSec->value(), 20) << c.index;
        EXPECT_EQ(form->feBackgroundImage->isEnabled(), c.pictureEnabled) << c.index;
        EXPECT_EQ(form->cbActiveBackground->isEnabled(), c.pictureEnabled) << c.index;
        EXPECT_EQ(form->tbFramePerSec->isEnabled(), c.rateEnabled) << c.index;
        EXPECT_EQ(form->lblFramePerSec->isEnabled(), c.rateEnabled) << c.index;
    }
}

TEST_F(OptionFormTest, DefaultThenOkStoresTheDefaults) {
    settings.SetValue(TFormStorage::kFlipEffectType, 1);
    settings.SetValue(TFormStorage::kFlipEffectOption, "1,0,0,-1,0");
    settings.SetValue(TFormStorage::kBackEffectType, 4);
    settings.SetValue(TFormStorage::kBackEffectOption, "tunnel.bmp,0,5");
    auto form = Open(0x4041);
    form->cbAutoStart->setChecked(false);
    form->btnDefaultClick();
    EXPECT_EQ(settings.GetInteger(TFormStorage::kFlipEffectType), 1) << "nothing is stored before OK";
    form->btnOK->click();

    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_EQ(settings.GetInteger(TFormStorage::kFlipEffectType), 0);
    EXPECT_EQ(settings.GetText(TFormStorage::kFlipEffectOption), "0,-1,-1,0,-1");
    EXPECT_EQ(settings.GetInteger(TFormStorage::kBackEffectType), 2);
    EXPECT_EQ(settings.GetText(TFormStorage::kBackEffectOption), "wave.bmp,-1,20");
    EXPECT_EQ(form->ShortCut(), kVkF12);
    EXPECT_EQ(settings.GetInteger(TFormStorage::kShortCut), kVkF12);
    EXPECT_EQ(autostart.ReadCommand(), kExe.toStdString()) << "Default checks the autostart box";
}

TEST_F(OptionFormTest, MonitorChoiceShowsAndStoresTheSetting) {
    struct Row {
        const char* what;
        int stored;
        int shown;
    };
    const Row rows[] = {
        {"the pointer's monitor", 0, 0},
        {"the primary monitor", 1, 1},
        {"a value the list does not have reads as the pointer's", 7, 0},
    };
    for (const Row& row : rows) {
        settings.SetValue(TFormStorage::kMonitor, row.stored);
        auto form = Open();
        EXPECT_EQ(form->cbMonitor->currentIndex(), row.shown) << row.what;
        EXPECT_EQ(form->cbMonitor->count(), 2);
        EXPECT_EQ(form->cbMonitor->geometry(), QRect(160, 72, 270, 22));
        EXPECT_EQ(form->cbMonitor->parentWidget(), form->gbView);
        EXPECT_EQ(form->lblMonitor->pos(), QPoint(16, 76));
    }
    auto form = Open();
    Choose(*form, form->cbMonitor, 1);
    form->btnOK->click();
    EXPECT_EQ(settings.GetInteger(TFormStorage::kMonitor), 1);
    form = Open();
    form->btnDefaultClick();
    form->btnOKClick();
    EXPECT_EQ(settings.GetInteger(TFormStorage::kMonitor), 0) << "Default proposes the pointer's monitor";
}

TEST_F(OptionFormTest, OkWithAutoStartOffRemovesAnyEntry) {
    ASSERT_TRUE(autostart.Write("/home/other/copy/zorvane"));
    auto form = Open();
    EXPECT_FALSE(form->cbAutoStart->isChecked()) << "another copy's entry is not ours";
    form->btnOKClick();
    EXPECT_FALSE(std::filesystem::exists(autostart.File()));
    EXPECT_EQ(autostart.ReadCommand(), "");
}

TEST_F(OptionFormTest, AutoStartBoxShowsWhetherThisProgramStarts) {
    // Our own entry checks the box.
    ASSERT_TRUE(autostart.Write(kExe.toStdString()));
    EXPECT_TRUE(Open()->cbAutoStart->isChecked());
    // An entry that cannot be read leaves the box as designed (checked).
    std::filesystem::remove(autostart.File());
    std::filesystem::create_directories(autostart.File());
    EXPECT_EQ(autostart.ReadCommand(), std::nullopt);
    EXPECT_TRUE(Open()->cbAutoStart->isChecked());
}

TEST_F(OptionFormTest, CancelChangesNothing) {
    settings.SetValue(TFormStorage::kBackEffectOption, "rain.bmp,-1,33");
    settings.SetValue(TFormStorage::kBackEffectType, 3);
    const auto names = settings.Names();
    std::vector<TStoredValue> before;
    for (const auto& name : names)
        before.push_back(settings.GetValue(name));
    auto form = Open();
    form->btnDefaultClick();
    Choose(*form, form->cbFlipEffect, 1);
    form->cbAutoStart->setChecked(true);
    form->btnCancel->click();

    EXPECT_EQ(form->result(), QDialog::Rejected);
    for (std::size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(settings.GetValue(names[i]), before[i]) << names[i];
    EXPECT_FALSE(std::filesystem::exists(autostart.File()));
}

TEST_F(OptionFormTest, PictureWithBlankOrCommaStaysOneField) {
    for (const std::string picture :
         {"/home/me/My Pictures/sea side.jpg", "/data/a,b.bmp", "/x/\"odd\" name.bmp"}) {
        settings.SetValue(TFormStorage::kBackEffectType, 1);
        settings.SetValue(TFormStorage::kBackEffectOption, JoinCommaText({picture, "0", "20"}));
        auto first = Open();
        EXPECT_EQ(first->feBackgroundImage->text().toStdString(), picture);
        first->btnOKClick();
        ASSERT_EQ(BackFields().size(), 3u) << settings.GetText(TFormStorage::kBackEffectOption);
        EXPECT_EQ(BackFields()[0], picture);
        EXPECT_EQ(Open()->feBackgroundImage->text().toStdString(), picture) << "loaded again";
    }
    // A path the browse button showed in quotes is stored without them.
    auto form = Open();
    form->feBackgroundImage->setText(TFileNameEdit::QuotedWhenBlank("/p q/r.bmp"));
    EXPECT_EQ(form->feBackgroundImage->text(), "\"/p q/r.bmp\"");
    form->btnOKClick();
    EXPECT_EQ(BackFields()[0], "/p q/r.bmp");
}

TEST_F(OptionFormTest, ShortOptionTextsKeepTheOtherControls) {
    settings.SetValue(TFormStorage::kFlipEffectType, 0);
    settings.SetValue(TFormStorage::kFlipEffectOption, "2");
    settings.SetValue(TFormStorage::kBackEffectType, 2);
    settings.SetValue(TFormStorage::kBackEffectOption, "pic.bmp");
    auto form = Open();
    EXPECT_EQ(form->cbCameraPosition->currentIndex(), 2);
    // The four boxes start checked in the designed dialog and stay so.
    for (QCheckBox* box :
         {form->cbStartingAnimation, form->cbEnddingAnimation, form->cbBounceAnimation, form->cbReflection})
        EXPECT_TRUE(box->isChecked()) << box->objectName().toStdString();
    EXPECT_EQ(form->feBackgroundImage->text(), "pic.bmp");
    EXPECT_FALSE(form->cbActiveBackground->isChecked());
    EXPECT_EQ(form->tbFramePerSec->value(), 20);

    // Fields that are there but are no booleans or numbers take the dialog's fallbacks.
    settings.SetValue(TFormStorage::kFlipEffectType, 2);
    settings.SetValue(TFormStorage::kFlipEffectOption, "x,maybe,0,False,TRUE");
    settings.SetValue(TFormStorage::kBackEffectOption, ",?,fast");
    form = Open();
    EXPECT_EQ(form->cbCameraPosition->currentIndex(), 1) << "Wave Flip's camera falls back to Center";
    EXPECT_TRUE(form->cbStartingAnimation->isChecked());
    EXPECT_FALSE(form->cbEnddingAnimation->isChecked());
    EXPECT_FALSE(form->cbBounceAnimation->isChecked());
    EXPECT_TRUE(form->cbReflection->isChecked());
    EXPECT_TRUE(form->cbActiveBackground->isChecked());
    EXPECT_EQ(form->tbFramePerSec->value(), 1);

    // Grid always shows the Center camera, whatever the field says.
    settings.SetValue(TFormStorage::kFlipEffectType, 1);
    settings.SetValue(TFormStorage::kFlipEffectOption, "2,0,0,0,0");
    EXPECT_EQ(Open()->cbCameraPosition->currentIndex(), 1);
}

TEST_F(OptionFormTest, HotKeyFieldCapturesKeysAsShortCutCodes) {
    auto form = Open(0);
    EXPECT_EQ(form->ShortCut(), 0);
    form->HotKey1->setFocus();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F12, Qt::ControlModifier | Qt::ShiftModifier);
    QCoreApplication::sendEvent(form->HotKey1, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_F12, Qt::ControlModifier | Qt::ShiftModifier);
    QCoreApplication::sendEvent(form->HotKey1, &release);
    EXPECT_EQ(form->ShortCut(), kShortCutCtrl | kShortCutShift | kVkF12);
    form->btnOKClick();
    EXPECT_EQ(settings.GetInteger(TFormStorage::kShortCut), 0x607B);
}

TEST_F(OptionFormTest, EscapeInTheHotKeyFieldCancelsInsteadOfBecomingTheKey) {
    settings.SetValue(TFormStorage::kShortCut, 0x60C0);
    auto form = Open(0x60C0);
    form->HotKey1->setFocus();
    QWidget* target = form->HotKey1->focusProxy() ? form->HotKey1->focusProxy() : form->HotKey1;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &release);
    EXPECT_EQ(form->result(), QDialog::Rejected);
    EXPECT_EQ(form->ShortCut(), 0x60C0) << "Esc is not recorded as the hot key";
    EXPECT_EQ(settings.GetInteger(TFormStorage::kShortCut), 0x60C0);
}

// Types one key into the widget that holds the dialog's focus, in the order the application
// delivers it: the shortcut check, the press, the release.
void Type(QWidget& form, int key, Qt::KeyboardModifiers modifiers) {
    QWidget* target = form.focusWidget();
    ASSERT_NE(target, nullptr);
    QKeyEvent check(QEvent::ShortcutOverride, key, modifiers);
    QCoreApplication::sendEvent(target, &check);
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QCoreApplication::sendEvent(target, &release);
}

bool InHotKeyField(const TOptionForm& form) {
    const QWidget* focus = form.focusWidget();
    return focus == form.HotKey1 || form.HotKey1->isAncestorOf(focus);
}

TEST_F(OptionFormTest, HotKeyFieldLeavesTheDialogKeysAndTypingKeysAlone) {
    struct Row {
        const char* what;
        int key;
        Qt::KeyboardModifiers modifiers;
        std::uint16_t shortCut; // what the field holds afterwards
        bool closedWithOk;
        bool focusInField;
    };
    const std::uint16_t kept = 0x60C0;
    const Row rows[] = {
        // The dialog's keys: Return and Enter press OK, Tab and Shift+Tab move the focus on.
        {"Return", Qt::Key_Return, Qt::NoModifier, kept, true, false},
        {"keypad Enter", Qt::Key_Enter, Qt::KeypadModifier, kept, true, false},
        {"Tab", Qt::Key_Tab, Qt::NoModifier, kept, false, false},
        {"Shift+Tab", Qt::Key_Backtab, Qt::ShiftModifier, kept, false, false},
        // Keys that a global grab would take from typing are not recorded.
        {"Space", Qt::Key_Space, Qt::NoModifier, kept, false, true},
        {"Backspace", Qt::Key_Backspace, Qt::NoModifier, kept, false, true},
        {"a letter", Qt::Key_K, Qt::NoModifier, kept, false, true},
        {"Shift and a letter", Qt::Key_K, Qt::ShiftModifier, kept, false, true},
        {"a digit", Qt::Key_7, Qt::NoModifier, kept, false, true},
        {"a keypad digit", Qt::Key_7, Qt::KeypadModifier, kept, false, true},
        {"Shift+Return", Qt::Key_Return, Qt::ShiftModifier, kept, false, true},
        // With Ctrl or Alt, or on a key no one types with, the combination is the hot key.
        {"Ctrl and a letter", Qt::Key_K, Qt::ControlModifier, kShortCutCtrl | 'K', false, true},
        {"Alt and a digit", Qt::Key_7, Qt::AltModifier, kShortCutAlt | '7', false, true},
        {"Ctrl+Space", Qt::Key_Space, Qt::ControlModifier, kShortCutCtrl | 0x20, false, true},
        {"Shift+F5", Qt::Key_F5, Qt::ShiftModifier, kShortCutShift | 0x74, false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        settings.SetValue(TFormStorage::kShortCut, kept);
        auto form = Open(kept);
        form->show();
        form->HotKey1->setFocus();
        ASSERT_TRUE(InHotKeyField(*form));
        Type(*form, row.key, row.modifiers);
        EXPECT_EQ(form->ShortCut(), row.shortCut);
        EXPECT_EQ(!form->isVisible() && form->result() == QDialog::Accepted, row.closedWithOk);
        if (!row.closedWithOk) {
            EXPECT_EQ(InHotKeyField(*form), row.focusInField);
        }
    }
}

// The display server acts on Ctrl+Alt+F1..F12 and Ctrl+Alt+Backspace before any program: such a
// combination is refused with a sentence in the status line (translated where a language says so),
// and the field keeps its key. With Shift they are ordinary keys again.
TEST_F(OptionFormTest, HotKeyFieldRefusesKeysTheDisplayServerKeeps) {
    struct Row {
        const char* what;
        int key;
        Qt::KeyboardModifiers modifiers;
        bool refused;
    };
    const std::uint16_t kept = 0x60C0;
    const Qt::KeyboardModifiers ctrlAlt = Qt::ControlModifier | Qt::AltModifier;
    const Row rows[] = {
        {"Ctrl+Alt+F1", Qt::Key_F1, ctrlAlt, true},
        {"Ctrl+Alt+F12", Qt::Key_F12, ctrlAlt, true},
        {"Ctrl+Alt+Backspace", Qt::Key_Backspace, ctrlAlt, true},
        {"Ctrl+Alt+Shift+F12", Qt::Key_F12, ctrlAlt | Qt::ShiftModifier, false},
        {"Alt+F12", Qt::Key_F12, Qt::AltModifier, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        auto form = Open(kept);
        form->Messages = [](const std::string& name, const std::string& english) {
            return name == "msgKeyReservedRefused" ? std::string("%1 : réservé au serveur.") : english;
        };
        form->show();
        form->HotKey1->setFocus();
        Type(*form, row.key, row.modifiers);
        const QString status = form->lblHotKeyStatus->text();
        if (row.refused) {
            EXPECT_EQ(form->ShortCut(), kept);
            EXPECT_EQ(status, QString::fromUtf8(row.what) + QString::fromUtf8(" : réservé au serveur."));
        } else {
            EXPECT_NE(form->ShortCut(), kept);
            EXPECT_FALSE(status.contains(QStringLiteral("réservé")));
        }
    }
    // The server took the key itself: only its modifiers came, and the field keeps its key.
    {
        auto form = Open(kept);
        form->show();
        form->HotKey1->setFocus();
        Type(*form, Qt::Key_Control, Qt::ControlModifier);
        Type(*form, Qt::Key_Alt, ctrlAlt);
        EXPECT_EQ(form->ShortCut(), kept);
        EXPECT_EQ(form->HotKey1->keySequence(), KeySequenceFromShortCut(kept));
    }
    // Without a language: the English sentence.
    auto form = Open(kept);
    form->show();
    form->HotKey1->setFocus();
    Type(*form, Qt::Key_F3, ctrlAlt);
    EXPECT_EQ(form->lblHotKeyStatus->text(),
              "Ctrl+Alt+F3 is reserved by the display server and never reaches "
              "Zorvane: choose another combination.");
}

TEST_F(OptionFormTest, TabThenShiftTabComesBackToTheHotKeyField) {
    auto form = Open();
    form->show();
    form->HotKey1->setFocus();
    Type(*form, Qt::Key_Tab, Qt::NoModifier);
    ASSERT_FALSE(InHotKeyField(*form));
    Type(*form, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(InHotKeyField(*form));
}

// Return presses the button that has the focus, and OK from any other control.
TEST_F(OptionFormTest, ReturnPressesTheFocusedButtonElseOk) {
    settings.SetValue(TFormStorage::kShortCut, 0x60C0);
    {
        auto form = Open(0x60C0);
        form->show();
        form->btnCancel->setFocus();
        Type(*form, Qt::Key_Return, Qt::NoModifier);
        EXPECT_FALSE(form->isVisible());
        EXPECT_EQ(form->result(), QDialog::Rejected);
    }
    {
        auto form = Open(0x60C0);
        form->show();
        form->btnDefault->setFocus();
        Type(*form, Qt::Key_Return, Qt::NoModifier);
        EXPECT_TRUE(form->isVisible()) << "Default does not close the dialog";
        EXPECT_EQ(form->ShortCut(), kVkF12);
        form->cbReflection->setFocus();
        Type(*form, Qt::Key_Return, Qt::NoModifier);
        EXPECT_FALSE(form->isVisible());
        EXPECT_EQ(form->result(), QDialog::Accepted);
    }
    EXPECT_EQ(settings.GetInteger(TFormStorage::kShortCut), kVkF12) << "Default's key, stored by OK";
}

TEST_F(OptionFormTest, FramePerSecTipShowsTheValueAboveTheThumb) {
    auto form = Open();
    form->show();
    TTipTrackBar* bar = form->tbFramePerSec;
    bar->setSliderPosition(35);
    EXPECT_EQ(bar->TipText(), "35");
    EXPECT_LT(bar->TipPosition().y(), bar->mapToGlobal(QPoint(0, 0)).y());
    const int left = bar->TipPosition().x();
    bar->setSliderPosition(50);
    EXPECT_GT(bar->TipPosition().x(), left) << "the tip follows the thumb";

    // Dragging the thumb with the mouse shows the value while the button is held.
    Choose(*form, form->cbBackEffect, 2); // Wave: the bar is enabled at 20
    ASSERT_TRUE(bar->isEnabled());
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.orientation = Qt::Horizontal;
    const QPoint thumb =
        bar->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, bar).center();
    const auto mouse = [&](QEvent::Type type, QPoint at, Qt::MouseButtons held) {
        QMouseEvent event(type, QPointF(at), bar->mapToGlobal(QPointF(at)),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, Qt::NoModifier);
        QCoreApplication::sendEvent(bar, &event);
    };
    mouse(QEvent::MouseButtonPress, thumb, Qt::LeftButton);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), "20");
    mouse(QEvent::MouseMove, thumb + QPoint(60, 0), Qt::LeftButton);
    EXPECT_GT(bar->sliderPosition(), 20);
    EXPECT_EQ(QToolTip::text(), bar->TipText());
    mouse(QEvent::MouseButtonRelease, thumb + QPoint(60, 0), Qt::NoButton);
    QElapsedTimer waited; // the tip fades out after a short delay
    waited.start();
    while (QToolTip::isVisible() && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_FALSE(QToolTip::isVisible()) << "the tip goes with the release";
    EXPECT_EQ(bar->value(), bar->sliderPosition());
    form->hide();
}

// The browse button offers images only, starts in the picture's folder, and shows a chosen path
// with a blank inside quotes; OK stores the bare path.
TEST_F(OptionFormTest, BrowseOffersImagesAndQuotesPathsWithBlanks) {
    const auto folder = dir.path() / "My Pictures";
    test::WriteFile(folder / "sea side.JPG", "not really a picture");
    test::WriteFile(folder / "notes.txt", "text");
    const QString chosen = QString::fromStdString((folder / "sea side.JPG").string());
    settings.SetValue(TFormStorage::kBackEffectType, 1);
    settings.SetValue(TFormStorage::kBackEffectOption,
                      JoinCommaText({(folder / "old.bmp").string(), "-1", "20"}));
    auto form = Open();
    form->show();

    QStringList filters;
    QString startFolder;
    QStringList offered;
    QElapsedTimer waited;
    waited.start();
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* browse = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (browse == nullptr)
            return;
        filters = browse->nameFilters();
        startFolder = browse->directory().absolutePath();
        // The files the dialog lists, once it has read the folder.
        auto* view = browse->findChild<QAbstractItemView*>("listView");
        const int rows = view != nullptr ? view->model()->rowCount(view->rootIndex()) : 0;
        if (rows == 0 && waited.elapsed() < 5000)
            return;
        offered.clear();
        for (int row = 0; row < rows; ++row)
            offered << view->model()->index(row, 0, view->rootIndex()).data().toString();
        // The user types the picture's name and confirms; tried again on the next tick until the
        // dialog closes.
        if (auto* name = browse->findChild<QLineEdit*>("fileNameEdit"))
            name->setText("sea side.JPG");
        QMetaObject::invokeMethod(browse, "accept");
        if (waited.elapsed() > 10000)
            browse->reject();
    });
    poll.start();
    form->feBackgroundImage->BrowseButton()->click();

    EXPECT_EQ(filters.size(), 1);
    EXPECT_TRUE(filters.value(0).startsWith("Images (*.bmp *.jpg *.jpeg")) << filters.value(0).toStdString();
    EXPECT_EQ(startFolder.toStdString(), folder.string());
    EXPECT_EQ(offered, QStringList{"sea side.JPG"});
    EXPECT_EQ(form->feBackgroundImage->text(), "\"" + chosen + "\"");
    form->btnOK->click();
    EXPECT_EQ(BackFields().at(0), chosen.toStdString());
}

TEST(ShortCutKeys, ConvertBetweenCodesAndKeys) {
    struct Case {
        std::uint16_t code;
        QKeyCombination key;
    };
    const Case both[] = {
        {0x80C0, QKeyCombination(Qt::AltModifier, Qt::Key_QuoteLeft)}, // the initial hot key
        {0x007B, QKeyCombination(Qt::Key_F12)},
        {0xC041, QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_A)},
        {0x2035, QKeyCombination(Qt::ShiftModifier, Qt::Key_5)},
        {0x0065, QKeyCombination(Qt::KeypadModifier, Qt::Key_5)},
        {0x0020, QKeyCombination(Qt::Key_Space)},
        {0x4026, QKeyCombination(Qt::ControlModifier, Qt::Key_Up)},
        {0x8087, QKeyCombination(Qt::AltModifier, Qt::Key_F24)},
        {0x00DE, QKeyCombination(Qt::Key_Apostrophe)},
    };
    for (const auto& c : both) {
        EXPECT_EQ(ShortCutFromKey(c.key), c.code) << QKeySequence(c.key).toString().toStdString();
        EXPECT_EQ(KeySequenceFromShortCut(c.code), QKeySequence(c.key)) << std::hex << c.code;
    }
    // Shifted symbols are their key with Shift.
    EXPECT_EQ(ShortCutFromKey(QKeyCombination(Qt::ShiftModifier, Qt::Key_Exclam)), 0x2031);
    EXPECT_EQ(ShortCutFromKey(QKeyCombination(Qt::ShiftModifier, Qt::Key_AsciiTilde)), 0x20C0);
    EXPECT_EQ(ShortCutFromKey(QKeyCombination(Qt::ShiftModifier, Qt::Key_Backtab)), 0x2009);
    // What a hot key cannot hold: the Meta key, keys without a code; codes without a key.
    EXPECT_EQ(ShortCutFromKey(QKeyCombination(Qt::MetaModifier, Qt::Key_A)), 0);
    EXPECT_EQ(ShortCutFromKey(QKeyCombination(Qt::Key_VolumeUp)), 0);
    EXPECT_TRUE(KeySequenceFromShortCut(0).isEmpty());
    EXPECT_TRUE(KeySequenceFromShortCut(0x8000).isEmpty());
    EXPECT_TRUE(KeySequenceFromShortCut(0x00FF).isEmpty());
}

TEST(AutoStartEntry, ExecValuesRoundTripAwkwardPaths) {
    for (const std::string path : {"/usr/bin/zorvane", "/home/me/My Apps/zorvane", "/opt/100%/z",
                                   "/a\"b/$HOME/`x`\\y", "/tab\there/z"}) {
        const std::string exec = DesktopExecValue(path);
        EXPECT_EQ(exec.find('\n'), std::string::npos);
        EXPECT_EQ(ProgramFromDesktopExec(exec), path) << exec;
    }
    EXPECT_EQ(DesktopExecValue("/usr/bin/zorvane"), "/usr/bin/zorvane");
    EXPECT_EQ(DesktopExecValue("/my apps/z"), "\"/my apps/z\"");
    EXPECT_EQ(ProgramFromDesktopExec("/usr/bin/zorvane --flag"), "/usr/bin/zorvane");
    EXPECT_EQ(ProgramFromDesktopExec("\"/unterminated"), std::nullopt);
}

TEST(AutoStartEntry, WritesReadsAndRemovesTheDesktopFile) {
    test::TempDir dir;
    XdgAutoStartEntry entry(dir.path() / "config" / "autostart" / "zorvane.desktop");
    EXPECT_EQ(entry.ReadCommand(), "");
    ASSERT_TRUE(entry.Write("/home/me/My Apps/zorvane"));
    EXPECT_EQ(entry.ReadCommand(), "/home/me/My Apps/zorvane");
    std::ifstream in(entry.File());
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    EXPECT_NE(text.find("[Desktop Entry]\n"), std::string::npos);
    EXPECT_NE(text.find("Type=Application\n"), std::string::npos);
    EXPECT_NE(text.find("Exec=\"/home/me/My Apps/zorvane\"\n"), std::string::npos);

    // An entry the user switched off starts nothing.
    test::WriteFile(entry.File(), "[Desktop Entry]\nExec=/usr/bin/zorvane\nHidden=true\n");
    EXPECT_EQ(entry.ReadCommand(), "");
    EXPECT_TRUE(entry.Remove());
    EXPECT_TRUE(entry.Remove()) << "removing what is not there succeeds";

    // The default place follows XDG_CONFIG_HOME.
    const std::string saved = qgetenv("XDG_CONFIG_HOME").toStdString();
    qputenv("XDG_CONFIG_HOME", "/cfg/home");
    EXPECT_EQ(XdgAutoStartEntry::DefaultFile(), "/cfg/home/autostart/zorvane.desktop");
    qputenv("XDG_CONFIG_HOME", saved.c_str());
}

} // namespace
} // namespace zorvane
