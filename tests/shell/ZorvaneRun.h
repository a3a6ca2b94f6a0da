// ZorvaneRun: the real zorvane program on a test's private X desktop, with its milestones read
// from the trace it writes (ZORVANE_TRACE=1), its own runtime folder and its own settings file.
#pragma once

#include "harness/XHarness.h"

#include <string>
#include <sys/types.h>
#include <vector>

namespace zorvane::test {

class ZorvaneRun {
public:
    // Prepares a private runtime folder (the lock, the command socket and the capture folder
    // live there) and a settings file holding these elements of the "Zorvane" section.
    ZorvaneRun(XDesktop& desktop, const std::vector<std::pair<std::string, std::string>>& settings = {});
    ~ZorvaneRun();

    // Starts the program with extra environment assignments ("NAME=value"); again after it ended, with
    // the same runtime folder and a fresh trace.
    void start(const std::vector<std::string>& environment = {});
    // Starts it and waits until the splash has ended (the show actions are enabled).
    bool startResident(const std::vector<std::string>& environment = {});
    // Runs another zorvane process with the same environment, to its end.
    RunResult runAgain(const std::vector<std::string>& args);

    // The trace lines written so far whose text (after the time stamp) starts with prefix.
    std::vector<std::string> lines(const std::string& prefix) const;
    // The time stamps (ms, monotonic clock) of those lines.
    std::vector<double> stamps(const std::string& prefix) const;
    // Waits until at least count such lines are there.
    bool waitFor(const std::string& prefix, int count = 1, int timeoutMs = 60000);
    // True when `first` appears in the trace before any `second` line (or with no `second` at all).
    bool before(const std::string& first, const std::string& second) const;
    std::string trace() const;
    // What the program wrote to standard error besides its trace lines.
    std::vector<std::string> ownLines() const;

    // True once the process has ended; its exit status then in exitCode.
    bool waitExit(int timeoutMs, int& exitCode);
    pid_t pid() const { return pid_; }

    const std::string& folder() const { return folder_; }
    // The folder of this user and the desktop's display.
    std::string captureFolder() const;
    std::string settingsFile() const { return folder_ + "/Zorvane.xml"; }
    std::string binary() const;

private:
    std::vector<std::string> environment() const;
    XDesktop& desktop_;
    std::string folder_;
    std::vector<std::string> extraEnvironment_;
    pid_t pid_ = -1;
    bool reaped_ = false;
};

// Keys of the view, by keysym, as a person would press them.
class Keys {
public:
    explicit Keys(XDesktop& desktop);
    void superDown();
    void superUp();
    void tab();
    void shiftTab();
    void tap(unsigned long keysym);
    // A left click at a screen position.
    void click(int x, int y);
    // A click of another button (2: the middle one) at a screen position.
    void click(int x, int y, unsigned button);
    // The pointer to a screen position, no button.
    void move(int x, int y);

private:
    XDesktop& desktop_;
};

// Opens a test client window of one colour ("rrggbb") with this title, size ("400x300") and position
// ("40,40"), and waits until the window manager lists it and it has painted; None when it does not.
Window OpenPaintedWindow(XDesktop& desktop, const std::string& title, const std::string& colour,
                         const std::string& size, const std::string& position, int timeoutMs = 60000);

// Opens the view with Super (held) and Tab; true once one more opening animation has played.
bool OpenWithWinTab(ZorvaneRun& run, Keys& keys);

// The root-relative centre of the first window below `top` (depth first) whose WM_CLASS names
// Zorvane and whose centre is on the screen; false when there is none. Finds the tray icon inside a
// tray host.
bool FindZorvaneWindowCentre(XDesktop& desktop, Window top, int& x, int& y);

// Shown top-level windows (managed or not) titled exactly `title`.
int CountWindowsTitled(XDesktop& desktop, const std::string& title);
// The view's windows with any part on the screen (kept ready, the view stays mapped off the screen).
int ViewsOnScreen(XDesktop& desktop);

// Counts screen pixels on a coarse grid that are within tolerance of colour (0xRRGGBB).
int CountColour(XDesktop& desktop, unsigned long colour, int tolerance, int step = 16);

} // namespace zorvane::test
