// zv-hostileclient: windows that misbehave the way real programs sometimes do, for the hostile
// window test and the soak benchmark.
//   zv-hostileclient static   a 200 KB title, a title of invalid UTF-8, a WM_CLASS without its
//                             terminators, an icon claiming 100000 x 100000 pixels, a 1 x 1 and
//                             a 6000 x 4000 window; then waits to be killed
//   zv-hostileclient churn MS a window that maps, lives MS milliseconds and is destroyed, again
//                             and again until killed
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

Atom atom(Display* d, const char* name) {
    return XInternAtom(d, name, False);
}

void setText(Display* d, Window w, const char* property, const char* type, const std::string& bytes) {
    XChangeProperty(d, w, atom(d, property), atom(d, type), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
}

Window makeWindow(Display* d, int x, int y, int width, int height, unsigned long colour,
                  const std::string& title) {
    XSetWindowAttributes attributes{};
    attributes.background_pixel = colour;
    const Window w = XCreateWindow(d, DefaultRootWindow(d), x, y, static_cast<unsigned>(width),
                                   static_cast<unsigned>(height), 0, CopyFromParent, InputOutput,
                                   CopyFromParent, CWBackPixel, &attributes);
    setText(d, w, "WM_NAME", "STRING", title);
    setText(d, w, "_NET_WM_NAME", "UTF8_STRING", title);
    XClassHint hint{const_cast<char*>("hostile"), const_cast<char*>("ZvHostile")};
    XSetClassHint(d, w, &hint);
    return w;
}

void staticWindows(Display* d) {
    std::vector<Window> windows;
    // 200 KB of title, in whole UTF-8 characters ("é" is two bytes).
    std::string longTitle = "Long ";
    while (longTitle.size() < 200 * 1024)
        longTitle += "\xC3\xA9title ";
    windows.push_back(makeWindow(d, 10, 10, 300, 200, 0xC03030, longTitle));

    const Window broken = makeWindow(d, 330, 10, 300, 200, 0x30A040, "Broken");
    setText(d, broken, "_NET_WM_NAME", "UTF8_STRING",
            std::string("Bad \xC3\x28 \xE2\x82 \xF0\x9F\xFF\0end", 16));
    windows.push_back(broken);

    // The class property is two NUL-terminated strings; this one has no NUL at all.
    const Window unterminated = makeWindow(d, 650, 10, 300, 200, 0x3050C0, "Unterminated class");
    setText(d, unterminated, "WM_CLASS", "STRING", "noterminatorsatall");
    windows.push_back(unterminated);

    // An icon that claims 100000 x 100000 pixels and holds four.
    const Window icon = makeWindow(d, 10, 230, 300, 200, 0xC0C030, "Huge icon claim");
    const long items[] = {100000,
                          100000,
                          static_cast<long>(0xFFFF0000),
                          static_cast<long>(0xFF00FF00),
                          static_cast<long>(0xFF0000FF),
                          static_cast<long>(0xFFFFFFFF)};
    XChangeProperty(d, icon, atom(d, "_NET_WM_ICON"), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(items), 6);
    windows.push_back(icon);

    windows.push_back(makeWindow(d, 500, 500, 1, 1, 0xFFFFFF, "One pixel"));
    windows.push_back(makeWindow(d, 0, 0, 6000, 4000, 0x808080, "Very large"));
    for (Window w : windows)
        XMapWindow(d, w);
    XSync(d, False);
    for (;;) {
        XEvent event;
        XNextEvent(d, &event);
    }
}

void churn(Display* d, int lifeMs) {
    for (unsigned long n = 0;; ++n) {
        const Window w = makeWindow(d, static_cast<int>(40 + n % 300), static_cast<int>(300 + n % 200), 160,
                                    120, 0x205070 + (n % 64), "Churn " + std::to_string(n));
        XMapWindow(d, w);
        XSync(d, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(lifeMs));
        XDestroyWindow(d, w);
        XSync(d, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(lifeMs));
    }
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    Display* d = XOpenDisplay(nullptr);
    if (d == nullptr) {
        std::fprintf(stderr, "zv-hostileclient: cannot open the display\n");
        return 1;
    }
    if (mode == "static")
        staticWindows(d);
    else if (mode == "churn" && argc > 2)
        churn(d, std::atoi(argv[2]));
    std::fprintf(stderr, "usage: zv-hostileclient static | churn MILLISECONDS\n");
    return 2;
}
