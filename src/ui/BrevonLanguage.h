// TBrevonLanguage: the translation component. It knows the current language file and applies one
// section of it to a form's components, found by object name and handled by their class.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QWidget;

namespace zorvane {

class TBrevonLanguage : public QObject {
    Q_OBJECT
public:
    // Called when a section's "FontSize" is not a number; the rest of that section is skipped.
    using ErrorReporter = std::function<void(QObject* form, const QString& message)>;

    // programFolder: where the "Language" folder is looked up; empty means the executable's folder.
    explicit TBrevonLanguage(QObject* parent = nullptr, QString programFolder = {});

    // Full path of the language file, empty when none.
    const QString& FileName() const { return FFileName; }
    // An empty value clears the file; otherwise only the value's file-name part counts, looked up
    // in the program's "Language" folder (or the installed one, "../share/zorvane/Language").
    void SetFileName(const QString& value);

    // Applies the section named by the form's object name to the form.
    bool Translate(QObject* form);
    // Applies one section to a form. Returns false only when a bad "FontSize" stopped the section.
    bool TranslateSection(QObject* form, const QString& section);
    // The text of `name` in section "Message" ("#13#10" and "\n" become line breaks), or
    // fallback when the file or the text is missing or empty.
    QString GetMessage(const QString& name, const QString& fallback) const;

    // Replaces the default reporter (a warning box over the form).
    void SetErrorReporter(ErrorReporter reporter) { FErrorReporter = std::move(reporter); }

private:
    QString FProgramFolder;
    QString FFileName;
    ErrorReporter FErrorReporter;
};

// A label whose property of this name is true resizes to its text when translated, so that a
// longer translation is not cut off.
inline constexpr char kAutoSizeProperty[] = "zorvaneAutoSize";

// Applies one already-split component value to a component, by its class. Exposed for the
// language switch and for tests.
void ApplyComponentValue(QObject* component, const QString& value);

} // namespace zorvane
