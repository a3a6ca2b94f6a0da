// X11Windows: enumeration of client windows in stacking order and the per-window queries.
#include "platform/x11/TextUtf8.h"
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
    const auto values = getCardinals(window, atoms_.netWmState, XA_ATOM, 64);
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

bool X11Platform::isViewable(Window window) const {
    XWindowAttributes attributes;
    if (window == None || !XGetWindowAttributes(display_, window, &attributes))
        return false;
    return attributes.map_state == IsViewable;
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
    Window current = client;
    for (int depth = 0; depth < 64 && current != None; ++depth) {
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

void X11Platform::enumWindows(const EnumProc& proc) {
    std::vector<Window> bottomToTop;
    if (hasWindowManager()) {
        for (unsigned long id : getCardinals(root_, atoms_.netClientListStacking, XA_WINDOW, 65536))
            bottomToTop.push_back(static_cast<Window>(id));
        if (bottomToTop.empty()) {
            for (unsigned long id : getCardinals(root_, atoms_.netClientList, XA_WINDOW, 65536))
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
    Window owner = None;
    if (!XGetTransientForHint(display_, static_cast<Window>(window), &owner))
        return false;
    return owner != None;
}

bool X11Platform::isWindowVisible(WindowHandle window) {
    const auto handle = static_cast<Window>(window);
    if (window == 0)
        return false;
    return isViewable(handle) || isIconic(handle) || isAwayOnOtherDesktop(handle);
}

bool X11Platform::hasOverlappedStyle(WindowHandle window) {
    const auto handle = static_cast<Window>(window);
    const auto types = getCardinals(handle, atoms_.netWmWindowType, XA_ATOM, 32);
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
    const auto geometry = GetGeometry(display_, frame);
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
    Bool boundingShaped = False;
    Bool clipShaped = False;
    int x = 0;
    int y = 0;
    int clipX = 0;
    int clipY = 0;
    unsigned int width = 0;
    unsigned int height = 0;
    unsigned int clipWidth = 0;
    unsigned int clipHeight = 0;
    if (!XShapeQueryExtents(display_, frame, &boundingShaped, &x, &y, &width, &height, &clipShaped, &clipX,
                            &clipY, &clipWidth, &clipHeight) ||
        !boundingShaped)
        return false;
    // The extents are relative to the frame's inside corner; the rectangle includes the border.
    const auto geometry = GetGeometry(display_, frame);
    const unsigned int border = geometry ? geometry->border : 0;
    box.left = x + static_cast<int>(border);
    box.top = y + static_cast<int>(border);
    box.right = box.left + static_cast<int>(width);
    box.bottom = box.top + static_cast<int>(height);
    return true;
}

} // namespace zorvane::x11
