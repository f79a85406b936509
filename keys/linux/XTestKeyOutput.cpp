#include "keys/linux/LinuxKeyMap.h"
#include "keys/linux/LinuxKeyOutputs.h"
#include "keys/linux/XDisplayErrors.h"
#include "platform/os/AppLog.h"
#include "platform/os/TimeService.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <linux/input-event-codes.h>
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace remorra::keys {

// Windows may vanish between listing and reading their titles; the default
// Xlib handler would end the process on the resulting BadWindow. Errors on
// other connections still reach whatever handler was installed before.
namespace {
std::atomic<int (*)(Display*, XErrorEvent*)> g_previousHandler{nullptr};
std::mutex g_displaysMutex;
std::vector<Display*> g_ourDisplays;

int OnXError(Display* display, XErrorEvent* error) {
    {
        std::lock_guard lock(g_displaysMutex);
        for (Display* d : g_ourDisplays) {
            if (d == display) return 0;
        }
    }
    auto previous = g_previousHandler.load();
    return previous ? previous(display, error) : 0;
}

} // namespace

void RegisterDisplay(Display* display) {
    std::lock_guard lock(g_displaysMutex);
    if (g_ourDisplays.empty()) {
        auto previous = XSetErrorHandler(OnXError);
        if (previous != OnXError) g_previousHandler.store(previous);
    }
    g_ourDisplays.push_back(display);
}

void UnregisterDisplay(Display* display) {
    std::lock_guard lock(g_displaysMutex);
    std::erase(g_ourDisplays, display);
}

namespace {

class XTestKeyOutput final : public IKeyOutput {
public:
    explicit XTestKeyOutput(Display* display) : m_pDisplay(display) {
        RegisterDisplay(display);
        m_aNetWmName = XInternAtom(display, "_NET_WM_NAME", False);
        m_aUtf8String = XInternAtom(display, "UTF8_STRING", False);
        m_aClientList = XInternAtom(display, "_NET_CLIENT_LIST", False);
        XDisplayKeycodes(display, &m_nMinKeycode, &m_nMaxKeycode);
        m_bEvdevKeycodes = XKeysymToKeycode(display, XK_Escape) == KEY_ESC + kEvdevKeycodeOffset;
    }
    ~XTestKeyOutput() override {
        XCloseDisplay(m_pDisplay);
        UnregisterDisplay(m_pDisplay);
    }

    void keyDown(std::uint8_t vk) override { send(vk, True); }
    void keyUp(std::uint8_t vk) override { send(vk, False); }
    void pause(std::uint32_t ms) override { os::timeService().sleepMs(ms); }
    const char* backendName() const override { return "xtest"; }

    bool windowExists(const char* title) override {
        std::lock_guard lock(m_mutex);
        std::vector<Window> windows = topLevelWindows();
        for (Window w : windows) {
            std::string name;
            if (windowTitle(w, name) && TitleEqualsIgnoreCase(name.c_str(), title)) return true;
        }
        return false;
    }

private:
    void send(std::uint8_t vk, Bool down) {
        std::lock_guard lock(m_mutex);
        const KeyCode code = keycodeOf(vk);
        if (code == 0) {
            if (m_notes.firstTime(vk))
                WriteLog(L"Keyboard output (xtest): no key for virtual-key code 0x%02X, skipped", unsigned{vk});
            return;
        }
        XTestFakeKeyEvent(m_pDisplay, code, down, CurrentTime);
        // A round trip per event keeps the server's order and our pauses in step.
        XSync(m_pDisplay, False);
    }

    // The keysym's keycode in the server's keymap. Keysyms the keymap lacks
    // (F13-F24, Clear, Select... on a usual layout) fall back to the keycode
    // the same key has on an evdev keyboard, when the server numbers its
    // keycodes that way: the key a physical keyboard would send.
    KeyCode keycodeOf(std::uint8_t vk) {
        const auto key = linux_keys::LookupLinuxKey(vk);
        if (key.keysym == 0) return 0;
        const KeyCode code = XKeysymToKeycode(m_pDisplay, key.keysym);
        if (code != 0 || !m_bEvdevKeycodes) return code;
        const int evdevCode = key.evdev + kEvdevKeycodeOffset;
        return evdevCode >= m_nMinKeycode && evdevCode <= m_nMaxKeycode ? static_cast<KeyCode>(evdevCode) : 0;
    }

    // The window manager's client list when there is one, else the root's
    // children and, for untitled ones (frames), their children.
    std::vector<Window> topLevelWindows() {
        std::vector<Window> out;
        const Window root = DefaultRootWindow(m_pDisplay);
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(m_pDisplay, root, m_aClientList, 0, 4096, False, XA_WINDOW, &type, &format, &count,
                               &after, &data) == Success &&
            data && type == XA_WINDOW && format == 32) {
            const auto* ids = reinterpret_cast<const unsigned long*>(data);
            out.assign(ids, ids + count);
        }
        if (data) XFree(data);
        if (!out.empty()) return out;

        Window rootReturn = 0, parent = 0;
        Window* children = nullptr;
        unsigned int n = 0;
        if (XQueryTree(m_pDisplay, root, &rootReturn, &parent, &children, &n) && children) {
            for (unsigned int i = 0; i < n; ++i) {
                out.push_back(children[i]);
                std::string name;
                if (windowTitle(children[i], name)) continue;
                Window* inner = nullptr;
                unsigned int m = 0;
                if (XQueryTree(m_pDisplay, children[i], &rootReturn, &parent, &inner, &m) && inner) {
                    out.insert(out.end(), inner, inner + m);
                    XFree(inner);
                }
            }
            XFree(children);
        }
        return out;
    }

    bool windowTitle(Window w, std::string& name) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        bool found = false;
        if (XGetWindowProperty(m_pDisplay, w, m_aNetWmName, 0, 1024, False, m_aUtf8String, &type, &format, &count,
                               &after, &data) == Success &&
            data && type == m_aUtf8String && format == 8) {
            name.assign(reinterpret_cast<const char*>(data), count);
            found = true;
        }
        if (data) XFree(data);
        if (found) return true;
        XTextProperty text{};
        if (XGetWMName(m_pDisplay, w, &text) && text.value) {
            if (text.format == 8) {
                name.assign(reinterpret_cast<const char*>(text.value), text.nitems);
                found = true;
            }
            XFree(text.value);
        }
        return found;
    }

    Display* m_pDisplay;
    std::mutex m_mutex; // the window thread (RC6 keys) and the key thread share the connection
    UnmappedKeyNotes m_notes;
    static constexpr int kEvdevKeycodeOffset = 8;
    int m_nMinKeycode = 0;
    int m_nMaxKeycode = 0;
    bool m_bEvdevKeycodes = false;
    Atom m_aNetWmName = None;
    Atom m_aUtf8String = None;
    Atom m_aClientList = None;
};

} // namespace

std::unique_ptr<IKeyOutput> CreateXTestKeyOutput(const char* displayName) {
    Display* display = XOpenDisplay(displayName);
    if (!display) return nullptr;
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) {
        WriteLog(L"Keyboard output: the X server has no XTest extension");
        XCloseDisplay(display);
        return nullptr;
    }
    return std::make_unique<XTestKeyOutput>(display);
}

} // namespace remorra::keys
