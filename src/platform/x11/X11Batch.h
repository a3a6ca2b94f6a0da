// X11Batch: requests sent together and answered after, so that many queries cost one wait for
// the server instead of one each. Sent through the connection's XCB side, where every reply
// carries its own error: a window gone meanwhile is an answer of "nothing", never an error
// reported to Xlib's handler.
#pragma once

#include "platform/x11/X11PlatformImpl.h"

#include <xcb/xcb.h>

#include <map>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace zorvane::x11 {

// A frame's bounding shape as SHAPE reports it, relative to the frame's inside corner.
struct ShapeExtents {
    bool boundingShaped = false;
    int x = 0;
    int y = 0;
    unsigned int width = 0;
    unsigned int height = 0;
};

// What one enumeration read of its windows. An entry is an answer (nothing: the query failed);
// a query without an entry is asked of the server as it comes.
struct WindowSnapshot {
    struct Fetched {
        long maxLongs = 0;
        std::optional<Property> value;
    };
    std::map<std::pair<Window, Atom>, Fetched> properties;
    std::unordered_map<Window, std::optional<int>> mapStates;
    std::unordered_map<Window, std::optional<std::pair<Window, Window>>> trees; // root, parent
    std::unordered_map<Window, std::optional<Geometry>> geometries;
    std::unordered_map<Window, std::optional<ShapeExtents>> shapes;
    std::unordered_map<Window, Window> frames; // client to frame; None: the client has gone
};

class RequestBatch {
public:
    explicit RequestBatch(Display* display);
    // Replies not read are discarded, so none waits in the connection for ever.
    ~RequestBatch();
    RequestBatch(const RequestBatch&) = delete;
    RequestBatch& operator=(const RequestBatch&) = delete;

    void property(Window window, Atom property, long maxLongs);
    void attributes(Window window);
    void tree(Window window);
    void geometry(Drawable drawable);
    void shapeExtents(Window window);
    // Waits for every reply and files it; the batch is empty afterwards.
    void readInto(WindowSnapshot& snapshot);

private:
    enum class Kind { property, attributes, tree, geometry, shape };
    struct Pending {
        Kind kind;
        Window window;
        Atom property;
        long maxLongs;
        unsigned int sequence;
    };
    xcb_connection_t* connection_;
    std::vector<Pending> pending_;
    std::size_t next_ = 0; // the first reply not read yet
};

} // namespace zorvane::x11
