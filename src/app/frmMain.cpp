// frmMain: creation, splash, hot keys, capture cycle and activation of the main form.
// The tray menu's actions (dialogs, language, web pages, exit) are in frmMainActions.cpp.
#include "app/frmMain.h"

#include "app/unitSettings.h"
#include "core/ReservedKeys.h"
#include "effects/unitEffect.h"
#include "platform/Platform.h"
#include "ui/BrevonLanguage.h"
#include "view/TitlePlates.h"
#include "windows/CaptureFolder.h"
#include "windows/unitHandleInfos.h"
#include "windows/unitWindowInfos.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace zorvane {

namespace {

// The splash picture: the product name on a deep blue band.
QPixmap SplashPicture() {
    QPixmap picture(TMainForm::kSplashWidth, TMainForm::kSplashHeight);
    QPainter painter(&picture);
    QLinearGradient gradient(0, 0, 0, TMainForm::kSplashHeight);
    gradient.setColorAt(0.0, QColor(40, 70, 140));
    gradient.setColorAt(1.0, QColor(10, 20, 50));
    painter.fillRect(picture.rect(), gradient);
    painter.setPen(QColor(120, 160, 230));
    painter.drawRect(picture.rect().adjusted(0, 0, -1, -1));
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(18);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(picture.rect(), Qt::AlignCenter, "Zorvane");
    return picture;
}

} // namespace

QIcon TrayPicture();

TMainForm::TMainForm(Platform& platform, TFormStorage& settings)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      FPlatform(platform), FSettings(settings) {
    setObjectName("MainForm");
    setWindowTitle("Zorvane");
    // FormCreate.
    setFixedSize(kSplashWidth, kSplashHeight);
    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setPixmap(SplashPicture());
    Image1->setGeometry(0, 0, kSplashWidth, kSplashHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - QPoint(kSplashWidth / 2, kSplashHeight / 2));

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(kSplashMilliseconds);
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, &TMainForm::Timer1Timer);

    BrevonLanguage = new zorvane::TBrevonLanguage(this);
    BrevonLanguage->setObjectName("BrevonLanguage");

    FBusy = false;
    FShiftDown = false;
    FHandleInfos = std::make_unique<THandleInfos>();
    FWindowInfos =
        std::make_unique<TWindowInfos>(FPlatform, CaptureFolderPath(FPlatform.sessionDisplayName()));
    createActions();
    createTrayIcon();
    watchPlatformEvents();

    InstallWinTabGrab();
    RegisterShowHotKey();

    // The settings are read after creation; the stored custom hot key is registered right away, so
    // that it works from the start and not only after the options dialog has been opened once.
    // Settings added since the first six are known, with their defaults, before the file is read, so
    // that it is read into them (the store reads only the values it holds) and they are written next
    // to the others.
    constexpr std::pair<const char*, int> kAddedSettings[] = {
        {TFormStorage::kShowTitles, -1},   {TFormStorage::kHotKeyHold, 0}, {TFormStorage::kLivePictures, -1},
        {TFormStorage::kDesktopFilter, 0}, {TFormStorage::kMonitor, 0},
    };
    for (const auto& [name, initial] : kAddedSettings)
        FSettings.SetValue(name, initial);
    FSettings.Restore();
    const int stored = FSettings.GetInteger(TFormStorage::kShortCut, TFormStorage::kInitialShortCut);
    FShowShortCut = static_cast<std::uint16_t>(stored >= 0 && stored <= 0xFFFF ? stored : 0);
    FHotKeyHold = FSettings.GetInteger(TFormStorage::kHotKeyHold, 0) != 0;
    RegisterShowHotKey();

    FKeyRetryTimer = new QTimer(this);
    FKeyRetryTimer->setInterval(kKeyRetryMilliseconds);
    connect(FKeyRetryTimer, &QTimer::timeout, this, &TMainForm::RetryKeys);
    FKeyRetryTimer->start();
    TraceKeyStatus();
}

void TMainForm::InstallWinTabGrab() {
    FWinTabGrabbed = FPlatform.installWinTabGrab([this](bool shiftDown) {
        FShiftDown = shiftDown;
        NoteCaughtKey(shiftDown ? RemoteCommand::rcWinTabBack : RemoteCommand::rcWinTab);
        // Like the hook, only note it here; the work runs from the event loop.
        QMetaObject::invokeMethod(this, &TMainForm::WinTabMessage, Qt::QueuedConnection);
    });
}

void TMainForm::NoteCaughtKey(RemoteCommand command) {
    if (FPlatform.keysAlsoRunCommands())
        FCaughtKeys.emplace_back(command, MonotonicMilliseconds());
}

bool TMainForm::IsEchoOfCaughtKey(RemoteCommand command) {
    // An echo comes within the time it takes to start a process; older notes are of keys whose
    // command never reached us (it runs as another user, say).
    constexpr double kEchoWaitMs = 3000;
    const double now = MonotonicMilliseconds();
    while (!FCaughtKeys.empty() && now - FCaughtKeys.front().second > kEchoWaitMs)
        FCaughtKeys.pop_front();
    for (auto it = FCaughtKeys.begin(); it != FCaughtKeys.end(); ++it) {
        if (it->first == command) {
            FCaughtKeys.erase(it);
            return true;
        }
    }
    return false;
}

THotKeyReport TMainForm::HotKeyReport() {
    THotKeyReport report;
    report.WinTab = FPlatform.winTabHolder();
    report.HotKey = FPlatform.hotKeyHolder();
    report.ShortCut = IsDialogOpen() ? FSavedShortCut : FShowShortCut;
    report.WindowManager = FPlatform.windowManagerName();
    report.HotKeyHeld = FHotKeyHold;
    report.WinTabTakenBy = FPlatform.winTabTakenBy();
    report.HotKeyTakenBy = FPlatform.hotKeyTakenBy();
    report.BindingLines = FPlatform.keyBindingAdvice(FShowShortCut);
    return report;
}

HotKeyTexts TMainForm::HotKeyWords() {
    // The files break lines as "\r\n"; terminals and notifications want "\n".
    return [this](const std::string& name, const std::string& english) {
        std::string text = ViewMessage(name, english);
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        return text;
    };
}

void TMainForm::TraceKeyStatus() {
    const auto name = [](KeyHolder holder) {
        switch (holder) {
        case KeyHolder::khOurs:
            return "ours";
        case KeyHolder::khNobody:
            return "nobody";
        case KeyHolder::khOtherProgram:
            return "other";
        case KeyHolder::khLeftSuperAlone:
            return "left-super";
        }
        return "?";
    };
    const std::string line = std::string("keys super-tab ") + name(FPlatform.winTabHolder()) + " hot-key " +
                             name(FPlatform.hotKeyHolder());
    if (line != FKeyStatusTraced) {
        FKeyStatusTraced = line;
        Trace(line);
    }
}

void TMainForm::RetryKeys() {
    if (FClosed)
        return;
    // Freed in the window manager's settings: take it at once, without a restart.
    if (!FWinTabGrabbed)
        InstallWinTabGrab();
    else
        FPlatform.winTabHolder(); // the left Super key may have been taken or freed meanwhile
    if (!IsDialogOpen() && FShowShortCut != 0 && FPlatform.hotKeyHolder() == KeyHolder::khOtherProgram)
        RegisterShowHotKey();
    TraceKeyStatus();
}

void TMainForm::TellKeyStatus() {
    if (FKeyStatusTold)
        return;
    const THotKeyReport report = HotKeyReport();
    if (!HotKeysNeedTelling(report))
        return;
    FKeyStatusTold = true;
    const std::string message = HotKeyStatusMessage(report, HotKeyWords());
    std::fprintf(stderr, "zorvane: %s\n", message.c_str());
    std::fflush(stderr);
    ShowKeyMessage(QString::fromStdString(message));
}

void TMainForm::ShowKeyMessage(const QString& text) {
    // A desktop notification reaches the user without a tray too; where no notification service
    // answers, the tray icon's balloon does.
    const QString title = QString::fromStdString(HotKeyStatusTitle(HotKeyWords()));
    const auto trayMessage = [this, title, text] {
        Trace("key-message tray");
        if (JvTrayIcon1 && QSystemTrayIcon::isSystemTrayAvailable())
            JvTrayIcon1->showMessage(title, text, QSystemTrayIcon::Warning, 30000);
    };
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        trayMessage();
        return;
    }
    const auto notifications = [](const QString& method) {
        return QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
                                              QStringLiteral("/org/freedesktop/Notifications"),
                                              QStringLiteral("org.freedesktop.Notifications"), method);
    };
    // A service that reads markup in the body would take "<Super>Tab" for a tag and drop the
    // commands: it gets the text escaped.
    auto* asked = new QDBusPendingCallWatcher(
        bus.asyncCall(notifications(QStringLiteral("GetCapabilities")), 5000), this);
    connect(asked, &QDBusPendingCallWatcher::finished, this,
            [this, asked, title, text, trayMessage, notifications] {
                asked->deleteLater();
                const QDBusPendingReply<QStringList> capabilities = *asked;
                if (capabilities.isError()) {
                    trayMessage();
                    return;
                }
                const bool markup = capabilities.value().contains(QStringLiteral("body-markup"));
                QDBusMessage call = notifications(QStringLiteral("Notify"));
                call << QStringLiteral("Zorvane") << 0u << QString() << title
                     << (markup ? text.toHtmlEscaped() : text) << QStringList() << QVariantMap() << -1;
                auto* sent =
                    new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call, 5000), this);
                connect(sent, &QDBusPendingCallWatcher::finished, this, [sent, trayMessage] {
                    if (sent->isError())
                        trayMessage();
                    else
                        Trace("key-message notification");
                    sent->deleteLater();
                });
            });
}

TMainForm::~TMainForm() {
    FormClose();
}

void TMainForm::watchPlatformEvents() {
    // Our own X connection: any round trip can pull events into its queue without the socket
    // becoming readable again, so drain it also whenever the event loop is about to sleep.
    const int fd = FPlatform.connectionFd();
    if (fd >= 0) {
        FPlatformNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(FPlatformNotifier, &QSocketNotifier::activated, this,
                [this] { FPlatform.processPendingEvents(); });
    }
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                [this] { FPlatform.processPendingEvents(); });
}

TWindowInfos& TMainForm::WindowInfos() {
    return *FWindowInfos;
}

ViewSettings TMainForm::ReadViewSettings() {
    ViewSettings values;
    values.FlipEffectType = FSettings.GetInteger(TFormStorage::kFlipEffectType, 0);
    values.FlipEffectOption = FSettings.GetText(TFormStorage::kFlipEffectOption);
    values.BackEffectType = FSettings.GetInteger(TFormStorage::kBackEffectType, 0);
    values.BackEffectOption = FSettings.GetText(TFormStorage::kBackEffectOption);
    values.LivePictures = FSettings.GetInteger(TFormStorage::kLivePictures, -1) != 0;
    values.ShowTitles = FSettings.GetInteger(TFormStorage::kShowTitles, -1) != 0;
    values.Monitor = FSettings.GetInteger(TFormStorage::kMonitor, 0);
    return values;
}

std::string TMainForm::ViewMessage(const std::string& name, const std::string& fallback) {
    if (!BrevonLanguage)
        return fallback;
    return BrevonLanguage->GetMessage(QString::fromStdString(name), QString::fromStdString(fallback))
        .toStdString();
}

void TMainForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!FActivated) {
        FActivated = true; // runs once, like the handler that detaches itself
        QTimer::singleShot(0, this, &TMainForm::FormActivate);
    }
}

void TMainForm::FormActivate() {
    LoadLanguage(this);
    TranslateMenuHints();
    try {
        CaptureCycle(true);
    } catch (...) {
        // No pictures at start is no reason not to run.
    }
    QCoreApplication::processEvents();
    if (OpenGLForm)
        OpenGLForm->Prepare();
    Timer1->start();
    Trace("splash-shown");
}

void TMainForm::Timer1Timer() {
    Timer1->stop();
    hide();
    Image1->deleteLater();
    Image1 = nullptr;
    // The icon counts as active even where no tray host shows it, so the hot keys work there too;
    // Qt docks it as soon as a host appears.
    JvTrayIcon1->show();
    FTrayActive = true;
    acGLShow->setEnabled(true);
    acShowEffect->setEnabled(true);
    Trace(QSystemTrayIcon::isSystemTrayAvailable() ? "resident tray" : "resident no-tray");
    TellKeyStatus();
}

bool TMainForm::IsDialogOpen() const {
    return OptionForm != nullptr || AboutForm != nullptr;
}

void TMainForm::WinTabMessage() {
    Trace("wintab");
    if (OpenGLForm && OpenGLForm->Effect() && !OpenGLForm->WorkerStopped() &&
        OpenGLForm->Effect()->FState == esIdle && !FBusy) {
        if (FShiftDown)
            OpenGLForm->EffectSelectPrevious();
        else
            OpenGLForm->EffectSelectNext();
        return;
    }
    acGLShow->trigger();
}

bool TMainForm::CaptureForShowing() {
    CaptureCycle(false);
    Trace("capture-done " + std::to_string(FWindowInfos->Count()));
    // Decided on the records the view will show: the ones left without a picture go first.
    if (FWindowInfos->PrepareForShowing() > 1)
        return true;
    Trace("show-skipped");
    return false;
}

void TMainForm::acGLShowExecute() {
    if (IsDialogOpen() || !FTrayActive || FBusy || FCapturing || !OpenGLForm || !OpenGLForm->CanOpen())
        return;
    FBusy = true;
    Trace("capture-start");
    try {
        if (CaptureForShowing())
            OpenGLForm->SetActive(true);
    } catch (...) {
        // Zorvane stays in the tray whatever went wrong with this showing.
    }
    FBusy = false;
}

void TMainForm::acShowEffectExecute() {
    JvTrayIcon1Click(Qt::LeftButton);
}

void TMainForm::JvTrayIcon1Click(Qt::MouseButton button) {
    if (IsDialogOpen() || !OpenGLForm)
        return;
    if (button != Qt::LeftButton)
        return;
    try {
        if (OpenGLForm->IsActive()) {
            OpenGLForm->EffectSelectNext();
            return;
        }
        if (!OpenGLForm->CanOpen() || FCapturing)
            return;
        if (CaptureForShowing())
            OpenGLForm->ShowPinned();
    } catch (...) {
    }
}

void TMainForm::RegisterShowHotKey() {
    const std::uint16_t shortcut = FShowShortCut;
    // A combination the display server keeps would be grabbed and never arrive; it is reported
    // instead (HotKeyStatus), like a taken one.
    if (shortcut == 0 || ReservedByDisplayServer(shortcut)) {
        FPlatform.unregisterHotKey();
        return;
    }
    FPlatform.registerHotKey(shortcut, [this] {
        NoteCaughtKey(RemoteCommand::rcShow);
        QMetaObject::invokeMethod(this, &TMainForm::HotKeyPressed, Qt::QueuedConnection);
    });
}

void TMainForm::HotKeyPressed() {
    // Held like Super+Tab only when there are modifiers to hold, and their state can be read.
    const bool held = FHotKeyHold && (FShowShortCut & 0xE000) != 0 && FPlatform.readsKeyboardState();
    if (!held) {
        acShowEffect->trigger();
        return;
    }
    Trace("hotkey-held");
    if (!acShowEffect->isEnabled() || IsDialogOpen() || FBusy || FCapturing || !OpenGLForm)
        return;
    if (OpenGLForm->IsActive()) {
        // The view did not get the keyboard, so the key came here: step as the view would.
        OpenGLForm->EffectSelectNext();
        return;
    }
    if (!OpenGLForm->CanOpen())
        return;
    FBusy = true;
    try {
        if (CaptureForShowing())
            OpenGLForm->ShowHeld(THeldKeys::hkHotKeyModifiers);
    } catch (...) {
    }
    FBusy = false;
}

void TMainForm::SuspendShowHotKey() {
    FPlatform.unregisterHotKey();
    FSavedShortCut = FShowShortCut;
    FShowShortCut = 0;
}

void TMainForm::ResumeShowHotKey() {
    FShowShortCut = FSavedShortCut;
    RegisterShowHotKey();
}

void TMainForm::CaptureCycle(bool startUp) {
    // The enumeration lets events run; a show request among them must not start a second cycle
    // over the same lists.
    if (FCapturing)
        return;
    struct Flag {
        bool& value;
        explicit Flag(bool& v) : value(v) { value = true; }
        ~Flag() { value = false; }
    } capturing(FCapturing);
    const int previous = startUp ? SetMinimizeAnimation(FPlatform, 0) : 0;
    TCaptureOptions options;
    options.currentDesktopOnly = FSettings.GetInteger(TFormStorage::kDesktopFilter, 0) == 1;
    options.makeCard = [this](const THandleInfo& window, int width, int height) {
        const int side = 128;
        return RenderWindowCard(QString::fromStdString(window.Caption),
                                TitleIcon(FPlatform.windowIcon(window.Handle, side), side,
                                          FPlatform.windowIconName(window.Handle)),
                                width, height);
    };
    // Hot keys, the tray and the menu are handled between windows during a long cycle.
    const int taken = RunCaptureCycle(
        FPlatform, *FHandleInfos, *FWindowInfos, startUp, [] { QCoreApplication::processEvents(); }, options);
    Trace("pictures-taken " + std::to_string(taken));
    if (OpenGLForm)
        OpenGLForm->ReleaseUnusedTextures();
    if (startUp) {
        // Written by the file writer; the pictures stay in memory for the first showing.
        FWindowInfos->StoreChanged();
        SetMinimizeAnimation(FPlatform, previous);
    }
}

void TMainForm::ActivateWindow(int index) {
    try {
        const WindowHandle window = FWindowInfos->Items(index).Handle;
        const bool active = FPlatform.ForceForegroundWindow(window);
        Trace("activated " + std::to_string(window) + (active ? " ok" : " refused"));
    } catch (...) {
        // A window that has gone, or a bad index, is simply not activated.
    }
}

void TMainForm::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
    QCoreApplication::quit();
}

void TMainForm::FormClose() {
    if (FClosed)
        return;
    FClosed = true;
    if (OpenGLForm && OpenGLForm->IsActive())
        OpenGLForm->SetActive(false);
    if (!FSettings.Save())
        Trace("settings-not-saved " + FSettings.LastError());
    // No file may be written after the folder is emptied.
    if (FWindowInfos)
        FWindowInfos->EndStores();
    EmptyCaptureFolder(CaptureFolderPath(FPlatform.sessionDisplayName()));
    if (FWinTabGrabbed) {
        FPlatform.removeWinTabGrab();
        FWinTabGrabbed = false;
    }
    FPlatform.unregisterHotKey();
    if (JvTrayIcon1)
        JvTrayIcon1->hide();
    // The lists go with the form: a closing animation that was running when the exit came (a
    // --quit during it) still uses them when it returns.
}

} // namespace zorvane
