// X11Platform: creates the Xlib backend of the platform interface. Nothing from Xlib is visible here.
#pragma once

#include "platform/KeySyms.h"
#include "platform/Platform.h"

#include <cstdint>
#include <memory>
#include <string>

namespace zorvane {

// Opens its own connection to the display (null: $DISPLAY). On failure returns null and sets
// error to one line that names the display.
std::unique_ptr<Platform> createX11Platform(const char* display, std::string& error);

// Ends the process with status 1 after one line on standard error, touching neither the dead
// connection nor anything that would (no exit handlers, no destructors). For every way the program
// learns that the X server has gone away. Safe to call from an Xlib I/O error handler.
[[noreturn]] void X11ConnectionLost();

// Takes back Xlib's process-wide error and I/O error handlers. Every Xlib user that connects later
// (Qt's own connection) installs its own, so the shell calls this once Qt is connected.
void ClaimX11ErrorHandlers();

} // namespace zorvane
