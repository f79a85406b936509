// remorra-post: plays the parts of the shell and of the user that a test
// cannot reach through Wine's notification area. Posts to the running copy's
// main window:
//   remorra-post restore          the restore request of another process
//   remorra-post tray MOUSE       the icon's callback (lbuttondblclk, rbuttondown)
//   remorra-post command ID       a menu command (32772 is the tray's "Exit")
//   remorra-post minimize         the title bar's minimise
//   remorra-post keys SECONDS     a focused window titled "remorra-keys" that
//                                 prints "down 0x%02X" / "up 0x%02X" for each
//                                 key event reaching it, for SECONDS
// Exit status 0 when posted, 1 when no copy runs, 2 on bad usage.
#include "app/ProcessServices.h"
#include "app/win32/MainWindowWin32.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

LRESULT CALLBACK KeysProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
        std::printf("%s 0x%02X\n", down ? "down" : "up", static_cast<unsigned>(wParam));
        std::fflush(stdout);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

int RecordKeys(unsigned seconds) {
    WNDCLASSA cls{};
    cls.lpfnWndProc = &KeysProc;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = "RemorraKeys";
    if (!RegisterClassA(&cls)) return 1;
    HWND w = CreateWindowA("RemorraKeys", "remorra-keys", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                           nullptr, nullptr, cls.hInstance, nullptr);
    if (!w) return 1;
    SetForegroundWindow(w);
    SetFocus(w);
    SetTimer(w, 1, seconds * 1000, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == w) {
            DestroyWindow(w);
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    using namespace remorra::app;
    if (argc == 3 && std::strcmp(argv[1], "keys") == 0)
        return RecordKeys(static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)));
    if (argc == 2 && std::strcmp(argv[1], "restore") == 0) return SendRestoreRequest() ? 0 : 1;
    HWND main = FindRunningMainWindow();
    if (argc == 3 && std::strcmp(argv[1], "tray") == 0) {
        UINT mouse = 0;
        if (std::strcmp(argv[2], "lbuttondblclk") == 0) mouse = WM_LBUTTONDBLCLK;
        else if (std::strcmp(argv[2], "rbuttondown") == 0) mouse = WM_RBUTTONDOWN;
        else return 2;
        return main && PostMessageA(main, WM_USER + 1, 1, mouse) ? 0 : 1;
    }
    if (argc == 3 && std::strcmp(argv[1], "command") == 0)
        return main && PostMessageA(main, WM_COMMAND, std::strtoul(argv[2], nullptr, 0), 0) ? 0 : 1;
    if (argc == 2 && std::strcmp(argv[1], "minimize") == 0)
        return main && PostMessageA(main, WM_SYSCOMMAND, SC_MINIMIZE, 0) ? 0 : 1;
    std::fprintf(stderr, "usage: remorra-post restore | tray lbuttondblclk|rbuttondown | command ID | minimize"
                         " | keys SECONDS\n");
    return 2;
}
