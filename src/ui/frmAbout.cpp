// TAboutForm: the about box.
#include "ui/frmAbout.h"

#include "ui/AboutPictures.h"
#include "ui/BrevonURLImage.h"
#include "ui/BrevonURLLabel.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

namespace zorvane {
namespace {

template <typename T> T* Make(QWidget* parent, const char* name, QRect geometry) {
    auto* widget = new T(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

QFont PixelFont(const QStringList& families, int pixels, bool bold, bool italic = false) {
    QFont font(families.front());
    font.setFamilies(families);
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

} // namespace

QString MakerSite() {
    return QStringLiteral("https://zorvane.org");
}
QString DonationPage() {
    return MakerSite() + QStringLiteral("/helper.php?go=donate&product=zorvane");
}

QString TAboutForm::EnglishDescription() {
    return QStringLiteral(
        "Thank you for using Zorvane.\n\n"
        "Zorvane shows every open window in a full-screen 3D view. Press Super+Tab (or your own hot key), "
        "step through the windows with Tab, the arrow keys or the mouse wheel, and let go to switch.\n\n"
        "Zorvane belongs to a family of small free utilities for the desktop. They cost nothing, carry no "
        "advertising, and you may share them with anyone. Ideas, bug reports and translations are always "
        "welcome on our web site.");
}

QString TAboutForm::KoreanDescription() {
    return QStringLiteral(
        "Zorvane을 사용해 주셔서 감사합니다.\n\n"
        "Zorvane은 열려 있는 모든 창을 전체 화면 3D 화면으로 보여 줍니다. Super+Tab(또는 직접 정한 "
        "단축키)을 누르고 Tab, 화살표 키나 마우스 휠로 창을 고른 다음 키를 놓으면 그 창으로 전환됩니다.\n\n"
        "Zorvane은 데스크톱을 위한 작은 무료 유틸리티 가운데 하나입니다. 비용도 광고도 없으며 누구와도 "
        "자유롭게 나눌 수 있습니다. 아이디어, 버그 신고, 번역은 언제나 웹 사이트에서 환영합니다.");
}

TAboutForm::TAboutForm(QString language, QWidget* parent) : QDialog(parent), FLanguage(std::move(language)) {
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setFont(PixelFont({QStringLiteral("굴림"), QStringLiteral("Gulim"), QStringLiteral("Noto Sans CJK KR"),
                       QStringLiteral("DejaVu Sans")},
                      12, false));
    setFixedSize(529, 269);
    // Centred on the screen from the start, rather than wherever the window manager would put it.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    CreateComponents();
}

void TAboutForm::CreateComponents() {
    Panel2 = Make<QFrame>(this, "Panel2", QRect(4, 4, 522, 226));
    // A lowered outer and a raised inner bevel, one pixel each: an etched edge.
    Panel2->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Panel2->setLineWidth(1);
    Panel2->setMidLineWidth(0);

    Image1 = Make<QLabel>(Panel2, "Image1", QRect(12, 12, 100, 200));
    Image1->setScaledContents(true);
    Image1->setPixmap(ProductPicture());

    Label1 = Make<QLabel>(Panel2, "Label1", QRect(121, 10, 225, 40));
    Label1->setText(QStringLiteral("Zorvane"));
    Label1->setFont(
        PixelFont({QStringLiteral("Comic Sans MS"), QStringLiteral("DejaVu Sans")}, 29, true, true));
    Label1->setStyleSheet(QStringLiteral("color: red;"));

    Label2 = Make<QLabel>(Panel2, "Label2", QRect(354, 29, 60, 16));
    Label2->setText(QStringLiteral("v0.93"));
    Label2->setFont(PixelFont({QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans")}, 13, true));

    Memo1 = Make<QPlainTextEdit>(Panel2, "Memo1", QRect(120, 52, 393, 126));
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    Label3 = Make<QLabel>(Panel2, "Label3", QRect(214, 181, 205, 16));
    Label3->setAlignment(Qt::AlignCenter);
    Label3->setText(QStringLiteral("This program is freeware."));

    BrevonURLLabel2 = Make<TBrevonURLLabel>(Panel2, "BrevonURLLabel2", QRect(248, 197, 137, 13));
    BrevonURLLabel2->setAlignment(Qt::AlignCenter);
    QFont link = PixelFont({QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans")}, 11, true);
    link.setUnderline(true);
    BrevonURLLabel2->setFont(link);
    const QString site = MakerSite();
    BrevonURLLabel2->setText(QString(site).remove(QStringLiteral("https://")));
    BrevonURLLabel2->SetURL(site);
    BrevonURLLabel2->SetNormalColor(QColor(0, 0, 128)); // navy
    BrevonURLLabel2->SetMouseDownColor(Qt::red);
    BrevonURLLabel2->SetMouseEnterColor(Qt::blue);
    // 137 x 13 as designed, unless that would cut the address in this font: then just wide and
    // high enough, centred on the designed place.
    const QSize needed = BrevonURLLabel2->sizeHint();
    if (needed.width() > 137 || needed.height() > 13) {
        const int width = std::max(137, needed.width());
        BrevonURLLabel2->setGeometry(248 + 137 / 2 - width / 2, 197, width, std::max(13, needed.height()));
    }

    BrevonURLImage1 = Make<TBrevonURLImage>(this, "BrevonURLImage1", QRect(4, 232, 62, 31));
    BrevonURLImage1->SetAutoSize(true);
    BrevonURLImage1->SetPicture(DonateButtonPicture(DonateLook::Normal));
    BrevonURLImage1->SetMouseEnterPicture(DonateButtonPicture(DonateLook::Hover));
    BrevonURLImage1->SetMouseDownPicture(DonateButtonPicture(DonateLook::Pressed));
    BrevonURLImage1->Loaded();
    BrevonURLImage1->setToolTip(QStringLiteral("Support Zorvane with a donation"));
    BrevonURLImage1->SetURL(DonationPage());

    btnOK = Make<QPushButton>(this, "btnOK", QRect(454, 237, 72, 26));
    btnOK->setText(QStringLiteral("OK"));
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormCreate();
}

void TAboutForm::FormCreate() {
    if (FCreated)
        return;
    FCreated = true;
    if (LoadLanguage)
        LoadLanguage(this);
    SetDescriptionLanguage(FLanguage);
}

void TAboutForm::SetDescriptionLanguage(const QString& language) {
    FLanguage = language;
    Memo1->setPlainText(language == QStringLiteral("Korea") ? KoreanDescription() : EnglishDescription());
}

} // namespace zorvane
