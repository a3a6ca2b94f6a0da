// TOptionForm: the options dialog.
#include "ui/frmOption.h"

#include "app/unitSettings.h"
#include "core/CommaText.h"
#include "core/ReservedKeys.h"
#include "ui/AutoStartEntry.h"
#include "ui/BrevonLanguage.h"
#include "ui/OptionControls.h"
#include "ui/ShortCutKeys.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace zorvane {
namespace {

enum FlipEffect { feFlip = 0, feGrid = 1, feWaveFlip = 2 };
enum BackEffect { beNone = 0, beBackground = 1, beWave = 2, beRaindrops = 3, beTunnel = 4 };
enum Camera { cpTop = 0, cpCenter = 1, cpBottom = 2 };

template <typename T> T* Make(QWidget* parent, const char* name, QRect geometry) {
    auto* widget = new T(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* text, QPoint at) {
    auto* label = Make<QLabel>(parent, name, QRect(at, QSize(100, 17)));
    label->setText(QString::fromUtf8(text));
    label->setProperty(kAutoSizeProperty, true);
    label->adjustSize();
    return label;
}

QCheckBox* MakeCheck(QWidget* parent, const char* name, const char* text, QRect geometry, bool checked) {
    auto* box = Make<QCheckBox>(parent, name, geometry);
    box->setText(QString::fromUtf8(text));
    box->setChecked(checked);
    return box;
}

QComboBox* MakeList(QWidget* parent, const char* name, QRect geometry, const QStringList& items) {
    auto* combo = Make<QComboBox>(parent, name, geometry);
    combo->addItems(items);
    combo->setCurrentIndex(0);
    return combo;
}

QString FromUtf8(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace

TOptionForm::TOptionForm(TFormStorage& settings, TAutoStartEntry& autoStart, std::uint16_t shortCut,
                         QString executablePath, QWidget* parent)
    : QDialog(parent), FSettings(settings), FAutoStart(autoStart),
      FExecutablePath(std::move(executablePath)) {
    setObjectName(QStringLiteral("OptionForm"));
    setWindowTitle(QStringLiteral("Option"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans")});
    font.setPointSize(8);
    setFont(font);
    setFixedSize(464, 589);
    // Centred on the screen from the start, rather than wherever the window manager would put it.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    CreateComponents();
    // FormCreate: the dialog starts from the main form's current hot key.
    SetShortCut(shortCut);
}

TOptionForm::~TOptionForm() = default;

void TOptionForm::CreateComponents() {
    gbHotKey = Make<QGroupBox>(this, "gbHotKey", QRect(10, 8, 447, 125));
    gbHotKey->setTitle(QStringLiteral("Hot Key"));
    lblDefaultHotKey = MakeLabel(gbHotKey, "lblDefaultHotKey", "Default Hot Key : Win + Tab", QPoint(16, 20));
    lblCustomHotKey = MakeLabel(gbHotKey, "lblCustomHotKey", "Custom Hot Key ", QPoint(16, 44));
    HotKey1 = Make<QKeySequenceEdit>(gbHotKey, "HotKey1", QRect(160, 39, 180, 22));
    HotKey1->setClearButtonEnabled(true);
    // One key combination only: whatever follows the first chord is dropped when editing ends.
    connect(HotKey1, &QKeySequenceEdit::editingFinished, this, [this] { SetShortCut(ShortCut()); });
    // The dialog's own keys keep their meaning in the key field, which would record them instead:
    // Esc presses Cancel, Return and Enter press OK, Tab and Shift+Tab move on.
    HotKey1->installEventFilter(this);
    for (QWidget* part : HotKey1->findChildren<QWidget*>())
        part->installEventFilter(this);

    lblHotKeyStatus = Make<QLabel>(gbHotKey, "lblHotKeyStatus", QRect(16, 66, 420, 30));
    lblHotKeyStatus->setWordWrap(true);
    lblHotKeyStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    cbHotKeyHold = MakeCheck(gbHotKey, "cbHotKeyHold", "Hold the custom hot key like Win + Tab",
                             QRect(16, 98, 420, 20), false);

    gbForegroundEffect = Make<QGroupBox>(this, "gbForegroundEffect", QRect(10, 137, 447, 158));
    gbForegroundEffect->setTitle(QStringLiteral("Foreground Effect"));
    lblScreenEffect = MakeLabel(gbForegroundEffect, "lblScreenEffect", "Screen Effect", QPoint(16, 24));
    cbFlipEffect = MakeList(gbForegroundEffect, "cbFlipEffect", QRect(160, 20, 180, 22),
                            {QStringLiteral("Flip"), QStringLiteral("Grid"), QStringLiteral("Wave Flip")});
    lblCameraPosition = MakeLabel(gbForegroundEffect, "lblCameraPosition", "Camera Position", QPoint(16, 52));
    cbCameraPosition = MakeList(gbForegroundEffect, "cbCameraPosition", QRect(160, 48, 180, 22),
                                {QStringLiteral("Top"), QStringLiteral("Center"), QStringLiteral("Bottom")});
    gbAnimationEffect = Make<QGroupBox>(gbForegroundEffect, "gbAnimationEffect", QRect(10, 78, 427, 72));
    gbAnimationEffect->setTitle(QStringLiteral("Animation Effect"));
    cbStartingAnimation = MakeCheck(gbAnimationEffect, "cbStartingAnimation", "Starting Animation",
                                    QRect(12, 20, 200, 20), true);
    cbEnddingAnimation = MakeCheck(gbAnimationEffect, "cbEnddingAnimation", "Endding Animation",
                                   QRect(220, 20, 200, 20), true);
    cbBounceAnimation =
        MakeCheck(gbAnimationEffect, "cbBounceAnimation", "Bounce Animation", QRect(12, 44, 200, 20), true);
    cbReflection = MakeCheck(gbAnimationEffect, "cbReflection", "Reflection", QRect(220, 44, 200, 20), true);

    gbBackgroundEffect = Make<QGroupBox>(this, "gbBackgroundEffect", QRect(10, 299, 447, 121));
    gbBackgroundEffect->setTitle(QStringLiteral("Background Effect"));
    lblBackStyle = MakeLabel(gbBackgroundEffect, "lblBackStyle", "Background Style", QPoint(16, 22));
    cbBackEffect = MakeList(
        gbBackgroundEffect, "cbBackEffect", QRect(160, 18, 270, 22),
        {QStringLiteral("None (Very fast, Less memory)"), QStringLiteral("Background (Fast, Less memory)"),
         QStringLiteral("Wave (Slow, More memory)"), QStringLiteral("Raindrops (Slow, More memory)"),
         QStringLiteral("Tunnel (Fast, Less memory)")});
    cbActiveBackground = MakeCheck(gbBackgroundEffect, "cbActiveBackground", "Active Background",
                                   QRect(160, 43, 270, 20), false);
    lblBackImage = MakeLabel(gbBackgroundEffect, "lblBackImage", "Background Image", QPoint(16, 70));
    feBackgroundImage = Make<TFileNameEdit>(gbBackgroundEffect, "feBackgroundImage", QRect(160, 66, 270, 22));
    feBackgroundImage->SetFilter(QStringLiteral("Images (*.bmp *.jpg *.jpeg *.BMP *.JPG *.JPEG)"));
    lblFramePerSec = MakeLabel(gbBackgroundEffect, "lblFramePerSec", "Frame Per Sec", QPoint(16, 96));
    lblFrameMin = MakeLabel(gbBackgroundEffect, "lblFrameMin", "1", QPoint(160, 96));
    tbFramePerSec = Make<TTipTrackBar>(gbBackgroundEffect, "tbFramePerSec", QRect(174, 92, 230, 24));
    tbFramePerSec->setRange(1, 50);
    tbFramePerSec->setValue(20);
    tbFramePerSec->setTickPosition(QSlider::NoTicks);
    lblFrameMax = MakeLabel(gbBackgroundEffect, "lblFrameMax", "50", QPoint(410, 96));

    // How the view behaves: one row of check boxes, then the choices of which windows and where.
    gbView = Make<QGroupBox>(this, "gbView", QRect(10, 424, 447, 100));
    gbView->setTitle(QStringLiteral("View"));
    cbLivePictures =
        MakeCheck(gbView, "cbLivePictures", "Live window pictures", QRect(12, 20, 200, 20), true);
    cbShowTitles = MakeCheck(gbView, "cbShowTitles", "Show window titles", QRect(220, 20, 200, 20), true);
    lblDesktopFilter = MakeLabel(gbView, "lblDesktopFilter", "Windows to show", QPoint(16, 50));
    cbDesktopFilter =
        MakeList(gbView, "cbDesktopFilter", QRect(160, 46, 270, 22),
                 {QStringLiteral("From all workspaces"), QStringLiteral("From the current workspace only")});
    lblMonitor = MakeLabel(gbView, "lblMonitor", "Show the switcher on", QPoint(16, 76));
    cbMonitor = MakeList(
        gbView, "cbMonitor", QRect(160, 72, 270, 22),
        {QStringLiteral("The monitor with the mouse pointer"), QStringLiteral("The primary monitor")});

    cbAutoStart =
        MakeCheck(this, "cbAutoStart", "Automatically start with windows", QRect(12, 530, 440, 20), true);
    btnDefault = Make<QPushButton>(this, "btnDefault", QRect(10, 555, 75, 25));
    btnDefault->setText(QStringLiteral("Default"));
    btnOK = Make<QPushButton>(this, "btnOK", QRect(301, 555, 75, 25));
    btnOK->setText(QStringLiteral("OK"));
    // The default button: Return presses it unless another button has the focus (auto-default
    // buttons take Return while they hold it).
    btnOK->setDefault(true);
    btnCancel = Make<QPushButton>(this, "btnCancel", QRect(382, 555, 75, 25));
    btnCancel->setText(QStringLiteral("Cancel"));

    // `activated` comes only from the user, which is what makes a change user-initiated.
    connect(cbFlipEffect, &QComboBox::activated, this, [this] { cbFlipEffectChange(true); });
    connect(cbBackEffect, &QComboBox::activated, this, [this] { cbBackEffectChange(true); });
    connect(btnDefault, &QPushButton::clicked, this, &TOptionForm::btnDefaultClick);
    connect(btnOK, &QPushButton::clicked, this, [this] {
        btnOKClick();
        accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool TOptionForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) {
        return QDialog::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    // A modifier on its own would start a new recording and empty the field; the combination's key
    // brings its modifiers along. So when the display server takes the key itself (Ctrl+Alt+F2
    // switches to another virtual terminal), the field still holds its key afterwards.
    const int pressed = key->key();
    if (event->type() == QEvent::KeyPress &&
        (pressed == Qt::Key_Control || pressed == Qt::Key_Shift || pressed == Qt::Key_Alt ||
         pressed == Qt::Key_Meta || pressed == Qt::Key_AltGr || pressed == Qt::Key_Super_L ||
         pressed == Qt::Key_Super_R)) {
        return true;
    }
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    const bool plain = modifiers == Qt::NoModifier;
    const bool escape = plain && key->key() == Qt::Key_Escape;
    const bool enter = plain && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter);
    const bool tab = plain && key->key() == Qt::Key_Tab;
    const bool backTab = (plain || modifiers == Qt::ShiftModifier) &&
                         (key->key() == Qt::Key_Backtab || (key->key() == Qt::Key_Tab && !plain));
    // Every other key that would take a key away from typing, or that the display server keeps
    // for itself, is not recorded: the field keeps the key it had.
    const std::uint16_t code = ShortCutFromKey(key->keyCombination());
    const bool reserved = ReservedByDisplayServer(code);
    if (!escape && !enter && !tab && !backTab && !reserved && !TakesKeyFromTyping(code)) {
        return QDialog::eventFilter(watched, event);
    }
    if (event->type() == QEvent::KeyPress) {
        if (reserved) {
            RefuseReservedKey(key->keyCombination());
        } else if (escape) {
            btnCancel->click();
        } else if (enter) {
            btnOK->click();
        } else if (tab || backTab) {
            focusNextPrevChild(tab);
        }
    }
    event->accept();
    return true;
}

void TOptionForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormActivate();
}

void TOptionForm::FormActivate() {
    if (FActivated)
        return;
    FActivated = true;
    if (LoadLanguage)
        LoadLanguage(this);
    SetHotKeyStatus(HotKeyStatus);
    LoadSettings();
    cbFlipEffectChange(false);
    cbBackEffectChange(false);
    if (!LivePicturesUnavailable.isEmpty()) {
        // The setting is kept as it is (it still counts on another desktop); here it cannot work.
        cbLivePictures->setEnabled(false);
        cbLivePictures->setText(LivePicturesUnavailable);
        cbLivePictures->setToolTip(LivePicturesWhy);
        cbLivePictures->setWhatsThis(LivePicturesWhy);
    }
    // The box shows checked only when the entry starts this very executable.
    if (const auto command = FAutoStart.ReadCommand())
        cbAutoStart->setChecked(!command->empty() && FromUtf8(*command) == FExecutablePath);
}

void TOptionForm::SetHotKeyStatus(const QString& status) {
    HotKeyStatus = status;
    lblHotKeyStatus->setText(status);
    lblHotKeyStatus->setToolTip(status);
}

void TOptionForm::LoadSettings() {
    // A field the option text does not have leaves its control as it is.
    cbFlipEffect->setCurrentIndex(FSettings.GetValue(TFormStorage::kFlipEffectType).asInteger(feFlip));
    const auto flip = SplitCommaText(FSettings.GetText(TFormStorage::kFlipEffectOption));
    if (cbFlipEffect->currentIndex() == feGrid)
        cbCameraPosition->setCurrentIndex(cpCenter);
    else if (!flip.empty())
        cbCameraPosition->setCurrentIndex(
            FieldToInt(flip[0], cbFlipEffect->currentIndex() == feWaveFlip ? cpCenter : cpTop));
    QCheckBox* const boxes[] = {cbStartingAnimation, cbEnddingAnimation, cbBounceAnimation, cbReflection};
    for (std::size_t i = 0; i < std::size(boxes); ++i)
        if (i + 1 < flip.size())
            boxes[i]->setChecked(FieldToBool(flip[i + 1], true));

    cbHotKeyHold->setChecked(FSettings.GetInteger(TFormStorage::kHotKeyHold, 0) != 0);
    cbBackEffect->setCurrentIndex(FSettings.GetValue(TFormStorage::kBackEffectType).asInteger(beWave));
    const auto back = SplitCommaText(FSettings.GetText(TFormStorage::kBackEffectOption));
    if (back.size() > 0)
        feBackgroundImage->setText(FromUtf8(back[0]));
    if (back.size() > 1)
        cbActiveBackground->setChecked(FieldToBool(back[1], true));
    if (back.size() > 2)
        tbFramePerSec->setValue(FieldToInt(back[2], 1));
    cbLivePictures->setChecked(FSettings.GetInteger(TFormStorage::kLivePictures, -1) != 0);
    cbShowTitles->setChecked(FSettings.GetValue(TFormStorage::kShowTitles).asInteger(-1) != 0);
    cbDesktopFilter->setCurrentIndex(FSettings.GetInteger(TFormStorage::kDesktopFilter, 0) == 1 ? 1 : 0);
    // A value the list does not have means the pointer's monitor, as the view reads it.
    cbMonitor->setCurrentIndex(FSettings.GetInteger(TFormStorage::kMonitor, 0) == 1 ? 1 : 0);
}

void TOptionForm::cbFlipEffectChange(bool userInitiated) {
    const int effect = cbFlipEffect->currentIndex();
    if (effect < 0)
        return;
    if (userInitiated) {
        cbStartingAnimation->setChecked(true);
        cbEnddingAnimation->setChecked(true);
        cbReflection->setChecked(true);
        cbBounceAnimation->setChecked(effect != feFlip);
        cbCameraPosition->setCurrentIndex(effect == feGrid ? cpCenter : cpTop);
    }
    lblBackStyle->setEnabled(true);
    cbBackEffect->setEnabled(true);
    const bool camera = effect != feGrid;
    lblCameraPosition->setEnabled(camera);
    cbCameraPosition->setEnabled(camera);
}

void TOptionForm::cbBackEffectChange(bool userInitiated) {
    const int back = cbBackEffect->currentIndex();
    if (back < 0)
        return;
    if (userInitiated) {
        static constexpr const char* kPictures[] = {"", "back01.bmp", "wave.bmp", "rain.bmp", "tunnel.bmp"};
        cbActiveBackground->setChecked(true);
        feBackgroundImage->setText(back < 5 ? QString::fromLatin1(kPictures[back]) : QString());
        tbFramePerSec->setValue(20);
    }
    const bool picture = back != beNone;
    const bool animated = back != beNone && back != beBackground;
    lblBackImage->setEnabled(picture);
    feBackgroundImage->setEnabled(picture);
    cbActiveBackground->setEnabled(picture);
    lblFramePerSec->setEnabled(animated);
    tbFramePerSec->setEnabled(animated);
    lblFrameMin->setEnabled(animated);
    lblFrameMax->setEnabled(animated);
}

void TOptionForm::btnDefaultClick() {
    SetShortCut(kVkF12);
    cbHotKeyHold->setChecked(false);
    cbFlipEffect->setCurrentIndex(feFlip);
    cbFlipEffectChange(true);
    cbBackEffect->setCurrentIndex(beWave);
    cbBackEffectChange(true);
    cbAutoStart->setChecked(true);
    cbLivePictures->setChecked(true);
    cbShowTitles->setChecked(true);
    cbDesktopFilter->setCurrentIndex(0);
    cbMonitor->setCurrentIndex(0);
}

void TOptionForm::btnOKClick() {
    FSettings.SetValue(TFormStorage::kShortCut, static_cast<int>(ShortCut()));
    SaveSettings();
    // Autostart errors are not reported: the box simply shows the truth next time.
    if (cbAutoStart->isChecked())
        FAutoStart.Write(FExecutablePath.toStdString());
    else
        FAutoStart.Remove();
}

void TOptionForm::SaveSettings() {
    FSettings.SetValue(TFormStorage::kHotKeyHold, cbHotKeyHold->isChecked() ? -1 : 0);
    FSettings.SetValue(TFormStorage::kFlipEffectType, cbFlipEffect->currentIndex());
    const std::vector<std::string> flip{
        std::to_string(cbCameraPosition->currentIndex()), BoolToField(cbStartingAnimation->isChecked()),
        BoolToField(cbEnddingAnimation->isChecked()), BoolToField(cbBounceAnimation->isChecked()),
        BoolToField(cbReflection->isChecked())};
    FSettings.SetValue(TFormStorage::kFlipEffectOption, JoinCommaText(flip));
    FSettings.SetValue(TFormStorage::kBackEffectType, cbBackEffect->currentIndex());
    // The picture is written so that it reads back as one field whatever it holds (blanks,
    // commas, quotes); the quotes the browse button shows around a path are not part of it.
    const std::string picture = TFileNameEdit::Unquoted(feBackgroundImage->text()).toUtf8().toStdString();
    const std::vector<std::string> back{picture, BoolToField(cbActiveBackground->isChecked()),
                                        std::to_string(tbFramePerSec->value())};
    FSettings.SetValue(TFormStorage::kBackEffectOption, JoinCommaText(back));
    FSettings.SetValue(TFormStorage::kLivePictures, cbLivePictures->isChecked() ? -1 : 0);
    FSettings.SetValue(TFormStorage::kShowTitles, cbShowTitles->isChecked() ? -1 : 0);
    FSettings.SetValue(TFormStorage::kDesktopFilter, cbDesktopFilter->currentIndex() == 1 ? 1 : 0);
    FSettings.SetValue(TFormStorage::kMonitor, cbMonitor->currentIndex());
}

std::uint16_t TOptionForm::ShortCut() const {
    const QKeySequence sequence = HotKey1->keySequence();
    return sequence.isEmpty() ? 0 : ShortCutFromKey(sequence[0]);
}

void TOptionForm::RefuseReservedKey(QKeyCombination combination) {
    const std::string english = kReservedKeyRefusedEnglish;
    QString text = FromUtf8(Messages ? Messages(kReservedKeyRefusedName, english) : english);
    text.replace(QStringLiteral("%1"), QKeySequence(combination).toString(QKeySequence::NativeText));
    lblHotKeyStatus->setText(text);
    lblHotKeyStatus->setToolTip(text);
}

void TOptionForm::SetShortCut(std::uint16_t code) {
    HotKey1->setKeySequence(KeySequenceFromShortCut(code));
}

} // namespace zorvane
