// SignalExit: the self-pipe from the signal handler into the event loop, and the filter that
// makes a lost X connection end the program with one line of ours.
#include "app/SignalExit.h"

#include "platform/x11/X11Platform.h"

#include <QSocketNotifier>
#include <QString>
#include <QtGlobal>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace zorvane {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// A signal handler has no way to reach an object, so the pipe's writing end is the one value it
// finds at file scope. Only the handler reads it; only SignalExit sets it.
std::atomic<int> signalPipe{-1};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void onTerminatingSignal(int number) {
    const int savedErrno = errno;
    const int fd = signalPipe.load(std::memory_order_relaxed);
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(number);
        // A full pipe already holds a pending request to end, so a lost byte changes nothing.
        [[maybe_unused]] const ssize_t written = write(fd, &byte, 1);
    }
    errno = savedErrno;
}

// Qt's message handler is a plain function too: the handler it replaced has to be kept here.
QtMessageHandler previousHandler = nullptr;

void filterMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (IsQtConnectionLostMessage(message))
        X11ConnectionLost();
    if (previousHandler)
        previousHandler(type, context, message);
}

} // namespace

SignalExit::SignalExit(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // without a pipe the signals keep their default effect
    readFd_ = fds[0];
    writeFd_ = fds[1];
    signalPipe.store(writeFd_);
    notifier_ = new QSocketNotifier(readFd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { readSignals(); });

    struct sigaction action {};
    action.sa_handler = &onTerminatingSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls resume: the rest of the program never sees EINTR from these.
    action.sa_flags = SA_RESTART;
    for (int number : kSignals)
        sigaction(number, &action, nullptr);
}

SignalExit::~SignalExit() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int number : kSignals)
        sigaction(number, &action, nullptr);
    signalPipe.store(-1);
    if (readFd_ >= 0)
        close(readFd_);
    if (writeFd_ >= 0)
        close(writeFd_);
}

void SignalExit::readSignals() {
    unsigned char bytes[16];
    ssize_t count = 0;
    while ((count = read(readFd_, bytes, sizeof bytes)) > 0)
        for (ssize_t i = 0; i < count; ++i)
            onSignal_(bytes[i]);
}

bool IsQtConnectionLostMessage(const QString& message) {
    return message.startsWith(QLatin1String("The X11 connection broke"));
}

void InstallConnectionLostFilter() {
    previousHandler = qInstallMessageHandler(&filterMessage);
}

} // namespace zorvane
