#include "tests/app/x11_windows.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace tarvos::testing {
namespace {

// xcb replies are malloc'ed and freed by the caller.
struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

std::string Latin1ToUtf8(const char* text, int length) {
    std::string out;
    for (int i = 0; i < length; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Managed frames hold the client one level below; deeper windows are a program's own widgets.
constexpr int kMaxDepth = 2;
// Titles longer than this many 32-bit units are cut; the wanted text is near the start.
constexpr std::uint32_t kTitleUnits = 1024;

}  // namespace

std::unique_ptr<X11Display> X11Display::Connect(std::string* error) {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') {
        *error = "DISPLAY is not set";
        return nullptr;
    }
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection) != 0) {
        xcb_disconnect(connection);
        *error = std::string("cannot connect to the X display ") + name;
        return nullptr;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i) xcb_screen_next(&screens);
    if (screens.rem == 0) {
        xcb_disconnect(connection);
        *error = std::string("the X display ") + name + " has no such screen";
        return nullptr;
    }
    std::unique_ptr<X11Display> display(new X11Display(connection, screens.data->root));
    display->netWmName_ = display->Atom("_NET_WM_NAME");
    return display;
}

X11Display::X11Display(xcb_connection_t* connection, std::uint32_t root) : connection_(connection), root_(root) {}

X11Display::~X11Display() { xcb_disconnect(connection_); }

std::uint32_t X11Display::Atom(const char* name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection_, cookie, nullptr));
    return reply ? reply->atom : static_cast<std::uint32_t>(XCB_ATOM_NONE);
}

// The EWMH title (UTF-8) when there is one, else the ICCCM title (Latin-1 when typed STRING).
std::string X11Display::Title(std::uint32_t window) {
    for (const xcb_atom_t property : {static_cast<xcb_atom_t>(netWmName_), static_cast<xcb_atom_t>(XCB_ATOM_WM_NAME)}) {
        if (property == XCB_ATOM_NONE) continue;
        const xcb_get_property_cookie_t cookie =
            xcb_get_property(connection_, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, kTitleUnits);
        const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection_, cookie, nullptr));
        if (!reply || reply->format != 8) continue;
        const int length = xcb_get_property_value_length(reply.get());
        if (length <= 0) continue;
        const auto* text = static_cast<const char*>(xcb_get_property_value(reply.get()));
        if (reply->type == XCB_ATOM_STRING) return Latin1ToUtf8(text, length);
        return std::string(text, static_cast<std::size_t>(length));
    }
    return {};
}

void X11Display::Collect(std::uint32_t parent, int depth, std::vector<X11Window>* out) {
    const Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(connection_, xcb_query_tree(connection_, parent), nullptr));
    if (!tree) return;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    for (int i = 0; i < count; ++i) {
        const xcb_window_t child = children[i];
        // A window may vanish between the tree and these questions; it is then skipped.
        const Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(connection_, xcb_get_window_attributes(connection_, child), nullptr));
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE) continue;
        std::string title = Title(child);
        if (title.empty()) {
            if (depth < kMaxDepth) Collect(child, depth + 1, out);
            continue;
        }
        const Reply<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, child), nullptr));
        const Reply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(
            connection_, xcb_translate_coordinates(connection_, child, root_, 0, 0), nullptr));
        if (!geometry || !origin) continue;
        out->push_back({child, std::move(title), origin->dst_x, origin->dst_y, geometry->width, geometry->height});
    }
}

std::vector<X11Window> X11Display::TitledWindows() {
    std::vector<X11Window> windows;
    Collect(root_, 1, &windows);
    return windows;
}

}  // namespace tarvos::testing
