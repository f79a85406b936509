#include "bench/realtime/XKeyReceiver.h"

#include "platform/os/TimeService.h"

#include <X11/Xlib.h>
#include <sys/select.h>

namespace remorra::bench {

XKeyReceiver::XKeyReceiver(std::vector<std::int64_t>& presses) : m_presses(presses) {
    Display* d = XOpenDisplay(nullptr);
    if (!d) return;
    m_display = d;
    const int screen = DefaultScreen(d);
    const Window w = XCreateSimpleWindow(d, RootWindow(d, screen), 0, 0, 200, 100, 0, 0, 0);
    XSelectInput(d, w, KeyPressMask | StructureNotifyMask);
    XMapWindow(d, w);
    XEvent e;
    do XNextEvent(d, &e);
    while (e.type != MapNotify);
    XSetInputFocus(d, w, RevertToParent, CurrentTime);
    XSync(d, False);
    m_thread = std::thread([this] { run(); });
}

XKeyReceiver::~XKeyReceiver() {
    m_stop.store(true);
    if (m_thread.joinable()) m_thread.join();
    if (m_display) XCloseDisplay(static_cast<Display*>(m_display));
}

void XKeyReceiver::run() {
    Display* d = static_cast<Display*>(m_display);
    const int fd = ConnectionNumber(d);
    std::size_t count = 0;
    while (!m_stop.load()) {
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            if (e.type == KeyPress && count < m_presses.size()) m_presses[count++] = os::timeService().counter();
        }
        fd_set set;
        FD_ZERO(&set);
        FD_SET(fd, &set);
        timeval tv{0, 20'000};
        select(fd + 1, &set, nullptr, nullptr, &tv);
    }
}

} // namespace remorra::bench
