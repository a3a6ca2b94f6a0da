// SignalExit: SIGTERM, SIGINT and SIGHUP (a session ending, Ctrl+C, a closed terminal) end the
// program the way its Exit command does. The handler only writes to a pipe; the event loop reads
// the pipe and runs the exit there, where everything may be touched.
#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace zorvane {

class SignalExit : public QObject {
public:
    // onSignal runs in the event loop, once per signal received, with the signal's number.
    explicit SignalExit(std::function<void(int)> onSignal, QObject* parent = nullptr);
    // Puts the default dispositions back and closes the pipe.
    ~SignalExit() override;
    SignalExit(const SignalExit&) = delete;
    SignalExit& operator=(const SignalExit&) = delete;

private:
    void readSignals();

    std::function<void(int)> onSignal_;
    int readFd_ = -1;
    int writeFd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};

// A message Qt prints when its own X connection has died (it would then exit by itself, with a
// line of its own): true for those, so the program can end with its single line instead.
bool IsQtConnectionLostMessage(const QString& message);

// Routes Qt's messages through a filter that turns Qt's "connection broke" ending into
// X11ConnectionLost, and passes every other message on to the handler that was there before.
void InstallConnectionLostFilter();

} // namespace zorvane
