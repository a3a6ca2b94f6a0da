// X11Batch: requests sent together through XCB, their replies read after.
#include "platform/x11/X11Batch.h"

#include <X11/Xlib-xcb.h>
#include <xcb/shape.h>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace zorvane::x11 {

namespace {

struct FreeDeleter {
    void operator()(void* data) const { std::free(data); }
};
template <typename T> using XcbPtr = std::unique_ptr<T, FreeDeleter>;

// The reply, or nothing when the request failed; its error is freed here and goes nowhere else.
template <typename Reply, typename Cookie, typename Read>
XcbPtr<Reply> take(xcb_connection_t* connection, unsigned int sequence, Read read) {
    xcb_generic_error_t* error = nullptr;
    XcbPtr<Reply> reply(read(connection, Cookie{sequence}, &error));
    XcbPtr<xcb_generic_error_t> freeError(error);
    if (error != nullptr)
        return nullptr;
    return reply;
}

// As Xlib returns a property: format-32 items widened to long (sign included), 16-bit items as
// unsigned short, nothing for an absent property.
std::optional<Property> toProperty(const xcb_get_property_reply_t* reply) {
    if (reply == nullptr || reply->type == XCB_ATOM_NONE)
        return std::nullopt;
    Property result;
    result.type = reply->type;
    result.format = reply->format;
    result.items = reply->value_len;
    const void* value = xcb_get_property_value(reply);
    const auto length = static_cast<std::size_t>(xcb_get_property_value_length(reply));
    if (reply->format == 8) {
        const auto* bytes = static_cast<const unsigned char*>(value);
        result.bytes.assign(bytes, bytes + std::min<std::size_t>(reply->value_len, length));
    } else if (reply->format == 32) {
        const auto* values = static_cast<const std::int32_t*>(value);
        for (std::size_t i = 0; i < std::min<std::size_t>(reply->value_len, length / 4); ++i)
            result.longs.push_back(static_cast<unsigned long>(static_cast<long>(values[i])));
    } else if (reply->format == 16) {
        const auto* values = static_cast<const std::uint16_t*>(value);
        for (std::size_t i = 0; i < std::min<std::size_t>(reply->value_len, length / 2); ++i)
            result.longs.push_back(values[i]);
    } else {
        return std::nullopt;
    }
    return result;
}

} // namespace

RequestBatch::RequestBatch(Display* display) : connection_(XGetXCBConnection(display)) {}

RequestBatch::~RequestBatch() {
    for (std::size_t i = next_; i < pending_.size(); ++i)
        xcb_discard_reply(connection_, pending_[i].sequence);
}

void RequestBatch::property(Window window, Atom property, long maxLongs) {
    const auto cookie =
        xcb_get_property(connection_, 0, static_cast<xcb_window_t>(window), static_cast<xcb_atom_t>(property),
                         XCB_GET_PROPERTY_TYPE_ANY, 0, static_cast<std::uint32_t>(maxLongs));
    pending_.push_back({Kind::property, window, property, maxLongs, cookie.sequence});
}

void RequestBatch::attributes(Window window) {
    const auto cookie = xcb_get_window_attributes(connection_, static_cast<xcb_window_t>(window));
    pending_.push_back({Kind::attributes, window, None, 0, cookie.sequence});
}

void RequestBatch::tree(Window window) {
    const auto cookie = xcb_query_tree(connection_, static_cast<xcb_window_t>(window));
    pending_.push_back({Kind::tree, window, None, 0, cookie.sequence});
}

void RequestBatch::geometry(Drawable drawable) {
    const auto cookie = xcb_get_geometry(connection_, static_cast<xcb_drawable_t>(drawable));
    pending_.push_back({Kind::geometry, drawable, None, 0, cookie.sequence});
}

void RequestBatch::shapeExtents(Window window) {
    const auto cookie = xcb_shape_query_extents(connection_, static_cast<xcb_window_t>(window));
    pending_.push_back({Kind::shape, window, None, 0, cookie.sequence});
}

void RequestBatch::readInto(WindowSnapshot& snapshot) {
    while (next_ < pending_.size()) {
        const Pending request = pending_[next_++];
        switch (request.kind) {
        case Kind::property: {
            const auto reply = take<xcb_get_property_reply_t, xcb_get_property_cookie_t>(
                connection_, request.sequence, xcb_get_property_reply);
            snapshot.properties[{request.window, request.property}] = {request.maxLongs,
                                                                       toProperty(reply.get())};
            break;
        }
        case Kind::attributes: {
            const auto reply = take<xcb_get_window_attributes_reply_t, xcb_get_window_attributes_cookie_t>(
                connection_, request.sequence, xcb_get_window_attributes_reply);
            snapshot.mapStates[request.window] =
                reply ? std::optional<int>(reply->map_state) : std::optional<int>();
            break;
        }
        case Kind::tree: {
            const auto reply = take<xcb_query_tree_reply_t, xcb_query_tree_cookie_t>(
                connection_, request.sequence, xcb_query_tree_reply);
            if (reply)
                snapshot.trees[request.window] = std::make_pair<Window, Window>(reply->root, reply->parent);
            else
                snapshot.trees[request.window] = std::nullopt;
            break;
        }
        case Kind::geometry: {
            const auto reply = take<xcb_get_geometry_reply_t, xcb_get_geometry_cookie_t>(
                connection_, request.sequence, xcb_get_geometry_reply);
            std::optional<Geometry> geometry;
            if (reply)
                geometry = Geometry{reply->x,    reply->y, reply->width, reply->height, reply->border_width,
                                    reply->depth};
            snapshot.geometries[request.window] = geometry;
            break;
        }
        case Kind::shape: {
            const auto reply = take<xcb_shape_query_extents_reply_t, xcb_shape_query_extents_cookie_t>(
                connection_, request.sequence, xcb_shape_query_extents_reply);
            std::optional<ShapeExtents> extents;
            if (reply)
                extents = ShapeExtents{reply->bounding_shaped != 0, reply->bounding_shape_extents_x,
                                       reply->bounding_shape_extents_y, reply->bounding_shape_extents_width,
                                       reply->bounding_shape_extents_height};
            snapshot.shapes[request.window] = extents;
            break;
        }
        }
    }
    pending_.clear();
    next_ = 0;
}

} // namespace zorvane::x11
