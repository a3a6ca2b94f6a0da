// Writes pictures of the options dialog (English, French) and the about box (Korean) into a
// folder, for the documentation: ui_screenshots <folder>.
#include "UiTestSupport.h"

#include "app/unitSettings.h"
#include "ui/AutoStartEntry.h"
#include "ui/BrevonLanguage.h"
#include "ui/frmAbout.h"
#include "ui/frmOption.h"

#include <QDir>

#include <cstdio>

namespace {

int WritePictures(const char* folder) {
    using namespace zorvane;
    const QDir out(QString::fromLocal8Bit(folder));
    test::TempDir dir;
    XdgAutoStartEntry autostart(dir.path() / "zorvane.desktop");
    TFormStorage settings;
    settings.SetValue(TFormStorage::kBackEffectType, 2);
    settings.SetValue(TFormStorage::kBackEffectOption, "wave.bmp,-1,20");
    TBrevonLanguage language;

    bool ok = true;
    for (const char* name : {"English", "French"}) {
        TOptionForm form(settings, autostart, 32960, "/usr/bin/zorvane");
        form.LoadLanguage = [&](QWidget* f) {
            language.SetFileName(QString::fromLatin1(name) + ".dat");
            language.Translate(f);
        };
        form.show();
        const QString file =
            out.filePath(QStringLiteral("options-%1.png").arg(name == std::string("English") ? "en" : "fr"));
        ok = form.grab().save(file) && ok;
    }
    TAboutForm about("Korea");
    about.LoadLanguage = [&](QWidget* f) {
        language.SetFileName("Korea.dat");
        language.Translate(f);
    };
    about.show();
    ok = about.grab().save(out.filePath("about-ko.png")) && ok;
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ui_screenshots <folder>\n");
        return 2;
    }
    zorvane::test::App();
    const int result = WritePictures(argv[1]);
    zorvane::test::ReleaseApp();
    return result;
}
