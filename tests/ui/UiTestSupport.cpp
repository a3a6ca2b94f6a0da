// Shared pieces of the dialog and translation tests.
#include "UiTestSupport.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>

#include <fstream>
#include <random>

namespace zorvane::test {

namespace {
std::unique_ptr<QApplication>& AppHolder() {
    static std::unique_ptr<QApplication> app;
    return app;
}
} // namespace

QApplication& App() {
    auto& app = AppHolder();
    if (!app) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "zorvane-ui-tests";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QApplication>(argc, argv);
    }
    return *app;
}

void ReleaseApp() {
    AppHolder().reset();
}

QString ProgramFolder() {
    const QString env = QString::fromLocal8Bit(qgetenv("ZORVANE_BIN_DIR"));
    return env.isEmpty() ? QCoreApplication::applicationDirPath() : env;
}

TempDir::TempDir() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() / ("zorvane-ui-" + std::to_string(random()));
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void WriteFile(const std::filesystem::path& file, const std::string& text) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
}

QStringList TextsOf(QObject* form) {
    QStringList lines;
    QList<QObject*> objects = form->findChildren<QObject*>();
    objects.prepend(form);
    for (QObject* object : objects) {
        const QString name = object->objectName();
        if (auto* action = qobject_cast<QAction*>(object)) {
            lines << name + " text=" + action->text() << name + " tip=" + action->toolTip();
            continue;
        }
        auto* widget = qobject_cast<QWidget*>(object);
        if (widget == nullptr)
            continue;
        lines << name + " tip=" + widget->toolTip() << name + " status=" + widget->statusTip()
              << name + " font=" + widget->font().toString();
        if (widget->isWindow())
            lines << name + " title=" + widget->windowTitle();
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            lines << name + " text=" + button->text();
        if (auto* label = qobject_cast<QLabel*>(widget))
            lines << name + " text=" + label->text();
        if (auto* group = qobject_cast<QGroupBox*>(widget))
            lines << name + " title=" + group->title();
        if (auto* edit = qobject_cast<QLineEdit*>(widget))
            lines << name + " text=" + edit->text();
        if (auto* memo = qobject_cast<QPlainTextEdit*>(widget))
            lines << name + " text=" + memo->toPlainText();
        if (auto* menu = qobject_cast<QMenu*>(widget))
            lines << name + " title=" + menu->title();
        if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            for (int i = 0; i < combo->count(); ++i)
                lines << name + " item=" + combo->itemText(i);
            lines << name + " index=" + QString::number(combo->currentIndex());
        }
    }
    lines.sort();
    return lines;
}

} // namespace zorvane::test
