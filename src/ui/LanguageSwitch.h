// LanguageSwitch: changing the interface language while forms are open.
#pragma once

#include <QString>

namespace zorvane {

class TBrevonLanguage;

// Points the translation component at "<language>.dat" and translates every open top-level form
// in place (its section is its object name). Open about boxes also switch their description.
// Lists keep their selections. Returns how many forms were translated.
int SwitchLanguage(TBrevonLanguage& translator, const QString& language);

} // namespace zorvane
