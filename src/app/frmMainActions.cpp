// frmMainActions: the main form's actions, tray icon and menu, dialogs, language and web pages.
#include "app/MenuPictures.h"
#include "app/frmMain.h"

#include "app/unitSettings.h"
#include "platform/Platform.h"
#include "ui/AutoStartEntry.h"
#include "ui/BrevonLanguage.h"
#include "ui/frmAbout.h"
#include "ui/frmOption.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QSystemTrayIcon>
#include <QUrl>

namespace zorvane {

namespace {

// The four visible languages and what acLanguageExecute stores for them; every other language
// action stores "English".
struct LanguageAction {
    const char* name;
    const char* caption;
    bool visible;
    int picture;
};
constexpr LanguageAction kLanguages[] = {
    {"acKorea", "Korea", true, 7},          {"acFrench", "French", true, 8},
    {"acNorwegian", "Norwegian", false, 9}, {"acRussian", "Russian", false, 10},
    {"acItalian", "Italian", false, 11},    {"acCzech", "Czech", false, 12},
    {"acGerman", "German", false, 13},      {"acSlovak", "Slovak", true, 14},
    {"acSpanish", "Spanish", false, 15},    {"acHungarian", "Hungarian", false, 16},
    {"acEnglish", "English", true, 17},
};

const char* const kKnownLanguages[] = {"Korea", "French", "Slovak", "English"};

} // namespace

// The tray icon's picture: three stacked window cards in perspective.
QIcon TrayPicture() {
    QPixmap picture(32, 32);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor colours[] = {QColor(60, 90, 160), QColor(80, 130, 210), QColor(150, 200, 255)};
    for (int i = 0; i < 3; ++i) {
        const QRectF card(3 + i * 5, 4 + i * 5, 18, 14);
        painter.setBrush(colours[i]);
        painter.setPen(QPen(Qt::white, 1));
        painter.drawRoundedRect(card, 2, 2);
    }
    return QIcon(picture);
}

QAction* TMainForm::addAction(const char* name, const char* caption) {
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    return action;
}

void TMainForm::createActions() {
    acGLShow = addAction("acGLShow", "Show Effect");
    acShowEffect = addAction("acShowEffect", "Show Effect");
    acOption = addAction("acOption", "Option");
    acHelp = addAction("acHelp", "Help");
    acGoogleGroups = addAction("acGoogleGroups", "Google Groups");
    acAbout = addAction("acAbout", "About");
    acExit = addAction("acExit", "Exit");
    acDonate = addAction("acDonate", "Donate");
    acOption->setIcon(MenuPictureAt(mpOption));
    acHelp->setIcon(MenuPictureAt(mpHelp));
    acGoogleGroups->setIcon(MenuPictureAt(mpGoogleGroups));
    acAbout->setIcon(MenuPictureAt(mpAbout));
    acExit->setIcon(MenuPictureAt(mpExit));
    acDonate->setIcon(MenuPictureAt(mpDonate));
    // Disabled until the splash ends.
    acGLShow->setEnabled(false);
    acShowEffect->setEnabled(false);

    connect(acGLShow, &QAction::triggered, this, &TMainForm::acGLShowExecute);
    connect(acShowEffect, &QAction::triggered, this, &TMainForm::acShowEffectExecute);
    connect(acOption, &QAction::triggered, this, &TMainForm::acOptionExecute);
    connect(acHelp, &QAction::triggered, this, &TMainForm::acHelpExecute);
    connect(acGoogleGroups, &QAction::triggered, this, &TMainForm::acGoogleGroupsExecute);
    connect(acAbout, &QAction::triggered, this, &TMainForm::acAboutExecute);
    connect(acExit, &QAction::triggered, this, &TMainForm::acExitExecute);
    connect(acDonate, &QAction::triggered, this, &TMainForm::acDonateExecute);
}

void TMainForm::createTrayIcon() {
    BarPopupMenu1 = new QMenu(this);
    BarPopupMenu1->setObjectName("BarPopupMenu1");
    // Separators carry their hint as a caption.
    spAction = BarPopupMenu1->addSection("Action");
    spAction->setObjectName("spAction");
    BarPopupMenu1->addAction(acShowEffect);
    spConfigurations = BarPopupMenu1->addSection("Configurations");
    spConfigurations->setObjectName("spConfigurations");

    mnLanguage = new QMenu("Language", BarPopupMenu1);
    mnLanguage->setObjectName("mnLanguage");
    mnLanguage->menuAction()->setObjectName("mnLanguage");
    mnLanguage->setIcon(MenuPictureAt(mpLanguage));
    for (const LanguageAction& language : kLanguages) {
        QAction* action = addAction(language.name, language.caption);
        action->setProperty("Category", "Language");
        action->setVisible(language.visible);
        action->setIcon(MenuPictureAt(language.picture));
        mnLanguage->addAction(action);
        connect(action, &QAction::triggered, this, [this, action] { acLanguageExecute(action); });
    }
    BarPopupMenu1->addMenu(mnLanguage);
    BarPopupMenu1->addAction(acOption);
    spInformations = BarPopupMenu1->addSection("Informations");
    spInformations->setObjectName("spInformations");
    BarPopupMenu1->addAction(acHelp);
    BarPopupMenu1->addAction(acGoogleGroups);
    BarPopupMenu1->addAction(acDonate);
    BarPopupMenu1->addAction(acAbout);
    spClose = BarPopupMenu1->addSection("Close");
    spClose->setObjectName("spClose");
    BarPopupMenu1->addAction(acExit);

    JvTrayIcon1 = new QSystemTrayIcon(TrayPicture(), this);
    JvTrayIcon1->setObjectName("JvTrayIcon1");
    JvTrayIcon1->setToolTip(QString("Zorvane - ") + kWebSite);
    JvTrayIcon1->setContextMenu(BarPopupMenu1);
    connect(JvTrayIcon1, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            JvTrayIcon1Click(Qt::LeftButton);
        else if (reason == QSystemTrayIcon::MiddleClick)
            JvTrayIcon1Click(Qt::MiddleButton);
    });
}

void TMainForm::LoadLanguage(QWidget* form) {
    std::string language = FSettings.GetText(TFormStorage::kLanguage);
    bool known = false;
    for (const char* name : kKnownLanguages)
        known = known || language == name;
    if (!known) {
        language = FPlatform.systemLanguage();
        if (language.empty())
            language = "English";
        FSettings.SetValue(TFormStorage::kLanguage, language);
    }
    BrevonLanguage->SetFileName(QString::fromStdString(language) + ".dat");
    BrevonLanguage->Translate(form);
}

void TMainForm::TranslateMenuHints() {
    const struct {
        QAction* separator;
        const char* key;
        const char* fallback;
    } hints[] = {
        {spAction, "msgAction", "Action"},
        {spConfigurations, "msgConfigurations", "Configurations"},
        {spInformations, "msgInformations", "Informations"},
        {spClose, "msgClose", "Close"},
    };
    for (const auto& hint : hints) {
        const QString text = BrevonLanguage->GetMessage(hint.key, hint.fallback);
        hint.separator->setToolTip(text);
        hint.separator->setText(text);
    }
}

void TMainForm::acLanguageExecute(QAction* sender) {
    const QString name = sender ? sender->objectName() : QString();
    const char* language = name == "acKorea"    ? "Korea"
                           : name == "acFrench" ? "French"
                           : name == "acSlovak" ? "Slovak"
                                                : "English";
    FSettings.SetValue(TFormStorage::kLanguage, std::string(language));
    LoadLanguage(this);
    TranslateMenuHints();
    if (OptionForm) {
        LoadLanguage(OptionForm);
        if (auto* options = qobject_cast<TOptionForm*>(OptionForm))
            options->SetHotKeyStatus(QString::fromStdString(HotKeyStatusLine(HotKeyReport(), HotKeyWords())));
    }
    if (AboutForm) {
        LoadLanguage(AboutForm);
        static_cast<TAboutForm*>(AboutForm)->SetDescriptionLanguage(language);
    }
}

void TMainForm::acOptionExecute() {
    if (IsDialogOpen())
        return;
    XdgAutoStartEntry autoStart;
    const QString executable = QCoreApplication::applicationFilePath();
    TOptionForm dialog(FSettings, autoStart, FShowShortCut, executable);
    dialog.LoadLanguage = [this](QWidget* form) { LoadLanguage(form); };
    dialog.HotKeyStatus = QString::fromStdString(HotKeyStatusLine(HotKeyReport(), HotKeyWords()));
    if (!FPlatform.picturesWhileShowing()) {
        dialog.LivePicturesUnavailable =
            QString::fromStdString(HotKeyWords()("msgLivePicturesOff", "Live pictures: not on Wayland"));
        dialog.LivePicturesWhy = QString::fromStdString(
            HotKeyWords()("msgLivePicturesUnavailable",
                          "Live window pictures cannot be had here: the switcher covers the screen "
                          "that the pictures are copied from."));
    }
    dialog.Messages = HotKeyWords();
    OptionForm = &dialog;
    SuspendShowHotKey();
    const int result = dialog.exec();
    if (result == QDialog::Accepted) {
        if (!FSettings.Save())
            Trace("settings-not-saved " + FSettings.LastError());
        if (OpenGLForm)
            OpenGLForm->RefreshWallpaperCache(
                (FSettings.GetInteger(TFormStorage::kBackEffectType, 0) & 0xFF) == 0);
        FShowShortCut = dialog.ShortCut();
        FSettings.SetValue(TFormStorage::kShortCut, static_cast<int>(FShowShortCut));
        FHotKeyHold = FSettings.GetInteger(TFormStorage::kHotKeyHold, 0) != 0;
        RegisterShowHotKey();
    } else {
        ResumeShowHotKey();
    }
    OptionForm = nullptr;
    // Freed meanwhile in the window manager's settings, perhaps: try Super+Tab again now.
    RetryKeys();
}

void TMainForm::acAboutExecute() {
    if (IsDialogOpen())
        return;
    TAboutForm dialog(QString::fromStdString(FSettings.GetText(TFormStorage::kLanguage)));
    dialog.LoadLanguage = [this](QWidget* form) { LoadLanguage(form); };
    AboutForm = &dialog;
    dialog.exec();
    AboutForm = nullptr;
}

void TMainForm::OpenPage(const char* path) {
    QDesktopServices::openUrl(QUrl(QString(kWebSite) + path));
}

void TMainForm::acHelpExecute() {
    OpenPage("/helper.php?program=zorvane");
}
void TMainForm::acGoogleGroupsExecute() {
    OpenPage("/helper.php?go=qna&product=zorvane");
}
void TMainForm::acDonateExecute() {
    OpenPage("/helper.php?go=donate&product=zorvane");
}

void TMainForm::acExitExecute() {
    close();
}

void TMainForm::RunRemoteCommand(RemoteCommand command) {
    if (IsEchoOfCaughtKey(command)) {
        Trace("echo-dropped " + RemoteCommandName(command).toStdString());
        return;
    }
    switch (command) {
    case RemoteCommand::rcShow:
        acShowEffect->trigger();
        break;
    case RemoteCommand::rcOptions:
        acOption->trigger();
        break;
    case RemoteCommand::rcAbout:
        acAbout->trigger();
        break;
    case RemoteCommand::rcQuit:
        acExit->trigger();
        break;
    case RemoteCommand::rcWinTab:
    case RemoteCommand::rcWinTabBack:
        FShiftDown = command == RemoteCommand::rcWinTabBack;
        WinTabMessage();
        break;
    }
}

} // namespace zorvane
