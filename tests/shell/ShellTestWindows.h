// The colours of the shell tests' windows, told apart on the screen, and how long a wait may last.
#pragma once

// gtest first: Xlib's macros (None, Bool, ...) must not reach its headers.
#include <gtest/gtest.h>

#include "ZorvaneRun.h"

#include <cstdio>
#include <string>

namespace zorvane::test {

// Generous limits: the machine may be busy; every wait ends as soon as its condition holds.
constexpr int kPatience = 60000;
constexpr unsigned long kRed = 0xC03030;
constexpr unsigned long kGreen = 0x30A040;
constexpr unsigned long kBlue = 0x3050C0;

// A 400 x 300 test window of one colour (0xRRGGBB) at "x,y", up and painted; None when it is not.
inline Window OpenColouredWindow(XDesktop& desktop, const std::string& title, unsigned long colour,
                                 const std::string& position) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%06lx", colour);
    const Window window = OpenPaintedWindow(desktop, title, hex, "400x300", position);
    EXPECT_NE(window, None) << title << " did not come up and paint";
    return window;
}

} // namespace zorvane::test
