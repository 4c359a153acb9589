#include "app/X11FrameExtents.h"

#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// xcb hands out replies that the caller frees.
struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename Reply> using ReplyPointer = std::unique_ptr<Reply, FreeReply>;

constexpr char FrameExtentsAtomName[] = "_NET_FRAME_EXTENTS";
constexpr std::uint32_t ExtentCount = 4; // left, right, top, bottom

} // namespace

bool OnX11() {
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>() != nullptr;
}

std::optional<QMargins> X11FrameExtents(const QWidget& window) {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr)
        return std::nullopt;
    xcb_connection_t* connection = x11->connection();
    const ReplyPointer<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 1, static_cast<std::uint16_t>(std::strlen(FrameExtentsAtomName)),
                        FrameExtentsAtomName),
        nullptr));
    if (!atom || atom->atom == XCB_ATOM_NONE)
        return std::nullopt;
    const auto windowId = static_cast<xcb_window_t>(window.winId());
    const ReplyPointer<xcb_get_property_reply_t> property(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, windowId, atom->atom, XCB_ATOM_CARDINAL, 0, ExtentCount),
        nullptr));
    if (!property || property->type != XCB_ATOM_CARDINAL || property->format != 32 ||
        xcb_get_property_value_length(property.get()) !=
            static_cast<int>(ExtentCount * sizeof(std::uint32_t)))
        return std::nullopt;
    std::uint32_t extents[ExtentCount] = {};
    std::memcpy(extents, xcb_get_property_value(property.get()), sizeof extents);
    return QMargins(static_cast<int>(extents[0]), static_cast<int>(extents[2]), static_cast<int>(extents[1]),
                    static_cast<int>(extents[3]));
}
