// The windows on an X display as the window smoke test sees them: the mapped top-level windows
// with their titles. Under a bare X server there is no window manager, so a program's windows
// are children of the root window; a manager's frames are looked through one level deep.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct xcb_connection_t;

namespace tarvos::testing {

struct X11Window {
    std::uint32_t id = 0;
    std::string title;  // UTF-8
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

class X11Display {
public:
    // The display named by $DISPLAY; none (and `error` says why) when it cannot be reached.
    static std::unique_ptr<X11Display> Connect(std::string* error);
    ~X11Display();
    X11Display(const X11Display&) = delete;
    X11Display& operator=(const X11Display&) = delete;

    // The viewable windows below the root that carry a title.
    std::vector<X11Window> TitledWindows();

private:
    X11Display(xcb_connection_t* connection, std::uint32_t root);
    std::uint32_t Atom(const char* name);
    std::string Title(std::uint32_t window);
    void Collect(std::uint32_t parent, int depth, std::vector<X11Window>* out);

    xcb_connection_t* connection_;
    std::uint32_t root_;
    std::uint32_t netWmName_ = 0;
};

}  // namespace tarvos::testing
