// TBrevonLanguage: applies language-file sections to Qt forms.
#include "ui/BrevonLanguage.h"

#include "ui/BrevonImage.h"
#include "ui/ProfileFile.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QToolButton>
#include <QWidget>

namespace zorvane {
namespace {

std::string ToUtf8(const QString& s) {
    return s.toUtf8().toStdString();
}
QString FromUtf8(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Components are found by name without regard to letter case, as the language files were
// written for a platform whose component names are case-insensitive.
QObject* FindComponent(QObject* form, const QString& name) {
    if (name.isEmpty())
        return nullptr;
    const auto children = form->findChildren<QObject*>();
    for (QObject* child : children)
        if (child->objectName().compare(name, Qt::CaseInsensitive) == 0)
            return child;
    return nullptr;
}

QLabel* BuddyLabelOf(QLineEdit* edit) {
    QWidget* window = edit->window();
    const auto labels = window->findChildren<QLabel*>();
    for (QLabel* label : labels)
        if (label->buddy() == edit)
            return label;
    return nullptr;
}

// A widget's hint is kept as its status tip; it pops up as a tool tip only where the form asked
// for one (the widget already has a tool tip) or the value names a hint of its own with '|'.
void SetWidgetHint(QWidget* widget, const QString& hint, bool explicitHint) {
    widget->setStatusTip(hint);
    if (explicitHint || !widget->toolTip().isEmpty())
        widget->setToolTip(hint);
}

void SetComboItems(QComboBox* combo, const QString& caption) {
    // The selection survives the new texts, so a dialog translated while open keeps its choices.
    const int previous = combo->currentIndex();
    const QSignalBlocker block(combo);
    combo->clear();
    for (const auto& line : SplitLines(ToUtf8(caption)))
        combo->addItem(FromUtf8(line));
    combo->setCurrentIndex(previous < combo->count() ? previous : -1);
}

void SetControlText(QWidget* widget, const QString& caption) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->setText(caption);
    else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(caption);
        if (label->property(kAutoSizeProperty).toBool())
            label->adjustSize();
    } else if (auto* group = qobject_cast<QGroupBox*>(widget))
        group->setTitle(caption);
    else if (auto* edit = qobject_cast<QLineEdit*>(widget))
        edit->setText(caption);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget))
        plain->setPlainText(caption);
    else if (auto* rich = qobject_cast<QTextEdit*>(widget))
        rich->setPlainText(caption);
    else if (widget->isWindow())
        widget->setWindowTitle(caption);
}

} // namespace

void ApplyComponentValue(QObject* component, const QString& rawValue) {
    if (component == nullptr)
        return;
    const std::string value = ExpandLineBreaks(ToUtf8(rawValue));
    const bool explicitHint = value.find('|') != std::string::npos;
    const CaptionAndHint parts = SplitCaptionHint(value);
    if (parts.caption.empty())
        return;
    const QString caption = FromUtf8(parts.caption);
    const QString hint = FromUtf8(parts.hint);

    if (auto* action = qobject_cast<QAction*>(component)) {
        if (action->isSeparator()) {
            action->setText(caption); // a plain menu item: caption only
        } else {
            action->setText(caption);
            action->setToolTip(hint);
            action->setStatusTip(hint);
        }
        return;
    }
    auto* widget = qobject_cast<QWidget*>(component);
    if (widget == nullptr)
        return;
    if (auto* edit = qobject_cast<QLineEdit*>(widget); edit != nullptr) {
        if (QLabel* label = BuddyLabelOf(edit)) {
            label->setText(caption);
            SetWidgetHint(edit, hint, explicitHint);
            return;
        }
    }
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        SetComboItems(combo, caption);
        return;
    }
    if (auto* menu = qobject_cast<QMenu*>(widget)) {
        menu->setTitle(caption);
        return;
    }
    auto* label = qobject_cast<QLabel*>(widget);
    if (qobject_cast<TBrevonImage*>(widget) != nullptr || (label != nullptr && !label->pixmap().isNull())) {
        widget->setToolTip(caption);
        return;
    }
    if (qobject_cast<QToolButton*>(widget) != nullptr) {
        SetWidgetHint(widget, hint, true);
        return;
    }
    SetControlText(widget, caption);
    SetWidgetHint(widget, hint, explicitHint);
}

TBrevonLanguage::TBrevonLanguage(QObject* parent, QString programFolder)
    : QObject(parent), FProgramFolder(std::move(programFolder)) {
    setObjectName(QStringLiteral("BrevonLanguage"));
    FErrorReporter = [](QObject* form, const QString& message) {
        QMessageBox::warning(qobject_cast<QWidget*>(form), QStringLiteral("Zorvane"), message);
    };
}

void TBrevonLanguage::SetFileName(const QString& value) {
    if (value.isEmpty()) {
        FFileName.clear();
        return;
    }
    const QString folder = FProgramFolder.isEmpty() ? QCoreApplication::applicationDirPath() : FProgramFolder;
    const auto path = LanguageFilePath(ToUtf8(folder), ToUtf8(value));
    FFileName = FromUtf8(path.string());
}

bool TBrevonLanguage::Translate(QObject* form) {
    return form != nullptr && TranslateSection(form, form->objectName());
}

bool TBrevonLanguage::TranslateSection(QObject* form, const QString& section) {
    if (form == nullptr || FFileName.isEmpty())
        return true;
    const ProfileFile file = ProfileFile::Load(ToUtf8(FFileName));
    if (!file.exists())
        return true;
    const std::string sectionName = ToUtf8(section);
    const auto read = [&](const char* key) { return FromUtf8(file.readString(sectionName, key, "")); };

    if (auto* widget = qobject_cast<QWidget*>(form)) {
        if (const QString caption = read("Caption"); !caption.isEmpty())
            widget->setWindowTitle(caption);
        if (const QString fontName = read("FontName"); !fontName.isEmpty()) {
            QFont font = widget->font();
            font.setFamily(fontName);
            widget->setFont(font);
        }
        if (const QString fontSize = read("FontSize"); !fontSize.isEmpty()) {
            bool ok = false;
            const int points = fontSize.trimmed().toInt(&ok);
            if (!ok) {
                if (FErrorReporter)
                    FErrorReporter(form, QStringLiteral("'%1' is not a valid integer value").arg(fontSize));
                return false;
            }
            if (points > 0) {
                QFont font = widget->font();
                font.setPointSize(points);
                widget->setFont(font);
            }
        }
    }
    for (const auto& key : file.keyNames(sectionName)) {
        const QString name = FromUtf8(key);
        ApplyComponentValue(FindComponent(form, name), FromUtf8(file.readString(sectionName, key, "")));
    }
    return true;
}

QString TBrevonLanguage::GetMessage(const QString& name, const QString& fallback) const {
    if (FFileName.isEmpty())
        return fallback;
    const ProfileFile file = ProfileFile::Load(ToUtf8(FFileName));
    if (!file.exists())
        return fallback;
    const std::string text = ExpandLineBreaks(file.readString("Message", ToUtf8(name), ""), true);
    return text.empty() ? fallback : FromUtf8(text);
}

} // namespace zorvane
