// CaptureFolder: the private folder under the user's temporary directory that holds the stored
// window pictures. Window pictures are private, so the folder must be the user's own real directory.
#pragma once

#include <string>

namespace zorvane {

// The user's temporary directory: $XDG_RUNTIME_DIR, else $TMPDIR, else /tmp; always ends in '/'.
// Empty or relative variables are passed over.
std::string TemporaryDirectory();

// The display this process shows on: $DISPLAY, else $WAYLAND_DISPLAY; empty without either.
std::string SessionDisplay();

// TemporaryDirectory() + "~ZRVN-<user id>-<display>/": one folder for each user and display, as one
// instance runs for each, so that an instance can empty its own folder without touching the pictures
// of an instance on another display. Every spelling of one display names the same folder.
std::string CaptureFolderPath(const std::string& display = SessionDisplay());

// Creates the folder (and missing parents) with mode 0700 when it does not exist, tightens its mode
// to 0700, and checks that it is a directory (not a symbolic link) owned by this user. Returns false
// with a reason in *error when the folder is missing or not safe to write pictures into.
bool EnsureCaptureFolder(const std::string& folder, std::string* error = nullptr);

// True when the folder exists, is a real directory owned by this user and no one else may enter it.
bool IsCaptureFolderSafe(const std::string& folder);

// Deletes every regular file directly inside the folder (the folder itself stays); returns how many
// were deleted. A missing or unsafe folder is left alone and gives 0.
int EmptyCaptureFolder(const std::string& folder);

} // namespace zorvane
