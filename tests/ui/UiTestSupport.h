// Shared pieces of the dialog and translation tests: one QApplication (offscreen unless a display
// is asked for), temporary folders and a snapshot of every text a form shows.
#pragma once

#include <QApplication>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <memory>
#include <string>

namespace zorvane::test {

// Creates the application on first use (QT_QPA_PLATFORM defaults to "offscreen").
QApplication& App();
// Destroys the application while Qt's own globals still exist (call before the program ends).
void ReleaseApp();

// Where the programs and their "Language" folder are: $ZORVANE_BIN_DIR, else this program's folder.
QString ProgramFolder();

// A fresh folder, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    QString qpath() const { return QString::fromStdString(path_.string()); }

private:
    std::filesystem::path path_;
};

void WriteFile(const std::filesystem::path& file, const std::string& text);

// Every caption, title, hint, list item and window title of a form and its components, one line
// each, sorted by component name: equal snapshots mean the form reads the same.
QStringList TextsOf(QObject* form);

} // namespace zorvane::test
