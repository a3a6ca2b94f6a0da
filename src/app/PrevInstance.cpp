// PrevInstance: the single-instance lock (flock on a file named for user and display) and the
// local socket that carries tray-menu commands from a later start to the running instance.
#include "app/PrevInstance.h"

#include "app/RemoteCommandClient.h"

#include "platform/DisplayName.h"
#include "platform/Platform.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <unistd.h>

namespace zorvane {

namespace {

// The two values the single-instance rule keeps for the life of the process.
std::string instanceName = "Zorvane";
std::unique_ptr<InstanceLock> instanceLock;

std::string runtimeDir() {
    for (const char* var : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
        const char* value = std::getenv(var);
        if (value && *value == '/' && access(value, W_OK | X_OK) == 0)
            return value;
    }
    return "/tmp";
}

// A name made safe for a file name (":1.0" -> "_1.0").
std::string fileSafe(const std::string& text) {
    std::string out;
    for (char c : text)
        out += (std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-') ? c : '_';
    return out;
}

} // namespace

void InitPrevInstance(const std::string& name) {
    instanceName = name;
}

bool PrevInstanceExists(Platform& platform) {
    if (instanceLock)
        return false;
    instanceLock = platform.acquireInstanceLock(instanceName);
    return !instanceLock;
}

void ClosePrevInstance() {
    instanceLock.reset();
}

QString InstanceChannelPath(const std::string& name, const std::string& display) {
    return QString::fromStdString(runtimeDir() + "/" + fileSafe(name) + "-" + std::to_string(getuid()) + "-" +
                                  fileSafe(CanonicalDisplayName(display)) + ".sock");
}

QString RemoteCommandName(RemoteCommand command) {
    switch (command) {
    case RemoteCommand::rcShow:
        return "show";
    case RemoteCommand::rcOptions:
        return "options";
    case RemoteCommand::rcAbout:
        return "about";
    case RemoteCommand::rcQuit:
        return "quit";
    case RemoteCommand::rcWinTab:
        return "wintab";
    case RemoteCommand::rcWinTabBack:
        return "wintab-back";
    }
    return {};
}

bool ParseRemoteCommand(const QString& text, RemoteCommand& command) {
    for (RemoteCommand c : {RemoteCommand::rcShow, RemoteCommand::rcOptions, RemoteCommand::rcAbout,
                            RemoteCommand::rcQuit, RemoteCommand::rcWinTab, RemoteCommand::rcWinTabBack}) {
        if (text.trimmed() == RemoteCommandName(c)) {
            command = c;
            return true;
        }
    }
    return false;
}

bool SendRemoteCommand(const QString& channelPath, RemoteCommand command, int timeoutMs, QString& error) {
    std::string reason;
    if (SendCommandLine(channelPath.toStdString(), RemoteCommandName(command).toStdString(), timeoutMs,
                        reason))
        return true;
    error = QString::fromStdString(reason);
    return false;
}

InstanceChannel::InstanceChannel(const QString& path, Handler handler, QObject* parent)
    : QObject(parent), server_(std::make_unique<QLocalServer>()), handler_(std::move(handler)) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // We hold the instance lock, so a socket file left here belongs to an instance that has ended.
    QLocalServer::removeServer(path);
    server_->listen(path);
    connect(server_.get(), &QLocalServer::newConnection, this, &InstanceChannel::onNewConnection);
}

InstanceChannel::~InstanceChannel() {
    if (server_->isListening()) {
        const QString path = server_->fullServerName();
        server_->close();
        QLocalServer::removeServer(path);
    }
}

bool InstanceChannel::listening() const {
    return server_->isListening();
}

void InstanceChannel::onNewConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > 256) // a line this long is no command of ours
                    socket->abort();
                return;
            }
            const QString line = QString::fromUtf8(socket->readLine());
            RemoteCommand command{};
            if (!ParseRemoteCommand(line, command)) {
                socket->write("unknown command\n");
                socket->flush();
                socket->disconnectFromServer();
                return;
            }
            socket->write("ok\n");
            socket->flush();
            socket->disconnectFromServer();
            // Run it from the event loop: the handler may open a modal dialog or end the program.
            QTimer::singleShot(0, this, [this, command] { handler_(command); });
        });
    }
}

} // namespace zorvane
