// ProcessResources: what a running program holds, counted from outside: its resident memory, and
// the X resources of every connection it has open (xrestop, which finds connections by the
// _NET_WM_PID of their windows).
#pragma once

#include "harness/XHarness.h"

#include <string>
#include <sys/types.h>

namespace zorvane::test {

struct XResourceCounts {
    long windows = 0;
    long gcs = 0;
    long pixmaps = 0;
    long pictures = 0;
    long other = 0; // damage objects, shared-memory segments, fences, ... ("unknowns")
    long pixmapBytes = 0;
    bool found = false; // some connection of the process was listed
    std::string text() const;
};

// Sums the counts of every X connection of pid on the desktop's display.
XResourceCounts CountXResources(XDesktop& desktop, pid_t pid);

// Resident memory of a process in kB (VmRSS), -1 when it cannot be read.
long ResidentKb(pid_t pid);

} // namespace zorvane::test
