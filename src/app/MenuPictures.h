// MenuPictures: the tray menu's small pictures, drawn rather than shipped, indexed as the menu's
// image list is (0 Option, 1 Help, 2 Google Groups, 3 About, 4 Exit, 5 Donate, 6 Language, 7 and up
// one flag a language).
#pragma once

#include <QIcon>

namespace zorvane {

enum MenuPicture : int {
    mpOption = 0,
    mpHelp = 1,
    mpGoogleGroups = 2,
    mpAbout = 3,
    mpExit = 4,
    mpDonate = 5,
    mpLanguage = 6,
    mpKorea = 7,
    mpFrench = 8,
    mpSlovak = 14,
    mpEnglish = 17,
};

// The picture at index; an empty icon for an index with none (the hidden languages).
QIcon MenuPictureAt(int index);

} // namespace zorvane
