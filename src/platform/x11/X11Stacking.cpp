// X11Stacking: the root's children in stacking order and what each shows on the screen.
#include "platform/x11/X11Stacking.h"

#include "platform/x11/XErrorTrap.h"

#include <algorithm>

namespace zorvane::x11 {

void OwnedRegion::add(int x, int y, int width, int height) {
    if (width <= 0 || height <= 0)
        return;
    XRectangle rectangle{static_cast<short>(x), static_cast<short>(y), static_cast<unsigned short>(width),
                         static_cast<unsigned short>(height)};
    XUnionRectWithRegion(&rectangle, region_, region_);
}

void Stacking::reset(Display* display, Window root) {
    root_ = root;
    children_.clear();
    XWindowAttributes rootAttributes{};
    if (XGetWindowAttributes(display, root, &rootAttributes)) {
        screenWidth_ = rootAttributes.width;
        screenHeight_ = rootAttributes.height;
    }
    Window rootReturn = None;
    Window parent = None;
    Window* ids = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, root, &rootReturn, &parent, &ids, &count) || ids == nullptr)
        return;
    for (unsigned int i = 0; i < count; ++i) {
        Child child;
        if (read(display, ids[i], child))
            children_.push_back(child);
    }
    XFree(ids);
}

bool Stacking::read(Display* display, Window id, Child& child) {
    XErrorTrap trap(display);
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, id, &attributes))
        return false;
    child.id = id;
    child.x = attributes.x;
    child.y = attributes.y;
    child.width = attributes.width + 2 * attributes.border_width;
    child.height = attributes.height + 2 * attributes.border_width;
    child.mapped = attributes.map_state != IsUnmapped;
    child.output = attributes.c_class == InputOutput;
    return true;
}

std::vector<Stacking::Child>::iterator Stacking::find(Window id) {
    return std::find_if(children_.begin(), children_.end(), [id](const Child& c) { return c.id == id; });
}

std::vector<Stacking::Child>::const_iterator Stacking::find(Window id) const {
    return std::find_if(children_.begin(), children_.end(), [id](const Child& c) { return c.id == id; });
}

void Stacking::placeAbove(Window id, Window sibling) {
    const auto self = find(id);
    if (self == children_.end())
        return;
    const Child moved = *self;
    children_.erase(self);
    // None: the bottom of the stack.
    auto below = sibling == None ? children_.begin() : find(sibling);
    if (below != children_.end() && sibling != None)
        ++below;
    else if (sibling != None)
        below = children_.end(); // an unknown sibling: on top, where new windows go
    children_.insert(below, moved);
}

bool Stacking::apply(Display* display, const XEvent& event) {
    if (root_ == None)
        return false;
    switch (event.type) {
    case CreateNotify: {
        const XCreateWindowEvent& created = event.xcreatewindow;
        if (created.parent != root_ || find(created.window) != children_.end())
            return false;
        // Created on top and unmapped. An input-only window, taken here for one that covers,
        // makes a report look like drawing: a picture taken again, never one missed.
        Child child;
        child.id = created.window;
        child.x = created.x;
        child.y = created.y;
        child.width = created.width + 2 * created.border_width;
        child.height = created.height + 2 * created.border_width;
        children_.push_back(child);
        return false;
    }
    case DestroyNotify: {
        const auto gone = find(event.xdestroywindow.window);
        if (gone == children_.end())
            return false;
        const bool shown = gone->mapped;
        children_.erase(gone);
        return shown;
    }
    case MapNotify:
    case UnmapNotify: {
        if (event.xany.send_event)
            return false; // a client's withdrawal notice, not the server's
        const Window id = event.type == MapNotify ? event.xmap.window : event.xunmap.window;
        const auto child = find(id);
        if (child == children_.end())
            return false;
        child->mapped = event.type == MapNotify;
        return true;
    }
    case ConfigureNotify: {
        const XConfigureEvent& configure = event.xconfigure;
        if (configure.send_event)
            return false;
        if (configure.window == root_) {
            // The screen resized (RandR): what shows is clipped to its new size.
            screenWidth_ = configure.width;
            screenHeight_ = configure.height;
            return true;
        }
        const auto child = find(configure.window);
        if (child == children_.end())
            return false;
        child->x = configure.x;
        child->y = configure.y;
        child->width = configure.width + 2 * configure.border_width;
        child->height = configure.height + 2 * configure.border_width;
        placeAbove(configure.window, configure.above);
        return true;
    }
    case GravityNotify: {
        const auto child = find(event.xgravity.window);
        if (child == children_.end())
            return false;
        child->x = event.xgravity.x;
        child->y = event.xgravity.y;
        return true;
    }
    case CirculateNotify: {
        const auto child = find(event.xcirculate.window);
        if (child == children_.end())
            return false;
        const Child moved = *child;
        children_.erase(child);
        if (event.xcirculate.place == PlaceOnTop)
            children_.push_back(moved);
        else
            children_.insert(children_.begin(), moved);
        return true;
    }
    case ReparentNotify: {
        const XReparentEvent& reparent = event.xreparent;
        const auto child = find(reparent.window);
        if (reparent.parent != root_) {
            if (child == children_.end())
                return false;
            const bool shown = child->mapped;
            children_.erase(child);
            return shown;
        }
        if (child != children_.end())
            return false;
        Child joined;
        if (!read(display, reparent.window, joined))
            return false;
        children_.push_back(joined);
        return joined.mapped;
    }
    default:
        return false;
    }
}

OwnedRegion Stacking::shownPart(Window id) const {
    OwnedRegion shown;
    const auto self = find(id);
    if (self == children_.end() || !self->mapped)
        return shown;
    const int left = std::max(self->x, 0);
    const int top = std::max(self->y, 0);
    const int right = std::min(self->x + self->width, screenWidth_);
    const int bottom = std::min(self->y + self->height, screenHeight_);
    shown.add(left, top, right - left, bottom - top);
    OwnedRegion cover;
    for (auto above = self + 1; above != children_.end(); ++above) {
        if (!above->mapped || !above->output || above->x >= right || above->y >= bottom ||
            above->x + above->width <= left || above->y + above->height <= top)
            continue;
        cover.add(above->x, above->y, above->width, above->height);
    }
    XSubtractRegion(shown.get(), cover.get(), shown.get());
    XOffsetRegion(shown.get(), -self->x, -self->y);
    return shown;
}

} // namespace zorvane::x11
