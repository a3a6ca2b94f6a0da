// The colours of the shell tests' windows, told apart on the screen, and how long a wait may last.
#pragma once

namespace zorvane::test {

// Generous limits: the machine may be busy; every wait ends as soon as its condition holds.
constexpr int kPatience = 60000;
constexpr unsigned long kRed = 0xC03030;
constexpr unsigned long kGreen = 0x30A040;
constexpr unsigned long kBlue = 0x3050C0;

} // namespace zorvane::test
