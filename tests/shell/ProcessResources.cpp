// ProcessResources: xrestop's batch output and /proc read back into numbers.
#include "ProcessResources.h"

#include <X11/Xatom.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

namespace zorvane::test {

// The part of a resource id that its client numbers itself (the server hands out the rest).
constexpr unsigned long kResourceMask = 0x1FFFFF;

std::string XResourceCounts::text() const {
    std::ostringstream out;
    out << "windows " << windows << ", GCs " << gcs << ", pixmaps " << pixmaps << ", pictures " << pictures
        << ", other " << other << ", pixmap bytes " << pixmapBytes;
    return out.str();
}

namespace {

// The resource-id bases of the connections that own a child of the root with this _NET_WM_PID
// (every top-level window of Qt's connection, and the helper window of Zorvane's own).
std::set<unsigned long> ConnectionBases(XDesktop& desktop, pid_t pid) {
    std::set<unsigned long> bases;
    Display* dpy = desktop.dpy();
    const Atom netWmPid = XInternAtom(dpy, "_NET_WM_PID", False);
    Window rootReturn = None, parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(dpy, desktop.root(), &rootReturn, &parent, &children, &count))
        return bases;
    for (unsigned int i = 0; i < count; ++i) {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(dpy, children[i], netWmPid, 0, 1, False, XA_CARDINAL, &type, &format, &items,
                               &after, &data) == Success &&
            data != nullptr && items == 1 && format == 32 &&
            *reinterpret_cast<unsigned long*>(data) == static_cast<unsigned long>(pid))
            bases.insert(children[i] & ~kResourceMask);
        if (data != nullptr)
            XFree(data);
    }
    if (children != nullptr)
        XFree(children);
    return bases;
}

} // namespace

XResourceCounts CountXResources(XDesktop& desktop, pid_t pid) {
    XResourceCounts counts;
    const std::set<unsigned long> bases = ConnectionBases(desktop, pid);
    const RunResult listing = desktop.run({"xrestop", "-b", "-m", "1"});
    std::istringstream lines(listing.out);
    std::string line;
    bool mine = false;
    while (std::getline(lines, line)) {
        // A client starts with "N - name ( PID:1234 ):"; its counts follow as "\tname : value",
        // the first of them its resource-id base.
        if (!line.empty() && line[0] != '\t') {
            mine = false;
            continue;
        }
        if (line.find("res_base") != std::string::npos) {
            const std::size_t colon = line.find(':');
            mine = colon != std::string::npos &&
                   bases.count(std::strtoul(line.c_str() + colon + 1, nullptr, 16)) > 0;
            counts.found = counts.found || mine;
            continue;
        }
        const std::size_t colon = line.find(':');
        if (!mine || colon == std::string::npos)
            continue;
        std::string name = line.substr(0, colon);
        name.erase(0, name.find_first_not_of("\t "));
        name.erase(name.find_last_not_of(' ') + 1);
        const long value = std::atol(line.c_str() + colon + 1);
        if (name == "windows")
            counts.windows += value;
        else if (name == "GCs")
            counts.gcs += value;
        else if (name == "pixmaps")
            counts.pixmaps += value;
        else if (name == "pictures")
            counts.pictures += value;
        else if (name == "unknowns")
            counts.other += value;
        else if (name == "pixmap bytes")
            counts.pixmapBytes += value;
    }
    return counts;
}

long ResidentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

} // namespace zorvane::test
