// X11Windows: enumeration of client windows in stacking order and the per-window queries.
#include "platform/x11/TextUtf8.h"
#include "platform/x11/X11Batch.h"
#include "platform/x11/X11PlatformImpl.h"
#include "platform/x11/XErrorTrap.h"

#include <X11/extensions/shape.h>

#include <algorithm>
#include <unistd.h>

namespace zorvane::x11 {

namespace {

constexpr std::size_t kMaxTextChars = 79;
// Titles and class names are read up to this many bytes: enough for 79 characters of UTF-8,
// and an absurd property length costs nothing.
constexpr long kTextLongs = 256;
constexpr long kListLongs = 65536; // the client lists
constexpr long kStateLongs = 64;   // _NET_WM_STATE
constexpr long kTypeLongs = 32;    // _NET_WM_WINDOW_TYPE
constexpr int kMaxDepth = 64;      // of a client inside its frame

template <typename T> struct XFreeDeleter {
    void operator()(T* data) const {
        if (data != nullptr)
            XFree(data);
    }
};
template <typename T> using XPtr = std::unique_ptr<T, XFreeDeleter<T>>;

} // namespace

std::optional<Property> X11Platform::getProperty(Window window, Atom property, Atom type,
                                                 long maxLongs) const {
    if (window == None)
        return std::nullopt;
    if (snapshot_) {
        if (const auto fetched = snapshot_->properties.find({window, property});
            fetched != snapshot_->properties.end() && fetched->second.maxLongs == maxLongs) {
            const auto& value = fetched->second.value;
            if (!value || (type != AnyPropertyType && value->type != type))
                return std::nullopt;
            return value;
        }
    }
    Atom actualType = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long remaining = 0;
    unsigned char* raw = nullptr;
    const int status = XGetWindowProperty(display_, window, property, 0, maxLongs, False, type, &actualType,
                                          &format, &items, &remaining, &raw);
    XPtr<unsigned char> data(raw);
    if (status != Success || actualType == None || data == nullptr)
        return std::nullopt;
    if (type != AnyPropertyType && actualType != type)
        return std::nullopt;
    Property result;
    result.type = actualType;
    result.format = format;
    result.items = items;
    if (format == 8) {
        result.bytes.assign(data.get(), data.get() + items);
    } else if (format == 32) {
        const auto* values = reinterpret_cast<const unsigned long*>(data.get());
        result.longs.assign(values, values + items);
    } else if (format == 16) {
        const auto* values = reinterpret_cast<const unsigned short*>(data.get());
        result.longs.assign(values, values + items);
    } else {
        return std::nullopt;
    }
    return result;
}

std::vector<unsigned long> X11Platform::getCardinals(Window window, Atom property, Atom type,
                                                     long maxItems) const {
    auto value = getProperty(window, property, type, maxItems);
    if (!value || value->format != 32)
        return {};
    return std::move(value->longs);
}

std::vector<Atom> X11Platform::netWmState(Window window) const {
    const auto values = getCardinals(window, atoms_.netWmState, XA_ATOM, kStateLongs);
    return {values.begin(), values.end()};
}

bool X11Platform::hasNetWmState(Window window, Atom state) const {
    const auto states = netWmState(window);
    return std::find(states.begin(), states.end(), state) != states.end();
}

long X11Platform::wmState(Window window) const {
    const auto values = getCardinals(window, atoms_.wmState, atoms_.wmState, 2);
    return values.empty() ? -1 : static_cast<long>(values[0]);
}

bool X11Platform::isIconic(Window window) const {
    return wmState(window) == IconicState || hasNetWmState(window, atoms_.netWmStateHidden);
}

std::optional<int> X11Platform::mapState(Window window) const {
    if (window == None)
        return std::nullopt;
    if (snapshot_) {
        if (const auto state = snapshot_->mapStates.find(window); state != snapshot_->mapStates.end())
            return state->second;
    }
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display_, window, &attributes))
        return std::nullopt;
    return attributes.map_state;
}

bool X11Platform::isViewable(Window window) const {
    return mapState(window) == IsViewable;
}

std::optional<Geometry> X11Platform::frameGeometry(Window frame) const {
    if (snapshot_) {
        if (const auto geometry = snapshot_->geometries.find(frame); geometry != snapshot_->geometries.end())
            return geometry->second;
    }
    return GetGeometry(display_, frame);
}

bool X11Platform::hasWindowManager() const {
    const auto check = getCardinals(root_, atoms_.netSupportingWmCheck, XA_WINDOW, 1);
    if (check.empty())
        return false;
    // A stale check window left by a window manager that has gone does not point to itself.
    const auto self = getCardinals(check[0], atoms_.netSupportingWmCheck, XA_WINDOW, 1);
    return !self.empty() && self[0] == check[0];
}

Window X11Platform::frameOf(Window client) const {
    // A watched window's frame is known, and kept current by the frames' structure events.
    if (const auto watched = watched_.find(client);
        watched != watched_.end() && watched->second.frame != None)
        return watched->second.frame;
    if (snapshot_) {
        if (const auto frame = snapshot_->frames.find(client); frame != snapshot_->frames.end())
            return frame->second;
    }
    Window current = client;
    for (int depth = 0; depth < kMaxDepth && current != None; ++depth) {
        Window rootReturn = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display_, current, &rootReturn, &parent, &children, &count))
            return None;
        XPtr<Window> freeChildren(children);
        if (parent == rootReturn || parent == None)
            return current;
        current = parent;
    }
    return None;
}

Window X11Platform::findClient(Window window, int depth) const {
    if (wmState(window) >= 0)
        return window;
    if (depth <= 0)
        return None;
    Window rootReturn = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display_, window, &rootReturn, &parent, &children, &count))
        return None;
    XPtr<Window> freeChildren(children);
    for (unsigned int i = 0; i < count; ++i) {
        if (const Window client = findClient(children[i], depth - 1))
            return client;
    }
    return None;
}

void X11Platform::readRootAhead() {
    const long one = 1;
    RequestBatch batch(display_);
    batch.property(root_, atoms_.netSupportingWmCheck, one);
    batch.property(root_, atoms_.netClientListStacking, kListLongs);
    batch.property(root_, atoms_.netClientList, kListLongs);
    batch.property(root_, XInternAtom(display_, "_NET_CURRENT_DESKTOP", False), one);
    batch.readInto(*snapshot_);
    // The check window names itself when its window manager still runs.
    if (const auto check = getCardinals(root_, atoms_.netSupportingWmCheck, XA_WINDOW, one); !check.empty()) {
        batch.property(static_cast<Window>(check[0]), atoms_.netSupportingWmCheck, one);
        batch.readInto(*snapshot_);
    }
}

void X11Platform::readWindowsAhead(const std::vector<Window>& windows) {
    const Atom desktop = XInternAtom(display_, "_NET_WM_DESKTOP", False);
    RequestBatch batch(display_);
    // The frames still to find, climbing from each client as frameOf does.
    std::vector<std::pair<Window, Window>> climbing;
    for (const Window window : windows) {
        batch.property(window, XA_WM_TRANSIENT_FOR, 1);
        batch.property(window, atoms_.wmState, 2);
        batch.property(window, atoms_.netWmState, kStateLongs);
        batch.property(window, desktop, 1);
        batch.property(window, atoms_.netWmName, kTextLongs);
        batch.property(window, XA_WM_NAME, kTextLongs);
        batch.property(window, atoms_.netWmWindowType, kTypeLongs);
        batch.property(window, atoms_.netWmPid, 1);
        batch.property(window, XA_WM_CLASS, kTextLongs);
        batch.attributes(window);
        if (const auto watched = watched_.find(window);
            watched == watched_.end() || watched->second.frame == None) {
            batch.tree(window);
            climbing.emplace_back(window, window);
        } else {
            // A watched window's frame is known: its geometry needs no wait of its own.
            batch.geometry(watched->second.frame);
            if (hasShape_)
                batch.shapeExtents(watched->second.frame);
        }
    }
    batch.readInto(*snapshot_);
    for (int depth = 0; depth < kMaxDepth && !climbing.empty(); ++depth) {
        std::vector<std::pair<Window, Window>> next;
        for (const auto& [client, current] : climbing) {
            const auto tree = snapshot_->trees.find(current);
            if (tree == snapshot_->trees.end() || !tree->second) {
                snapshot_->frames[client] = None;
                continue;
            }
            const auto [rootReturn, parent] = *tree->second;
            if (parent == rootReturn || parent == None) {
                snapshot_->frames[client] = current;
                continue;
            }
            next.emplace_back(client, parent);
            if (!snapshot_->trees.contains(parent))
                batch.tree(parent);
        }
        batch.readInto(*snapshot_);
        climbing = std::move(next);
    }
    for (const auto& [client, current] : climbing)
        snapshot_->frames[client] = None;
    for (const Window window : windows) {
        const Window frame = frameOf(window);
        if (frame == None || snapshot_->geometries.contains(frame))
            continue;
        batch.geometry(frame);
        if (hasShape_)
            batch.shapeExtents(frame);
    }
    batch.readInto(*snapshot_);
}

void X11Platform::enumWindows(const EnumProc& proc) {
    // The answers read ahead hold for this enumeration only: later queries ask the server.
    struct SnapshotScope {
        std::unique_ptr<WindowSnapshot>& snapshot;
        ~SnapshotScope() { snapshot.reset(); }
    } scope{snapshot_};
    snapshot_ = std::make_unique<WindowSnapshot>();
    readRootAhead();
    std::vector<Window> bottomToTop;
    if (hasWindowManager()) {
        for (unsigned long id : getCardinals(root_, atoms_.netClientListStacking, XA_WINDOW, kListLongs))
            bottomToTop.push_back(static_cast<Window>(id));
        if (bottomToTop.empty()) {
            for (unsigned long id : getCardinals(root_, atoms_.netClientList, XA_WINDOW, kListLongs))
                bottomToTop.push_back(static_cast<Window>(id));
        }
    } else {
        Window rootReturn = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(display_, root_, &rootReturn, &parent, &children, &count)) {
            XPtr<Window> freeChildren(children);
            for (unsigned int i = 0; i < count; ++i) {
                if (const Window client = findClient(children[i], 3))
                    bottomToTop.push_back(client);
            }
        }
    }
    readWindowsAhead(bottomToTop);
    for (auto it = bottomToTop.rbegin(); it != bottomToTop.rend(); ++it) {
        if (!proc(static_cast<WindowHandle>(*it)))
            break;
    }
}

std::string X11Platform::windowClassName(WindowHandle window) {
    const auto value = getProperty(static_cast<Window>(window), XA_WM_CLASS, XA_STRING, kTextLongs);
    if (!value || value->format != 8)
        return {};
    // WM_CLASS holds the instance name and the class name, each ended by a NUL.
    const auto& bytes = value->bytes;
    const auto firstEnd = std::find(bytes.begin(), bytes.end(), '\0');
    if (firstEnd == bytes.end())
        return {};
    const auto classEnd = std::find(firstEnd + 1, bytes.end(), '\0');
    const std::string className(firstEnd + 1, classEnd);
    return TruncateUtf8(X11Latin1ToUtf8(className), kMaxTextChars);
}

std::string X11Platform::windowCaption(WindowHandle window) {
    const auto handle = static_cast<Window>(window);
    std::string text;
    if (const auto name = getProperty(handle, atoms_.netWmName, atoms_.utf8String, kTextLongs);
        name && name->format == 8 && !name->bytes.empty()) {
        text = SanitizeUtf8(
            std::string_view(reinterpret_cast<const char*>(name->bytes.data()), name->bytes.size()));
    } else if (const auto legacy = getProperty(handle, XA_WM_NAME, AnyPropertyType, kTextLongs);
               legacy && legacy->format == 8) {
        const std::string_view raw(reinterpret_cast<const char*>(legacy->bytes.data()), legacy->bytes.size());
        if (legacy->type == XA_STRING)
            text = X11Latin1ToUtf8(raw);
        else // UTF8_STRING, and COMPOUND_TEXT that is plain ASCII in practice
            text = SanitizeUtf8(raw);
    }
    // A title ends at its first NUL, as a C string would.
    if (const auto nul = text.find('\0'); nul != std::string::npos)
        text.erase(nul);
    return TruncateUtf8(text, kMaxTextChars);
}

bool X11Platform::hasOwner(WindowHandle window) {
    // WM_TRANSIENT_FOR as XGetTransientForHint reads it.
    const auto owner = getCardinals(static_cast<Window>(window), XA_WM_TRANSIENT_FOR, XA_WINDOW, 1);
    return !owner.empty() && owner[0] != None;
}

bool X11Platform::isWindowVisible(WindowHandle window) {
    const auto handle = static_cast<Window>(window);
    if (window == 0)
        return false;
    return isViewable(handle) || isIconic(handle) || isAwayOnOtherDesktop(handle);
}

bool X11Platform::hasOverlappedStyle(WindowHandle window) {
    const auto handle = static_cast<Window>(window);
    const auto types = getCardinals(handle, atoms_.netWmWindowType, XA_ATOM, kTypeLongs);
    if (!types.empty()) {
        // The first type the window names is the one the window manager honours.
        const Atom type = static_cast<Atom>(types[0]);
        if (type != atoms_.netWmWindowTypeNormal && type != atoms_.netWmWindowTypeDialog)
            return false;
    }
    return !hasNetWmState(handle, atoms_.netWmStateSkipTaskbar);
}

int X11Platform::showCommand(WindowHandle window) {
    const auto handle = static_cast<Window>(window);
    // One read of the state list answers both questions. A window on another workspace is as
    // normal or maximised as it is there.
    const auto states = netWmState(handle);
    if (isMinimised(handle, states))
        return scMinimized;
    const auto has = [&](Atom state) {
        return std::find(states.begin(), states.end(), state) != states.end();
    };
    if (has(atoms_.netWmStateMaxVert) && has(atoms_.netWmStateMaxHorz))
        return scMaximized;
    return scNormal;
}

bool X11Platform::isOwnWindow(WindowHandle window) {
    const auto pid = getCardinals(static_cast<Window>(window), atoms_.netWmPid, XA_CARDINAL, 1);
    return !pid.empty() && pid[0] == static_cast<unsigned long>(::getpid());
}

void X11Platform::hideWindow(WindowHandle window) {
    XErrorTrap trap(display_);
    XWithdrawWindow(display_, static_cast<Window>(window), screen_);
}

bool X11Platform::windowRect(WindowHandle window, Rect& rect) const {
    rect = Rect{};
    const Window frame = frameOf(static_cast<Window>(window));
    if (frame == None)
        return false;
    const auto geometry = frameGeometry(frame);
    if (!geometry)
        return false;
    rect.left = geometry->x;
    rect.top = geometry->y;
    rect.right = geometry->x + static_cast<int>(geometry->width + 2 * geometry->border);
    rect.bottom = geometry->y + static_cast<int>(geometry->height + 2 * geometry->border);
    return true;
}

bool X11Platform::windowRegionBox(WindowHandle window, Rect& box) const {
    box = Rect{};
    if (!hasShape_)
        return false;
    const Window frame = frameOf(static_cast<Window>(window));
    if (frame == None)
        return false;
    std::optional<ShapeExtents> extents;
    if (snapshot_ && snapshot_->shapes.contains(frame)) {
        extents = snapshot_->shapes.at(frame);
    } else {
        Bool boundingShaped = False;
        Bool clipShaped = False;
        ShapeExtents live;
        int clipX = 0;
        int clipY = 0;
        unsigned int clipWidth = 0;
        unsigned int clipHeight = 0;
        if (XShapeQueryExtents(display_, frame, &boundingShaped, &live.x, &live.y, &live.width, &live.height,
                               &clipShaped, &clipX, &clipY, &clipWidth, &clipHeight)) {
            live.boundingShaped = boundingShaped != False;
            extents = live;
        }
    }
    if (!extents || !extents->boundingShaped)
        return false;
    const int x = extents->x;
    const int y = extents->y;
    const unsigned int width = extents->width;
    const unsigned int height = extents->height;
    // The extents are relative to the frame's inside corner; the rectangle includes the border.
    const auto geometry = frameGeometry(frame);
    const unsigned int border = geometry ? geometry->border : 0;
    box.left = x + static_cast<int>(border);
    box.top = y + static_cast<int>(border);
    box.right = box.left + static_cast<int>(width);
    box.bottom = box.top + static_cast<int>(height);
    return true;
}

} // namespace zorvane::x11
