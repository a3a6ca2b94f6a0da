// LanguageSwitch: re-translating open forms.
#include "ui/LanguageSwitch.h"

#include "ui/BrevonLanguage.h"
#include "ui/frmAbout.h"

#include <QApplication>
#include <QWidget>

namespace zorvane {

int SwitchLanguage(TBrevonLanguage& translator, const QString& language) {
    translator.SetFileName(language.isEmpty() ? QString() : language + QStringLiteral(".dat"));
    int translated = 0;
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (window->objectName().isEmpty())
            continue;
        translator.Translate(window);
        ++translated;
        if (auto* about = qobject_cast<TAboutForm*>(window))
            about->SetDescriptionLanguage(language);
    }
    return translated;
}

} // namespace zorvane
