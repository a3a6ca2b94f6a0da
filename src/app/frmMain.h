// frmMain: the resident main form — splash, tray icon and menu, the two hot keys, the capture
// cycle, the activation of the picked window, and the settings and window lists it owns.
#pragma once

#include "app/HotKeyStatus.h"
#include "app/PrevInstance.h"
#include "view/frmOpenGL.h"

#include <QWidget>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

class QAction;
class QLabel;
class QMenu;
class QSocketNotifier;
class QSystemTrayIcon;
class QTimer;

namespace zorvane {

class Platform;
class TBrevonLanguage;
class TFormStorage;
class THandleInfos;
class TWindowInfos;

class TMainForm : public QWidget, public TOpenGLFormOwner {
    Q_OBJECT
public:
    static constexpr int kSplashWidth = 189;
    static constexpr int kSplashHeight = 34;
    static constexpr int kSplashMilliseconds = 1500;
    static constexpr int kKeyRetryMilliseconds = 3000;
    static constexpr const char* kWebSite = "https://zorvane.org";

    // FormCreate: builds the components, the lists and the hot keys; then reads the settings file.
    TMainForm(Platform& platform, TFormStorage& settings);
    ~TMainForm() override;

    // The view is created right after the main form; the form uses it from its first activation on.
    void SetOpenGLForm(TOpenGLForm* view) { OpenGLForm = view; }

    // TOpenGLFormOwner
    TWindowInfos& WindowInfos() override;
    ViewSettings ReadViewSettings() override;
    std::string ViewMessage(const std::string& name, const std::string& fallback) override;
    void ActivateWindow(int index) override;

    bool IsDialogOpen() const;
    void CaptureCycle(bool startUp);
    // A capture cycle for a showing; true when two or more windows are left to show.
    bool CaptureForShowing();
    void RegisterShowHotKey();
    void SuspendShowHotKey();
    void ResumeShowHotKey();
    void LoadLanguage(QWidget* form);
    void TranslateMenuHints();

    // Who holds Super+Tab and the custom hot key now.
    THotKeyReport HotKeyReport();
    // The hot keys' sentences in the current language.
    HotKeyTexts HotKeyWords();
    // Grabs Super+Tab (and the custom hot key) again where another program held them.
    void RetryKeys();
    // Tells the user, once per start, which hot key is taken, by whom and what works instead:
    // standard error, then a desktop notification, or the tray icon's message without one.
    void TellKeyStatus();
    bool HotKeyHold() const { return FHotKeyHold; }

    // A tray-menu command sent by a later start of the program.
    void RunRemoteCommand(RemoteCommand command);

    // Handlers.
    void FormActivate();
    void Timer1Timer();
    void WinTabMessage();
    void acGLShowExecute();
    void acShowEffectExecute();
    void acOptionExecute();
    void acAboutExecute();
    void acLanguageExecute(QAction* sender);
    void acHelpExecute();
    void acGoogleGroupsExecute();
    void acDonateExecute();
    void acExitExecute();
    void JvTrayIcon1Click(Qt::MouseButton button);

    // The tray icon counts as active (also on desktops with no tray host to show it).
    bool TrayActive() const { return FTrayActive; }
    std::uint16_t ShowShortCut() const { return FShowShortCut; }
    void SetShowShortCut(std::uint16_t shortcut) { FShowShortCut = shortcut; }
    TBrevonLanguage& Language() { return *BrevonLanguage; }
    TFormStorage& Settings() { return FSettings; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createActions();
    void createTrayIcon();
    void watchPlatformEvents();
    void FormClose();
    void OpenPage(const char* path);
    QAction* addAction(const char* name, const char* caption);
    void InstallWinTabGrab();
    void HotKeyPressed();
    void TraceKeyStatus();
    void ShowKeyMessage(const QString& text);

    Platform& FPlatform;
    TFormStorage& FSettings;
    TOpenGLForm* OpenGLForm = nullptr;

    // Components.
    QLabel* Image1 = nullptr;
    QTimer* Timer1 = nullptr;
    QSystemTrayIcon* JvTrayIcon1 = nullptr;
    QMenu* BarPopupMenu1 = nullptr;
    QMenu* mnLanguage = nullptr;
    TBrevonLanguage* BrevonLanguage = nullptr;
    QAction* acGLShow = nullptr;
    QAction* acShowEffect = nullptr;
    QAction* acOption = nullptr;
    QAction* acHelp = nullptr;
    QAction* acGoogleGroups = nullptr;
    QAction* acAbout = nullptr;
    QAction* acExit = nullptr;
    QAction* acDonate = nullptr;
    QAction* spAction = nullptr;
    QAction* spConfigurations = nullptr;
    QAction* spInformations = nullptr;
    QAction* spClose = nullptr;
    QSocketNotifier* FPlatformNotifier = nullptr;
    // Tries the keys again every few seconds while one is not ours.
    QTimer* FKeyRetryTimer = nullptr;

    // Private fields.
    bool FBusy = false;
    bool FCapturing = false;
    bool FShiftDown = false;
    // Keys the platform caught whose bound command (zorvane --wintab, --show) runs as well: the
    // command's message, arriving later on the command channel, is that key's echo and is dropped.
    std::deque<std::pair<RemoteCommand, double>> FCaughtKeys;
    void NoteCaughtKey(RemoteCommand command);
    bool IsEchoOfCaughtKey(RemoteCommand command);
    bool FActivated = false;
    bool FClosed = false;
    bool FTrayActive = false;
    bool FWinTabGrabbed = false;
    bool FKeyStatusTold = false;
    bool FHotKeyHold = false; // HotKeyHold: the custom hot key is held like Super+Tab
    std::string FKeyStatusTraced;
    std::uint16_t FShowShortCut = 32960;
    std::uint16_t FSavedShortCut = 0;
    std::unique_ptr<THandleInfos> FHandleInfos;
    std::unique_ptr<TWindowInfos> FWindowInfos;

    // The dialogs while they are open.
    QWidget* OptionForm = nullptr;
    QWidget* AboutForm = nullptr;
};

} // namespace zorvane
