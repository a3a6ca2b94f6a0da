// TAboutForm: the modal about box: product picture, name and version, a description of the
// maker's free utilities, a notice, a link to the web site and a donation button.
#pragma once

#include <QDialog>

#include <functional>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace zorvane {

class TBrevonImage;
class TBrevonURLImage;
class TBrevonURLLabel;

// The maker's web site and the pages the program links to.
QString MakerSite();
QString DonationPage();

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    // language: the setting "Language"; "Korea" shows the Korean description.
    explicit TAboutForm(QString language, QWidget* parent = nullptr);

    // The main form's translation of this box; run by FormCreate.
    std::function<void(QWidget* form)> LoadLanguage;

    // Translates the box (LoadLanguage) and picks the description. Runs on the first show; the
    // main form may call it right after construction instead.
    void FormCreate();
    // Shows the description of a language ("Korea": Korean; anything else: English).
    void SetDescriptionLanguage(const QString& language);

    static QString EnglishDescription();
    static QString KoreanDescription();

    QFrame* Panel2;
    QLabel* Image1;
    QLabel* Label1;
    QLabel* Label2;
    QPlainTextEdit* Memo1;
    QLabel* Label3;
    TBrevonURLLabel* BrevonURLLabel2;
    TBrevonURLImage* BrevonURLImage1;
    QPushButton* btnOK;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateComponents();

    QString FLanguage;
    bool FCreated = false;
};

} // namespace zorvane
