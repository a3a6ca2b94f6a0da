// PrevInstance: one running Zorvane per user and display, and the channel through which a later
// start hands the running one a tray-menu command (--show, --options, --about, --quit) or a key
// the compositor caught for it (--wintab, --wintab-back).
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string>

class QLocalServer;

namespace zorvane {

class Platform;

// Stores the product name that names the lock.
void InitPrevInstance(const std::string& name);
// Takes the platform's per-user, per-display lock. True when another instance already holds it;
// the lock is then not held.
bool PrevInstanceExists(Platform& platform);
// Releases the lock if this process holds it (the kernel also releases it at process end).
void ClosePrevInstance();
// The local socket of the running instance for the same user and display (any spelling of it).
QString InstanceChannelPath(const std::string& name, const std::string& display);

// Commands a later start can send to the running instance.
// rcWinTab / rcWinTabBack: Super+Tab / Super+Shift+Tab where the compositor binds the keys and
// runs `zorvane --wintab` (Wayland): held like Super+Tab, each further one steps.
enum class RemoteCommand { rcShow, rcOptions, rcAbout, rcQuit, rcWinTab, rcWinTabBack };
QString RemoteCommandName(RemoteCommand command);
bool ParseRemoteCommand(const QString& text, RemoteCommand& command);

// Sends one command to the running instance and waits for its acknowledgement.
// Returns false (with a message in error) when no instance answers.
bool SendRemoteCommand(const QString& channelPath, RemoteCommand command, int timeoutMs, QString& error);

// The running instance's end of the channel. Each command is acknowledged before it runs, so the
// sender never waits on a modal dialog.
class InstanceChannel : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(RemoteCommand)>;
    InstanceChannel(const QString& path, Handler handler, QObject* parent = nullptr);
    ~InstanceChannel() override;
    // False when the socket could not be opened; the program then works without remote commands.
    bool listening() const;

private:
    void onNewConnection();
    std::unique_ptr<QLocalServer> server_;
    Handler handler_;
};

} // namespace zorvane
