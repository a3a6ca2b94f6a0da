// The about box and the link controls: hover colours and pictures, links, descriptions.
#include "UiTestSupport.h"

#include "ui/BrevonURLImage.h"
#include "ui/BrevonURLLabel.h"
#include "ui/frmAbout.h"

#include <QEnterEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

#include <gtest/gtest.h>

#include <cstdlib>

namespace zorvane {
namespace {

// Pointer events as the window system delivers them to a widget.
void Enter(QWidget* w) {
    QEnterEvent event(QPointF(1, 1), w->mapToGlobal(QPointF(1, 1)), w->mapToGlobal(QPointF(1, 1)));
    QCoreApplication::sendEvent(w, &event);
}
void Leave(QWidget* w) {
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(w, &event);
}
void Mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButtons held) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &event);
}
const QPoint kInside(2, 2);
const QPoint kOutside(-40, 300);

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override { test::App(); }
};

TEST_F(LinkTest, HoverLabelColoursFollowPointerAndButton) {
    TBrevonURLLabel label;
    label.resize(100, 20);
    label.SetNormalColor(QColor(0, 0, 128));
    EXPECT_EQ(label.FontColor(), QColor(0, 0, 128)) << "setting the normal colour shows it";
    EXPECT_EQ(label.MouseDownColor(), QColor(Qt::red));
    EXPECT_EQ(label.MouseEnterColor(), QColor(Qt::blue));
    int enters = 0, leaves = 0, clicks = 0;
    label.OnMouseEnter = [&](QObject* sender) { enters += sender == &label; };
    label.OnMouseLeave = [&](QObject* sender) { leaves += sender == &label; };
    label.OnClick = [&](QObject*) { ++clicks; };

    Enter(&label);
    EXPECT_EQ(label.FontColor(), QColor(Qt::blue));
    // Press, drag out and release outside: the press colour while outside, then the normal one.
    Mouse(&label, QEvent::MouseButtonPress, kInside, Qt::LeftButton);
    EXPECT_EQ(label.FontColor(), QColor(Qt::red));
    Mouse(&label, QEvent::MouseMove, kOutside, Qt::LeftButton);
    EXPECT_EQ(label.FontColor(), QColor(Qt::red));
    EXPECT_EQ(leaves, 1);
    Mouse(&label, QEvent::MouseButtonRelease, kOutside, Qt::NoButton);
    EXPECT_EQ(label.FontColor(), QColor(0, 0, 128));
    Leave(&label); // the window system's own leave, after the release
    EXPECT_EQ(leaves, 1) << "a leave is reported once";
    EXPECT_EQ(clicks, 0) << "releasing outside is no click";

    // Press and release inside: a click, and the hover colour.
    Enter(&label);
    Mouse(&label, QEvent::MouseButtonPress, kInside, Qt::LeftButton);
    Mouse(&label, QEvent::MouseButtonRelease, kInside, Qt::NoButton);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(label.FontColor(), QColor(Qt::blue));
    Leave(&label);
    EXPECT_EQ(label.FontColor(), QColor(0, 0, 128));
    EXPECT_EQ(enters, 2);
    EXPECT_EQ(leaves, 2);
}

TEST_F(LinkTest, LinksOpenTheirAddressOnlyWhenThereIsOne) {
    QStringList opened;
    TBrevonURLLabel label;
    label.resize(100, 20);
    label.OpenUrl = [&](const QString& url) {
        opened << url;
        return true;
    };
    EXPECT_EQ(label.cursor().shape(), Qt::ArrowCursor) << "no address: the default pointer";
    Mouse(&label, QEvent::MouseButtonPress, kInside, Qt::LeftButton);
    Mouse(&label, QEvent::MouseButtonRelease, kInside, Qt::NoButton);
    EXPECT_TRUE(opened.isEmpty());

    label.SetURL("https://zorvane.org");
    EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
    Mouse(&label, QEvent::MouseButtonPress, kInside, Qt::LeftButton);
    Mouse(&label, QEvent::MouseButtonRelease, kInside, Qt::NoButton);
    EXPECT_EQ(opened, QStringList{"https://zorvane.org"});

    // An address nothing can open ends quietly.
    label.OpenUrl = [&](const QString&) { return false; };
    Mouse(&label, QEvent::MouseButtonPress, kInside, Qt::LeftButton);
    Mouse(&label, QEvent::MouseButtonRelease, kInside, Qt::NoButton);
    label.SetURL("");
    EXPECT_EQ(label.cursor().shape(), Qt::ArrowCursor);
}

QPixmap Filled(QColor color) {
    QPixmap pixmap(10, 10);
    pixmap.fill(color);
    return pixmap;
}
QRgb Shown(const TBrevonImage& image) {
    return image.Picture().toImage().pixel(0, 0);
}

TEST_F(LinkTest, HoverImageSwapsPictures) {
    TBrevonURLImage image;
    image.SetAutoSize(true);
    image.SetPicture(Filled(Qt::white));
    image.Loaded();
    EXPECT_EQ(image.size(), QSize(10, 10));
    // Without hover pictures nothing changes.
    Enter(&image);
    Mouse(&image, QEvent::MouseButtonPress, kInside, Qt::LeftButton);
    Mouse(&image, QEvent::MouseButtonRelease, kInside, Qt::NoButton);
    Leave(&image);
    EXPECT_EQ(Shown(image), QColor(Qt::white).rgb());

    image.SetMouseEnterPicture(Filled(Qt::yellow));
    image.SetMouseDownPicture(Filled(Qt::darkYellow));
    image.SetMouseEnterPicture(QPixmap()); // an empty picture is ignored
    Enter(&image);
    EXPECT_EQ(Shown(image), QColor(Qt::yellow).rgb());
    Mouse(&image, QEvent::MouseButtonPress, kInside, Qt::LeftButton);
    EXPECT_EQ(Shown(image), QColor(Qt::darkYellow).rgb());
    Mouse(&image, QEvent::MouseButtonRelease, kInside, Qt::NoButton);
    EXPECT_EQ(Shown(image), QColor(Qt::yellow).rgb());
    // Dragged out while pressed: the pressed picture stays until the release, then the normal one.
    Mouse(&image, QEvent::MouseButtonPress, kInside, Qt::LeftButton);
    Mouse(&image, QEvent::MouseMove, kOutside, Qt::LeftButton);
    EXPECT_EQ(Shown(image), QColor(Qt::darkYellow).rgb());
    Mouse(&image, QEvent::MouseButtonRelease, kOutside, Qt::NoButton);
    EXPECT_EQ(Shown(image), QColor(Qt::white).rgb());
    // A disabled image keeps its picture.
    image.setEnabled(false);
    Enter(&image);
    EXPECT_EQ(Shown(image), QColor(Qt::white).rgb());
}

// The panel's edge: a lowered outer bevel (dark above and left, light below and right) around a
// raised inner one (the other way round).
TEST_F(LinkTest, AboutPanelHasALoweredOuterAndARaisedInnerBevel) {
    TAboutForm about("English");
    const QImage panel = about.Panel2->grab().toImage();
    const auto lightness = [&](int x, int y) { return panel.pixelColor(x, y).lightness(); };
    const int right = panel.width() - 1;
    const int bottom = panel.height() - 1;
    const int x = panel.width() / 2;
    const int y = panel.height() / 2;
    EXPECT_LT(lightness(0, y), lightness(1, y)) << "left: outer in shadow, inner lit";
    EXPECT_LT(lightness(x, 0), lightness(x, 1)) << "top: outer in shadow, inner lit";
    EXPECT_GT(lightness(right, y), lightness(right - 1, y)) << "right: outer lit, inner in shadow";
    EXPECT_GT(lightness(x, bottom), lightness(x, bottom - 1)) << "bottom: outer lit, inner in shadow";
}

TEST_F(LinkTest, AboutBoxLayoutAndDescriptions) {
    struct Case {
        const char* language;
        bool korean;
    };
    for (const Case c : {Case{"Korea", true}, Case{"English", false}, Case{"French", false},
                         Case{"Slovak", false}, Case{"", false}, Case{"korea", false}}) {
        TAboutForm about(c.language);
        about.FormCreate();
        EXPECT_EQ(about.Memo1->toPlainText(),
                  c.korean ? TAboutForm::KoreanDescription() : TAboutForm::EnglishDescription())
            << c.language;
    }
    TAboutForm about("English");
    QStringList translated;
    about.LoadLanguage = [&](QWidget* form) { translated << form->objectName(); };
    about.show();
    EXPECT_EQ(translated, QStringList{"AboutForm"}) << "translated once, when first shown";
    about.hide();
    about.show();
    EXPECT_EQ(translated.size(), 1);
    EXPECT_EQ(about.size(), QSize(529, 269));
    // Centred on the screen (a window system may shift it by its frame).
    EXPECT_LE((about.geometry().center() - QGuiApplication::primaryScreen()->availableGeometry().center())
                  .manhattanLength(),
              4);
    EXPECT_EQ(about.windowTitle(), "About");
    EXPECT_TRUE(about.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(about.Image1->geometry(), QRect(12, 12, 100, 200));
    EXPECT_FALSE(about.Image1->pixmap().isNull());
    EXPECT_EQ(about.Label1->text(), "Zorvane");
    EXPECT_EQ(about.Label2->text(), "v0.93");
    EXPECT_TRUE(about.Memo1->isReadOnly());
    EXPECT_EQ(about.BrevonURLImage1->geometry(), QRect(4, 232, 62, 31));
    EXPECT_TRUE(about.BrevonURLImage1->URL().endsWith("/helper.php?go=donate&product=zorvane"));
    EXPECT_FALSE(about.BrevonURLImage1->MouseEnterPicture().isNull());
    EXPECT_EQ(about.BrevonURLLabel2->URL(), MakerSite());
    EXPECT_EQ(about.BrevonURLLabel2->FontColor(), QColor(0, 0, 128));
    EXPECT_EQ(about.btnOK->geometry(), QRect(454, 237, 72, 26));
    // The address label keeps its designed 137 x 13 unless its text would be cut, and is never
    // larger than the text needs.
    const QSize needed = about.BrevonURLLabel2->sizeHint();
    const QRect link = about.BrevonURLLabel2->geometry();
    EXPECT_EQ(link.size(), QSize(std::max(137, needed.width()), std::max(13, needed.height())));
    EXPECT_LE(std::abs(link.center().x() - QRect(248, 197, 137, 13).center().x()), 1);
    EXPECT_EQ(link.top(), 197);
    about.btnOK->click();
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

} // namespace
} // namespace zorvane
