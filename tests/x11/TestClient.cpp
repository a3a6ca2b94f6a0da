// zv-testclient: a small X client whose kind, title and look the X tests choose, for windows that
// stock programs cannot make (docks, transient dialogs, untitled and override-redirect windows,
// bad titles). It fills itself with one colour, marks itself painted, and can log its key presses.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Options {
    std::string title = "zv test";
    std::string className = "ZvTest";
    int width = 200;
    int height = 150;
    int x = 50;
    int y = 50;
    unsigned long color = 0x3366CC;
    std::string type; // dock, dialog, utility, normal
    bool skipTaskbar = false;
    bool untitled = false;
    bool override = false;
    bool transient = false;   // also opens a dialog transient for the main window
    bool latin1Title = false; // title given as ISO 8859-1 bytes in WM_NAME only
    bool invalidUtf8 = false; // _NET_WM_NAME holds bytes that are not UTF-8
    bool malformed = false;   // properties of the wrong type or format, and a 1 MB title
    bool shaped = false;      // bounding shape inset by 10 pixels on the left and top
    bool maximized = false;
    bool pattern = false;       // every pixel its own colour, from its position, instead of one colour
    std::string keyLog;         // key and button presses, and the _ZV_MARK client message, one a line
    std::vector<int> iconSizes; // _NET_WM_ICON pictures of these sizes (see iconPixel)
    bool iconPixmap = false;    // a WM_HINTS icon pixmap with a mask instead
    bool refuseClose = false;   // ignores WM_DELETE_WINDOW, as a program asking to save would
};

Atom atom(Display* d, const char* name) {
    return XInternAtom(d, name, False);
}

void setAtomProperty(Display* d, Window w, const char* property, const char* value) {
    Atom v = atom(d, value);
    XChangeProperty(d, w, atom(d, property), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&v), 1);
}

Window makeWindow(Display* d, const Options& o, const std::string& title, bool override) {
    XSetWindowAttributes attributes{};
    attributes.background_pixel = o.color;
    attributes.override_redirect = override ? True : False;
    attributes.event_mask = ExposureMask | KeyPressMask | ButtonPressMask | StructureNotifyMask;
    const Window w =
        XCreateWindow(d, DefaultRootWindow(d), o.x, o.y, static_cast<unsigned>(o.width),
                      static_cast<unsigned>(o.height), 0, CopyFromParent, InputOutput, CopyFromParent,
                      CWBackPixel | CWOverrideRedirect | CWEventMask, &attributes);
    XClassHint hint{const_cast<char*>("zvtest"), const_cast<char*>(o.className.c_str())};
    XSetClassHint(d, w, &hint);
    XSizeHints size{};
    size.flags = USPosition | USSize;
    size.x = o.x;
    size.y = o.y;
    size.width = o.width;
    size.height = o.height;
    XSetWMNormalHints(d, w, &size);
    if (!o.untitled && !title.empty()) {
        if (o.latin1Title) {
            XChangeProperty(d, w, XA_WM_NAME, XA_STRING, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(title.data()),
                            static_cast<int>(title.size()));
        } else {
            XChangeProperty(d, w, XA_WM_NAME, XA_STRING, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(title.data()),
                            static_cast<int>(title.size()));
            XChangeProperty(d, w, atom(d, "_NET_WM_NAME"), atom(d, "UTF8_STRING"), 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(title.data()),
                            static_cast<int>(title.size()));
        }
    }
    if (o.invalidUtf8) {
        const unsigned char bad[] = {'b', 'a', 'd', ' ', 0xC3, 0x28, ' ', 0xFF, 'x'};
        XChangeProperty(d, w, atom(d, "_NET_WM_NAME"), atom(d, "UTF8_STRING"), 8, PropModeReplace, bad,
                        sizeof bad);
    }
    Atom protocols = atom(d, "WM_DELETE_WINDOW");
    XSetWMProtocols(d, w, &protocols, 1);
    return w;
}

// The pattern tests compare against: red from x, green from y, blue from both, so a swapped
// channel, a shifted row or a dropped pixel all show.
unsigned long patternPixel(int x, int y) {
    return static_cast<unsigned long>((x * 7) & 0xFF) << 16 |
           static_cast<unsigned long>((y * 13) & 0xFF) << 8 | static_cast<unsigned long>((x ^ y) & 0xFF);
}

void paintPattern(Display* d, Window w, GC gc, const XWindowAttributes& a) {
    XImage* image = XCreateImage(d, a.visual, static_cast<unsigned>(a.depth), ZPixmap, 0, nullptr,
                                 static_cast<unsigned>(a.width), static_cast<unsigned>(a.height), 32, 0);
    if (image == nullptr)
        return;
    image->data = static_cast<char*>(
        std::malloc(static_cast<std::size_t>(image->bytes_per_line) * static_cast<std::size_t>(a.height)));
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x)
            XPutPixel(image, x, y, patternPixel(x, y));
    }
    XPutImage(d, w, gc, image, 0, 0, 0, 0, static_cast<unsigned>(a.width), static_cast<unsigned>(a.height));
    XDestroyImage(image); // frees the data too
}

// Icon picture tests compare against: the size in red, x in green, y in blue, opaque.
unsigned long iconPixel(int size, int x, int y) {
    return 0xFF000000ul | static_cast<unsigned long>(size & 0xFF) << 16 |
           static_cast<unsigned long>(x & 0xFF) << 8 | static_cast<unsigned long>(y & 0xFF);
}

void setIcons(Display* d, Window w, const Options& o) {
    if (!o.iconSizes.empty()) {
        std::vector<long> items; // format-32 data goes to Xlib as longs
        for (int size : o.iconSizes) {
            items.push_back(size);
            items.push_back(size);
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                    items.push_back(static_cast<long>(iconPixel(size, x, y)));
        }
        XChangeProperty(d, w, atom(d, "_NET_WM_ICON"), XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(items.data()), static_cast<int>(items.size()));
    }
    if (o.iconPixmap) {
        // 24 x 24: left half red, right half blue; the mask keeps the top half only.
        const int depth = DefaultDepth(d, DefaultScreen(d));
        const Pixmap picture = XCreatePixmap(d, w, 24, 24, static_cast<unsigned>(depth));
        const Pixmap mask = XCreatePixmap(d, w, 24, 24, 1);
        GC gc = XCreateGC(d, picture, 0, nullptr);
        XSetForeground(d, gc, 0xFF0000);
        XFillRectangle(d, picture, gc, 0, 0, 12, 24);
        XSetForeground(d, gc, 0x0000FF);
        XFillRectangle(d, picture, gc, 12, 0, 12, 24);
        GC maskGc = XCreateGC(d, mask, 0, nullptr);
        XSetForeground(d, maskGc, 0);
        XFillRectangle(d, mask, maskGc, 0, 0, 24, 24);
        XSetForeground(d, maskGc, 1);
        XFillRectangle(d, mask, maskGc, 0, 0, 24, 12);
        XFreeGC(d, gc);
        XFreeGC(d, maskGc);
        XWMHints hints{};
        hints.flags = IconPixmapHint | IconMaskHint;
        hints.icon_pixmap = picture;
        hints.icon_mask = mask;
        XSetWMHints(d, w, &hints);
    }
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (a == "--title")
            o.title = next();
        else if (a == "--class")
            o.className = next();
        else if (a == "--size")
            std::sscanf(next().c_str(), "%dx%d", &o.width, &o.height);
        else if (a == "--pos")
            std::sscanf(next().c_str(), "%d,%d", &o.x, &o.y);
        else if (a == "--color")
            o.color = std::strtoul(next().c_str(), nullptr, 16);
        else if (a == "--type")
            o.type = next();
        else if (a == "--skip-taskbar")
            o.skipTaskbar = true;
        else if (a == "--untitled")
            o.untitled = true;
        else if (a == "--override")
            o.override = true;
        else if (a == "--transient")
            o.transient = true;
        else if (a == "--latin1-title")
            o.latin1Title = true;
        else if (a == "--invalid-utf8")
            o.invalidUtf8 = true;
        else if (a == "--malformed")
            o.malformed = true;
        else if (a == "--shaped")
            o.shaped = true;
        else if (a == "--maximized")
            o.maximized = true;
        else if (a == "--pattern")
            o.pattern = true;
        else if (a == "--key-log")
            o.keyLog = next();
        else if (a == "--icon-sizes") {
            const std::string list = next();
            for (std::size_t at = 0; at < list.size();) {
                std::size_t end = list.find(',', at);
                if (end == std::string::npos)
                    end = list.size();
                o.iconSizes.push_back(std::atoi(list.substr(at, end - at).c_str()));
                at = end + 1;
            }
        } else if (a == "--icon-pixmap")
            o.iconPixmap = true;
        else if (a == "--refuse-close")
            o.refuseClose = true;
    }
    Display* d = XOpenDisplay(nullptr);
    if (d == nullptr)
        return 1;
    const Window main = makeWindow(d, o, o.title, o.override);
    if (!o.type.empty()) {
        const std::string value = "_NET_WM_WINDOW_TYPE_" + std::string(o.type == "dock"      ? "DOCK"
                                                                       : o.type == "dialog"  ? "DIALOG"
                                                                       : o.type == "utility" ? "UTILITY"
                                                                                             : "NORMAL");
        setAtomProperty(d, main, "_NET_WM_WINDOW_TYPE", value.c_str());
    }
    if (o.skipTaskbar || o.maximized) {
        std::vector<Atom> states;
        if (o.skipTaskbar)
            states.push_back(atom(d, "_NET_WM_STATE_SKIP_TASKBAR"));
        if (o.maximized) {
            states.push_back(atom(d, "_NET_WM_STATE_MAXIMIZED_VERT"));
            states.push_back(atom(d, "_NET_WM_STATE_MAXIMIZED_HORZ"));
        }
        XChangeProperty(d, main, atom(d, "_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(states.data()), static_cast<int>(states.size()));
    }
    if (o.shaped) {
        XRectangle inner{10, 10, static_cast<unsigned short>(o.width - 10),
                         static_cast<unsigned short>(o.height - 10)};
        XShapeCombineRectangles(d, main, ShapeBounding, 0, 0, &inner, 1, ShapeSet, Unsorted);
    }
    if (o.malformed) {
        const std::string name = "wrong type";
        XChangeProperty(d, main, atom(d, "_NET_WM_NAME"), XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(name.data()), static_cast<int>(name.size()));
        const std::string huge(1 << 20, 'M');
        XChangeProperty(d, main, XA_WM_NAME, XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(huge.data()), static_cast<int>(huge.size()));
        const unsigned char garbage[] = "garbage";
        XChangeProperty(d, main, atom(d, "_NET_WM_WINDOW_TYPE"), XA_ATOM, 8, PropModeReplace, garbage,
                        sizeof garbage);
        long states[] = {0x7FFFFFFF, -1};
        XChangeProperty(d, main, atom(d, "_NET_WM_STATE"), XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(states), 2);
        XChangeProperty(d, main, atom(d, "_NET_WM_PID"), XA_STRING, 8, PropModeReplace, garbage,
                        sizeof garbage);
    }
    setIcons(d, main, o);
    std::vector<Window> windows{main};
    if (o.transient) {
        Options dialog = o;
        dialog.width = 120;
        dialog.height = 80;
        dialog.x += 40;
        dialog.y += 40;
        dialog.color = 0xCC6633;
        const Window w = makeWindow(d, dialog, o.title + " dialog", false);
        XSetTransientForHint(d, w, main);
        windows.push_back(w);
    }
    for (Window w : windows)
        XMapWindow(d, w);
    XFlush(d);

    const Atom painted = atom(d, "_ZV_PAINTED");
    const Atom mark = atom(d, "_ZV_MARK");
    const Atom deleteWindow = atom(d, "WM_DELETE_WINDOW");
    GC gc = XCreateGC(d, main, 0, nullptr);
    std::FILE* log = o.keyLog.empty() ? nullptr : std::fopen(o.keyLog.c_str(), "a");
    for (;;) {
        XEvent event;
        XNextEvent(d, &event);
        if (event.type == Expose && event.xexpose.count == 0) {
            // Paint the whole window in its colour, then say so (tests wait for this mark).
            XWindowAttributes a;
            XGetWindowAttributes(d, event.xexpose.window, &a);
            if (o.pattern && event.xexpose.window == main) {
                paintPattern(d, main, gc, a);
            } else {
                XSetForeground(d, gc, event.xexpose.window == main ? o.color : 0xCC6633);
                XFillRectangle(d, event.xexpose.window, gc, 0, 0, static_cast<unsigned>(a.width),
                               static_cast<unsigned>(a.height));
            }
            XSync(d, False);
            long one = 1;
            XChangeProperty(d, event.xexpose.window, painted, XA_CARDINAL, 32, PropModeReplace,
                            reinterpret_cast<unsigned char*>(&one), 1);
            XFlush(d);
        } else if (event.type == KeyPress && log != nullptr) {
            const KeySym sym = XLookupKeysym(&event.xkey, 0);
            const char* name = XKeysymToString(sym);
            std::fprintf(log, "press %s state %u\n", name != nullptr ? name : "?", event.xkey.state);
            std::fflush(log);
        } else if (event.type == ButtonPress && log != nullptr) {
            std::fprintf(log, "button %u\n", event.xbutton.button);
            std::fflush(log);
        } else if (event.type == ClientMessage && event.xclient.message_type == mark && log != nullptr) {
            // Everything the server delivered before this message has been logged above it.
            std::fprintf(log, "mark %ld\n", event.xclient.data.l[0]);
            std::fflush(log);
        } else if (event.type == ClientMessage &&
                   static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow) {
            if (log != nullptr) {
                std::fprintf(log, "delete request\n");
                std::fflush(log);
            }
            if (!o.refuseClose)
                break;
        }
    }
    if (log != nullptr)
        std::fclose(log);
    XFreeGC(d, gc);
    XCloseDisplay(d);
    return 0;
}
