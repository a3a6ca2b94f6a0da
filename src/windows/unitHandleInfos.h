// unitHandleInfos: which windows the switcher offers (the enumeration list of one capture cycle)
// and how each one is pictured.
#pragma once

#include "image/CaptureImage.h"
#include "platform/Platform.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zorvane {

class THandleInfo {
public:
    THandleInfo(WindowHandle handle, std::string className, std::string caption, int showCmd, Rect regionRect)
        : Handle(handle), ClassName(std::move(className)), Caption(std::move(caption)), ShowCmd(showCmd),
          RegionRect(regionRect) {}

    WindowHandle Handle;
    std::string ClassName;
    std::string Caption;
    int ShowCmd;
    // Bounding box of the window's region relative to its top-left corner; all 0 without one.
    Rect RegionRect;
};

class THandleInfos {
public:
    THandleInfos() = default;
    ~THandleInfos() { Clear(); }
    THandleInfos(const THandleInfos&) = delete;
    THandleInfos& operator=(const THandleInfos&) = delete;

    int Count() const { return static_cast<int>(FItems.size()); }
    void Add(WindowHandle handle, const std::string& className, const std::string& caption, int showCmd,
             const Rect& regionRect);
    // Throws std::out_of_range for a position outside the list.
    void Delete(int index);
    // Deletes every record, last first.
    void Clear();
    bool Contains(WindowHandle handle) const;
    // Throws std::out_of_range for a position outside the list.
    THandleInfo& Items(int index);
    const THandleInfo& Items(int index) const;

private:
    std::vector<std::unique_ptr<THandleInfo>> FItems;
};

// What the enumeration callback works with: the platform, the list it fills and the hook that
// lets the application process its pending messages after each accepted window.
struct TEnumContext {
    Platform& platform;
    THandleInfos& list;
    std::function<void()> processMessages;
    // Only the windows on the current workspace and those on every workspace.
    bool currentDesktopOnly = false;
};

// On the current workspace, on every one (sticky), or where no window manager tells workspaces apart.
bool IsOnCurrentDesktop(Platform& platform, WindowHandle window);

bool IsCandidateWindow(Platform& platform, WindowHandle window);
// Appends the window to context->list when it qualifies; always asks to continue.
bool EnumWindowsProc(WindowHandle window, TEnumContext* context);
// Clears the list and fills it with the qualifying windows, top of the stacking order first.
void EnumerateWindows(Platform& platform, THandleInfos& list,
                      const std::function<void()>& processMessages = {}, bool currentDesktopOnly = false);

// Pictures the window into image (null when the window is 0 pixels wide or high, or too large to
// hold). Up to three attempts while the middle row or column comes out mostly black; true when
// the last attempt printed.
bool CaptureWindow(Platform& platform, WindowHandle window, std::unique_ptr<CaptureImage>& image);
// Pictures the record's window, cropped to its region box when that box is offset from the corner.
// False when the window could not be printed (the picture, if any, is then black).
bool CaptureEnumerated(Platform& platform, const THandleInfo& record, std::unique_ptr<CaptureImage>& image);
class TWindowInfos;

// A stand-in picture of width x height for a window that has none to give (minimised or on another
// workspace) and was never pictured: its title and icon on a plain card. Null for none.
using TCardMaker =
    std::function<std::unique_ptr<CaptureImage>(const THandleInfo& window, int width, int height)>;

struct TCaptureOptions {
    bool currentDesktopOnly = false; // the DesktopFilter setting's 1
    TCardMaker makeCard;             // without one, such a window is not offered
};

// Takes one capture cycle's pictures into the list, in enumeration order. A window whose record's
// picture still shows it keeps that picture (a minimised one always does), a changed one has only
// its changed area taken again where that is known, every other window is pictured whole and
// merged (TWindowInfos::Update). A window that cannot be printed now keeps its last picture, else
// gets a card. At start-up, minimised windows on the current workspace are restored for their picture.
// Returns how many windows were read again, whole or in part.
int CapturePictures(Platform& platform, const THandleInfos& windows, TWindowInfos& list, bool startUp,
                    const TCardMaker& makeCard = {});
// One capture cycle: enumerates into `windows`, drops the records of windows that have gone (not
// at start-up), watches exactly the listed windows and takes their pictures (CapturePictures).
int RunCaptureCycle(Platform& platform, THandleInfos& windows, TWindowInfos& list, bool startUp,
                    const std::function<void()>& processMessages = {}, const TCaptureOptions& options = {});
// While the view shows: takes again what changed in the records' windows and uploads it to their
// textures (a current GL context is needed). Returns how many records changed.
int RefreshChangedPictures(Platform& platform, TWindowInfos& list);
// The system's minimise and restore animation; returns the previous value.
int SetMinimizeAnimation(Platform& platform, int value);

} // namespace zorvane
