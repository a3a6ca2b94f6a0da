// TOptionForm: the modal options dialog (hot key, foreground effect, background effect, start with
// the session). It reads the stored values when first shown and writes them back on OK.
#pragma once

#include <QDialog>

#include <cstdint>
#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QKeySequenceEdit;
class QLabel;
class QPushButton;

namespace zorvane {

class TAutoStartEntry;
class TFileNameEdit;
class TFormStorage;
class TTipTrackBar;

class TOptionForm : public QDialog {
    Q_OBJECT
public:
    // shortCut: the custom hot key's code as the main form holds it; executablePath: what the
    // autostart entry must start for the box to show checked.
    TOptionForm(TFormStorage& settings, TAutoStartEntry& autoStart, std::uint16_t shortCut,
                QString executablePath, QWidget* parent = nullptr);
    ~TOptionForm() override;

    // The main form's translation of this dialog; run on the first activation, before the
    // settings fill the lists.
    std::function<void(QWidget* form)> LoadLanguage;
    // Who holds Super+Tab and the custom hot key, shown beside the default hot key.
    QString HotKeyStatus;
    // The [Message] text `name` of the current language file, `english` where it has none; unset:
    // English.
    std::function<std::string(const std::string& name, const std::string& english)> Messages;
    // A new status while the dialog shows (the language changed).
    void SetHotKeyStatus(const QString& status);
    // Non-empty where live pictures cannot be had: in a few words, and why. The box is then
    // disabled and says so (the why in its tool tip).
    QString LivePicturesUnavailable;
    QString LivePicturesWhy;

    // HotKey1's combination as a shortcut code (0 for none). After OK it is the new hot key.
    std::uint16_t ShortCut() const;

    // First activation: translate, LoadSettings, the enabling rules, the autostart box. Runs once,
    // from the first show; calling it again does nothing.
    void FormActivate();
    void LoadSettings();
    void cbFlipEffectChange(bool userInitiated);
    void cbBackEffectChange(bool userInitiated);
    void btnDefaultClick();
    void btnOKClick();

    // Components, named as the language files address them.
    QGroupBox* gbHotKey;
    QLabel* lblDefaultHotKey;
    QLabel* lblCustomHotKey;
    QKeySequenceEdit* HotKey1;
    QLabel* lblHotKeyStatus;
    QCheckBox* cbHotKeyHold;
    QGroupBox* gbForegroundEffect;
    QLabel* lblScreenEffect;
    QComboBox* cbFlipEffect;
    QLabel* lblCameraPosition;
    QComboBox* cbCameraPosition;
    QGroupBox* gbAnimationEffect;
    QCheckBox* cbStartingAnimation;
    QCheckBox* cbEnddingAnimation;
    QCheckBox* cbBounceAnimation;
    QCheckBox* cbReflection;
    QGroupBox* gbBackgroundEffect;
    QLabel* lblBackStyle;
    QComboBox* cbBackEffect;
    QCheckBox* cbActiveBackground;
    QLabel* lblBackImage;
    TFileNameEdit* feBackgroundImage;
    QLabel* lblFramePerSec;
    QLabel* lblFrameMin;
    QLabel* lblFrameMax;
    TTipTrackBar* tbFramePerSec;
    QGroupBox* gbView;
    QCheckBox* cbLivePictures;
    QCheckBox* cbShowTitles;
    QLabel* lblDesktopFilter;
    QComboBox* cbDesktopFilter;
    QLabel* lblMonitor;
    QComboBox* cbMonitor;
    QCheckBox* cbAutoStart;
    QPushButton* btnDefault;
    QPushButton* btnOK;
    QPushButton* btnCancel;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateComponents();
    void SetShortCut(std::uint16_t code);
    // Says in the status line why a combination the display server keeps is not taken.
    void RefuseReservedKey(QKeyCombination combination);
    void SaveSettings();

    TFormStorage& FSettings;
    TAutoStartEntry& FAutoStart;
    QString FExecutablePath;
    bool FActivated = false;
};

} // namespace zorvane
