// remorra-post: plays the parts of the shell and of the user that a test
// cannot reach through Wine's notification area. Posts to the running copy's
// main window:
//   remorra-post restore          the restore request of another process
//   remorra-post tray MOUSE       the icon's callback (lbuttondblclk, rbuttondown)
//   remorra-post command ID       a menu command (32772 is the tray's "Exit")
//   remorra-post minimize         the title bar's minimise
// Exit status 0 when posted, 1 when no copy runs, 2 on bad usage.
#include "app/ProcessServices.h"
#include "app/win32/MainWindowWin32.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    using namespace remorra::app;
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
    std::fprintf(stderr, "usage: remorra-post restore | tray lbuttondblclk|rbuttondown | command ID | minimize\n");
    return 2;
}
