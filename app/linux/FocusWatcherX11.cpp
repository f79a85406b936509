// The focused application from the window manager's _NET_ACTIVE_WINDOW, on an
// X connection of the watcher's own (Xlib connections are not shared between
// threads here).
#include "app/FocusWatcher.h"

#include "keys/linux/XDisplayErrors.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <atomic>
#include <cerrno>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace remorra::app {
namespace {

class X11FocusWatcher final : public IBackgroundService {
public:
    X11FocusWatcher(Display* display, int stopPipe[2], std::function<void(std::vector<std::string>)> onFocus)
        : m_display(display), m_onFocus(std::move(onFocus))
    {
        m_stop[0] = stopPipe[0];
        m_stop[1] = stopPipe[1];
        keys::RegisterDisplay(m_display);
        m_root = DefaultRootWindow(m_display);
        m_activeAtom = XInternAtom(m_display, "_NET_ACTIVE_WINDOW", False);
        m_pidAtom = XInternAtom(m_display, "_NET_WM_PID", False);
        XSelectInput(m_display, m_root, PropertyChangeMask);
        XFlush(m_display);
        m_thread = std::thread([this] { loop(); });
    }
    ~X11FocusWatcher() override
    {
        const char byte = 0;
        [[maybe_unused]] const ssize_t n = ::write(m_stop[1], &byte, 1);
        m_thread.join();
        XCloseDisplay(m_display);
        keys::UnregisterDisplay(m_display);
        ::close(m_stop[0]);
        ::close(m_stop[1]);
    }

private:
    void loop()
    {
        report();
        for (;;) {
            bool changed = false;
            while (XPending(m_display) > 0) {
                XEvent ev;
                XNextEvent(m_display, &ev);
                changed |= ev.type == PropertyNotify && ev.xproperty.atom == m_activeAtom;
            }
            if (changed)
                report();
            pollfd fds[2] = {{ConnectionNumber(m_display), POLLIN, 0}, {m_stop[0], POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0 && errno != EINTR)
                return;
            if (fds[1].revents || (fds[0].revents & (POLLHUP | POLLERR)))
                return;
        }
    }

    Window activeWindow()
    {
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char* data = nullptr;
        Window w = None;
        // Any type: window managers write WINDOW, some tools CARDINAL.
        if (XGetWindowProperty(m_display, m_root, m_activeAtom, 0, 1, False, AnyPropertyType, &type, &format, &count,
                               &after, &data) == Success &&
            data && count == 1 && format == 32)
            w = static_cast<Window>(*reinterpret_cast<unsigned long*>(data));
        if (data)
            XFree(data);
        return w;
    }

    bool ours(Window w)
    {
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char* data = nullptr;
        bool mine = false;
        if (XGetWindowProperty(m_display, w, m_pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after,
                               &data) == Success &&
            data && count == 1 && format == 32)
            mine = static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data)) == ::getpid();
        if (data)
            XFree(data);
        return mine;
    }

    void report()
    {
        const Window w = activeWindow();
        std::vector<std::string> names;
        if (w != None) {
            if (ours(w))
                return;
            XClassHint hint{};
            if (XGetClassHint(m_display, w, &hint)) {
                if (hint.res_name)
                    names.emplace_back(hint.res_name);
                if (hint.res_class)
                    names.emplace_back(hint.res_class);
                XFree(hint.res_name);
                XFree(hint.res_class);
            }
        }
        if (m_reported && names == m_last)
            return;
        m_reported = true;
        m_last = names;
        m_onFocus(std::move(names));
    }

    Display* m_display;
    int m_stop[2];
    std::function<void(std::vector<std::string>)> m_onFocus;
    Window m_root;
    Atom m_activeAtom;
    Atom m_pidAtom;
    bool m_reported = false;
    std::vector<std::string> m_last;
    std::thread m_thread;
};

} // namespace

std::unique_ptr<IBackgroundService> StartFocusWatcher(std::function<void(std::vector<std::string>)> onFocus,
                                                       std::string& error)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        error = "no X display to watch the focus on";
        return nullptr;
    }
    int stop[2];
    if (::pipe2(stop, O_CLOEXEC) != 0) {
        XCloseDisplay(display);
        error = "pipe failed";
        return nullptr;
    }
    return std::make_unique<X11FocusWatcher>(display, stop, std::move(onFocus));
}

} // namespace remorra::app
