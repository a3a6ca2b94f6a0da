// X11Stacking: the root's children as the server stacks them, kept current from the root's
// structure events, and the part of each that shows on the screen.
//
// Under automatic redirection the server reports a window as damaged whenever more of it comes
// into view (another window unmapped, moved or lowered off it), although its picture did not
// change. Knowing what each frame shows before and after such an event tells those reports
// from drawing.
#pragma once

#include "platform/PlatformTypes.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <vector>

namespace zorvane::x11 {

// An Xlib region, freed with its owner.
class OwnedRegion {
public:
    OwnedRegion() : region_(XCreateRegion()) {}
    ~OwnedRegion() { XDestroyRegion(region_); }
    OwnedRegion(const OwnedRegion& other) : OwnedRegion() { XUnionRegion(other.region_, region_, region_); }
    OwnedRegion& operator=(const OwnedRegion& other) {
        if (this != &other) {
            clear();
            XUnionRegion(other.region_, region_, region_);
        }
        return *this;
    }
    Region get() const { return region_; }
    void clear() {
        XDestroyRegion(region_);
        region_ = XCreateRegion();
    }
    void add(int x, int y, int width, int height);
    bool empty() const { return XEmptyRegion(region_) == True; }
    Rect bounds() const {
        XRectangle box{};
        XClipBox(region_, &box);
        return Rect{box.x, box.y, box.x + box.width, box.y + box.height};
    }
    bool operator==(const OwnedRegion& other) const { return XEqualRegion(region_, other.region_) == True; }

private:
    Region region_;
};

class Stacking {
public:
    // Reads the root's children once; the structure events keep them current from then on.
    void reset(Display* display, Window root);
    // Applies one event reported on the root; true when it may have changed what shows.
    bool apply(Display* display, const XEvent& event);
    // The part of the child that shows on the screen, relative to its outer top-left corner
    // (border included); empty when it is unmapped, covered or not a child of the root.
    OwnedRegion shownPart(Window child) const;

private:
    struct Child {
        Window id = None;
        int x = 0;
        int y = 0;
        int width = 0; // outer size, border included
        int height = 0;
        bool mapped = false;
        bool output = true; // InputOnly windows cover nothing
    };
    std::vector<Child>::iterator find(Window id);
    std::vector<Child>::const_iterator find(Window id) const;
    // Reads a child the events did not describe in full.
    bool read(Display* display, Window id, Child& child);
    void placeAbove(Window id, Window sibling);

    Window root_ = None;
    int screenWidth_ = 0;
    int screenHeight_ = 0;
    std::vector<Child> children_; // bottom first
};

} // namespace zorvane::x11
