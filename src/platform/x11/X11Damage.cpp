// X11Damage: which watched windows changed since their last picture, from DAMAGE events on their
// frames and from the frames' own structure events (resized, mapped again, destroyed, replaced).
#include "platform/x11/X11PlatformImpl.h"

#include <X11/extensions/Xdamage.h>

#include <algorithm>

namespace zorvane::x11 {

bool X11Platform::startWatchingPictures() {
    int errorBase = 0;
    if (!hasComposite_ || !XDamageQueryExtension(display_, &damageEvent_, &errorBase))
        return false;
    // Frames are the root's children: their size, mapping, stacking and end are reported to the
    // root, and so is the screen's own size.
    XWindowAttributes root{};
    XGetWindowAttributes(display_, root_, &root);
    XSelectInput(display_, root_, root.your_event_mask | SubstructureNotifyMask | StructureNotifyMask);
    stacking_.reset(display_, root_);
    return true;
}

X11Platform::Watched* X11Platform::watchedByFrame(Window frame) {
    for (auto& [client, watched] : watched_)
        if (watched.frame == frame && frame != None)
            return &watched;
    return nullptr;
}

void X11Platform::markDamaged(Watched& watched, const Rect& area, unsigned long serial) {
    if (serial < watched.clearedAt)
        return;
    watched.dirty = true;
    watched.area = Unite(watched.area, area);
}

void X11Platform::noteUncovered(unsigned long serial) {
    for (auto& [client, watched] : watched_) {
        if (watched.frame == None)
            continue;
        OwnedRegion now = stacking_.shownPart(watched.frame);
        OwnedRegion grown;
        XSubtractRegion(now.get(), watched.shown.get(), grown.get());
        watched.shown = now;
        if (grown.empty())
            continue;
        // The server reports exactly this part as damaged within the request that changed the
        // stacking (the window's picture is painted there), before any later request's events.
        watched.uncovered = grown;
        watched.reported.clear();
        watched.expecting = true;
        uncoverRun_ = true;
        uncoverSerial_ = serial;
    }
}

void X11Platform::endUncoverRun() {
    if (!uncoverRun_)
        return;
    uncoverRun_ = false;
    for (auto& [client, watched] : watched_) {
        if (!watched.expecting)
            continue;
        watched.expecting = false;
        if (!watched.reported.empty()) {
            // A report cut short: it was drawing after all.
            markDamaged(watched, watched.reported.bounds(), uncoverSerial_);
            watched.reported.clear();
        }
    }
}

void X11Platform::handleDamage(const XEvent& event) {
    const auto& damage = reinterpret_cast<const XDamageNotifyEvent&>(event);
    auto found = std::find_if(watched_.begin(), watched_.end(),
                              [&](const auto& entry) { return entry.second.damage == damage.damage; });
    if (found == watched_.end())
        return;
    Watched& watched = found->second;
    // The damage rectangles are relative to the frame's inside, the pictures to its border.
    const Rect area{damage.area.x + watched.border, damage.area.y + watched.border,
                    damage.area.x + watched.border + damage.area.width,
                    damage.area.y + watched.border + damage.area.height};
    if (uncoverRun_ && event.xany.serial != uncoverSerial_)
        endUncoverRun(); // a later request's
    if (!uncoverRun_ || !watched.expecting) {
        markDamaged(watched, area, event.xany.serial);
        return;
    }
    watched.reported.add(area.left, area.top, area.width(), area.height());
    if (damage.more)
        return;
    watched.expecting = false;
    const bool onlyUncovered = watched.reported == watched.uncovered;
    if (!onlyUncovered)
        markDamaged(watched, watched.reported.bounds(), event.xany.serial);
    watched.reported.clear();
    if (std::none_of(watched_.begin(), watched_.end(),
                     [](const auto& entry) { return entry.second.expecting; }))
        uncoverRun_ = false;
}

void X11Platform::handlePictureEvent(const XEvent& event) {
    if (hasDamage_ && event.type == damageEvent_ + XDamageNotify) {
        handleDamage(event);
        return;
    }
    // Any other event ends the reports of the last change of the stacking.
    endUncoverRun();
    if (hasDamage_ && stacking_.apply(display_, event))
        noteUncovered(event.xany.serial);
    switch (event.type) {
    case ConfigureNotify:
        if (Watched* watched = watchedByFrame(event.xconfigure.window);
            watched && event.xany.serial >= watched->clearedAt) {
            const auto width = static_cast<unsigned int>(event.xconfigure.width);
            const auto height = static_cast<unsigned int>(event.xconfigure.height);
            if (width != watched->width || height != watched->height) {
                watched->width = width;
                watched->height = height;
                watched->dirty = watched->whole = true;
            }
        }
        break;
    case MapNotify:
        // A window shown again (restored from minimised) has a new picture.
        if (Watched* watched = watchedByFrame(event.xmap.window);
            watched && event.xany.serial >= watched->clearedAt)
            watched->dirty = watched->whole = true;
        break;
    case DestroyNotify:
        // The server freed the damage object with its frame; the client gets a new frame (or goes).
        if (Watched* watched = watchedByFrame(event.xdestroywindow.window)) {
            watched->frame = None;
            watched->damage = None;
            watched->dirty = watched->whole = true;
            watched->expecting = false;
        }
        break;
    case ReparentNotify:
        if (auto found = watched_.find(event.xreparent.window); found != watched_.end()) {
            if (found->second.damage != None)
                XDamageDestroy(display_, found->second.damage);
            found->second = Watched{};
            found->second.dirty = found->second.whole = true;
        }
        break;
    default:
        break;
    }
}

PictureChange X11Platform::takePictureChange(WindowHandle window) {
    if (!hasDamage_)
        return {};
    // Damage already on its way is in the queue before this answers.
    processPendingEvents();
    const auto client = static_cast<Window>(window);
    Watched& watched = watched_[client];
    if (watched.frame == None) {
        const Window frame = frameOf(client);
        const auto geometry = frame != None ? GetGeometry(display_, frame) : std::nullopt;
        if (!geometry) {
            watched_.erase(client);
            return {};
        }
        watched = Watched{};
        watched.frame = frame;
        watched.border = static_cast<int>(geometry->border);
        watched.width = geometry->width;
        watched.height = geometry->height;
        watched.shown = stacking_.shownPart(frame);
        // Every report, not their sum: a report of what only came into view is told from drawing
        // by its exact shape.
        watched.damage = XDamageCreate(display_, frame, XDamageReportRawRectangles);
        // A new damage object starts with the whole window damaged; the picture about to be
        // taken has all of that.
        watched.clearedAt = NextRequest(display_);
        XDamageSubtract(display_, watched.damage, None, None);
        return {};
    }
    if (!watched.dirty)
        return PictureChange{false, false, {}};
    const PictureChange change{true, watched.whole, watched.area};
    // Cleared before the picture is read: whatever is drawn from here on is reported again.
    watched.clearedAt = NextRequest(display_);
    XDamageSubtract(display_, watched.damage, None, None);
    watched.dirty = watched.whole = false;
    watched.area = Rect{};
    return change;
}

bool X11Platform::anyPictureChanged() {
    if (!hasDamage_ || watched_.empty())
        return false;
    processPendingEvents();
    return std::any_of(watched_.begin(), watched_.end(),
                       [](const auto& entry) { return entry.second.dirty && entry.second.frame != None; });
}

void X11Platform::watchOnly(const std::vector<WindowHandle>& windows) {
    for (auto it = watched_.begin(); it != watched_.end();) {
        if (std::find(windows.begin(), windows.end(), static_cast<WindowHandle>(it->first)) !=
            windows.end()) {
            ++it;
            continue;
        }
        // A damage object whose frame has gone is already freed; the error that destroying it
        // again raises is dropped by the process-wide handler.
        if (it->second.damage != None)
            XDamageDestroy(display_, it->second.damage);
        it = watched_.erase(it);
    }
}

} // namespace zorvane::x11
