// The native views under Wine: what the resource script puts in each
// template, and the main window's own message handling over the shared core.
#include "../program/ProgramSupport.h"
#include "app/Config.h"
#include "app/ProcessServices.h"
#include "app/RemoteMaps.h"
#include "app/RemorraDlgCore.h"
#include "keys/KeyBinding.h"
#include "keys/KeyOutput.h"
#include "platform/discovery/CaptureDevices.h"
#include "platform/tuner/SimTunerCard.h"
#include "win32ui/Dialogs.h"
#include "win32ui/RemorraDlg.h"
#include "win32ui/RemoteControlDlg.h"
#include "win32ui/TrayDialog.h"
#include "win32ui/resource.h"

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace remorra;
using namespace remorra::win32ui;

namespace {

std::string Text(HWND w) {
    char text[256] = {};
    GetWindowTextA(w, text, sizeof text);
    return text;
}

std::string ClassOf(HWND w) {
    char name[64] = {};
    GetClassNameA(w, name, sizeof name);
    return name;
}

// Delivers the posted messages, as the modal loop would.
void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// A child's rectangle in dialog units of its dialog.
RECT DialogUnitsOf(HWND dlg, HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
    RECT unit{0, 0, 4, 8}; // 4 x 8 units in pixels
    MapDialogRect(dlg, &unit);
    return {MulDiv(r.left, 4, unit.right), MulDiv(r.top, 8, unit.bottom), MulDiv(r.right - r.left, 4, unit.right),
            MulDiv(r.bottom - r.top, 8, unit.bottom)};
}

INT_PTR CALLBACK Inert(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

struct Template {
    HWND hwnd;
    explicit Template(int id)
        : hwnd(CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), nullptr, &Inert, 0)) {}
    ~Template() { DestroyWindow(hwnd); }
    HWND item(int id) const { return GetDlgItem(hwnd, id); }
    // Client size in dialog units.
    SIZE size() const {
        RECT c{};
        GetClientRect(hwnd, &c);
        RECT unit{0, 0, 4, 8};
        MapDialogRect(hwnd, &unit);
        return {MulDiv(c.right, 4, unit.right), MulDiv(c.bottom, 8, unit.bottom)};
    }
};

class Win32Views : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&classes);
    }
};

TEST_F(Win32Views, TemplatesHaveTheirCaptionsSizesAndControls) {
    struct Control {
        int id;
        const char* cls;
        const char* text;
    };
    struct Case {
        int id;
        const char* caption;
        SIZE size;
        std::vector<Control> controls;
    };
    const Case cases[] = {
        {IDD_ABOUTBOX, "About Remorra", {276, 84}, {{IDOK, "Button", "OK"}, {IDC_VERSION, "Static", ""}}},
        {IDD_REMORRA_DIALOG,
         "Remorra",
         {318, 309},
         {{IDC_PROFILE_COMBO, "ComboBox", ""},
          {IDC_NEW, "Button", "New"},
          {IDC_SAVE, "Button", "Save"},
          {IDC_DEL, "Button", "Del"},
          {IDC_APPLY, "Button", "Apply"},
          {IDC_OPTION, "Button", "Option"}}},
        {IDD_INPUTFILENAME,
         "InputFileName",
         {186, 64},
         {{IDC_PROFILE_NAME, "Edit", ""}, {IDOK, "Button", "OK"}, {IDCANCEL, "Button", "Cancel"}}},
        {IDD_CHOOSEDEVICE,
         "Choose Device",
         {282, 125},
         {{IDC_DEVICE_LIST, "ListBox", ""}, {IDOK, "Button", "OK"}, {IDCANCEL, "Button", "Cancel"}}},
        {IDD_OPTION,
         "Remorra Option",
         {186, 90},
         {{IDC_START_AND_HIDE, "Button", "Start and Hide"},
          {IDC_REMEMBER_DEVICE, "Button", "Remember device select"},
          {IDOK, "Button", "OK"},
          {IDCANCEL, "Button", "Cancel"}}},
        {IDD_REMOTECONTROL,
         "Remote control",
         {400, 300},
         {{IDC_RC_MAP, "ComboBox", ""},
          {IDC_RC_BUTTONS, "ListBox", ""},
          {IDC_RC_CODES, "ListBox", ""},
          {IDC_RC_KEY, "Edit", ""},
          {IDC_RC_BIND, "Button", "&Bind"},
          {IDC_RC_UNBIND, "Button", "&Unbind"},
          {IDC_RC_DELAY, "Edit", ""},
          {IDC_RC_PERIOD, "Edit", ""},
          {IDC_RC_SAVE, "Button", "&Save"},
          {IDC_RC_STATUS, "Static", ""},
          {IDC_RC_INUSE, "ListBox", ""},
          {IDC_RC_SWITCH, "Button", "S&witch"},
          {IDCANCEL, "Button", "Close"}}},
        {IDD_APPLICATIONS,
         "Applications",
         {260, 70},
         {{IDC_APPLICATIONS_PROMPT, "Static", ""},
          {IDC_APPLICATIONS_LIST, "Edit", ""},
          {IDOK, "Button", "OK"},
          {IDCANCEL, "Button", "Cancel"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        Template t(c.id);
        ASSERT_NE(t.hwnd, nullptr);
        EXPECT_EQ(Text(t.hwnd), c.caption);
        EXPECT_EQ(t.size().cx, c.size.cx);
        EXPECT_EQ(t.size().cy, c.size.cy);
        for (const Control& k : c.controls) {
            SCOPED_TRACE(k.id);
            HWND item = t.item(k.id);
            ASSERT_NE(item, nullptr);
            EXPECT_EQ(ClassOf(item), k.cls);
            EXPECT_EQ(Text(item), k.text);
        }
    }
}

// Every slot's field in its row and column, with its label beside it.
TEST_F(Win32Views, MainTemplateHasTheKeyGrid) {
    struct Place {
        int id, row;
        bool right;
    };
    const Place places[] = {{1001, 1, true},  {1004, 1, false}, {1006, 6, true},   {1013, 5, false}, {1007, 3, false},
                            {1008, 4, false}, {1014, 3, true},  {1015, 4, true},   {1009, 5, true},  {1016, 6, false},
                            {1010, 7, false}, {1017, 7, true},  {1011, 9, false},  {1018, 2, true},  {1012, 8, false},
                            {1019, 8, true},  {1005, 12, true}, {1024, 2, false},  {1025, 9, true},  {1026, 12, false},
                            {1029, 10, false}, {1027, 11, false}, {1028, 11, true}, {1030, 10, true}, {1023, 0, false}};
    Template t(IDD_REMORRA_DIALOG);
    ASSERT_NE(t.hwnd, nullptr);
    const LONG style = GetWindowLongA(t.hwnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(GetWindowLongA(t.hwnd, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    for (std::size_t slot = 0; slot < keys::kKeySlots.size(); ++slot) {
        const keys::KeySlotInfo& info = keys::kKeySlots[slot];
        SCOPED_TRACE(info.label);
        ASSERT_EQ(places[slot].id, info.controlId);
        HWND field = t.item(info.controlId);
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(ClassOf(field), HOTKEY_CLASSA);
        const RECT r = DialogUnitsOf(t.hwnd, field);
        const Place p = places[slot];
        const int x = p.row == 0 ? 97 : p.right ? 210 : 58;
        const int y = p.row == 0 ? 284 : 56 + 19 * (p.row - 1);
        EXPECT_EQ(r.left, x);
        EXPECT_EQ(r.top, y);
        EXPECT_EQ(r.right, 93);
        EXPECT_EQ(r.bottom, 13);
        // The label is the static control just before the field in tab order.
        HWND label = GetWindow(field, GW_HWNDPREV);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(Text(label), info.label);
        EXPECT_EQ(DialogUnitsOf(t.hwnd, label).top, y + 2);
    }
}

TEST_F(Win32Views, MenuStringAndIconResources) {
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TRAYMENU));
    ASSERT_NE(menu, nullptr);
    HMENU popup = GetSubMenu(menu, 0);
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(GetMenuItemCount(popup), 3);
    char text[64] = {};
    const std::pair<const char*, int> items[] = {
        {"ShowWindow", ID_TRAY_SHOWWINDOW}, {"Remote control...", ID_TRAY_REMOTECONTROL}, {"Exit", ID_TRAY_EXIT}};
    for (int i = 0; i < 3; ++i) {
        GetMenuStringA(popup, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(text, items[i].first);
        EXPECT_EQ(GetMenuItemID(popup, i), static_cast<UINT>(items[i].second));
    }
    DestroyMenu(menu);

    ASSERT_GT(LoadStringA(GetModuleHandleA(nullptr), IDS_ABOUTBOX, text, sizeof text), 0);
    EXPECT_STREQ(text, kAboutMenuText);

    for (int size : {16, 32, 48}) {
        HICON icon = static_cast<HICON>(
            LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON, size, size, 0));
        EXPECT_NE(icon, nullptr) << size;
        if (icon) DestroyIcon(icon);
    }
}

TEST_F(Win32Views, TrayMouseMessagesMapAsTheShellSendsThem) {
    const std::pair<UINT, TrayMouse> cases[] = {
        {WM_LBUTTONDOWN, TrayMouse::LButtonDown},     {WM_LBUTTONUP, TrayMouse::LButtonUp},
        {WM_LBUTTONDBLCLK, TrayMouse::LButtonDblClk}, {WM_RBUTTONDOWN, TrayMouse::RButtonDown},
        {WM_RBUTTONUP, TrayMouse::RButtonUp},         {WM_RBUTTONDBLCLK, TrayMouse::RButtonDblClk},
        {WM_CONTEXTMENU, TrayMouse::ContextMenu},     {WM_MOUSEMOVE, TrayMouse::MouseMove},
        {WM_MBUTTONDOWN, TrayMouse::Other},
    };
    for (const auto& [message, mouse] : cases) EXPECT_EQ(TrayMouseFromMessage(message), mouse) << message;
}

struct MainWindow {
    test::IsolatedProgramEnv env;
    test::OneCardStartup startup;
    std::unique_ptr<CRemorraDlg> dlg;

    MainWindow() : dlg(std::make_unique<CRemorraDlg>(startup.services())) {}
    ~MainWindow() {
        dlg->DestroyWindow();
        dlg->Core().Shutdown();
    }
    HWND hwnd() const { return dlg->Window(); }
    HWND item(int id) const { return GetDlgItem(hwnd(), id); }
    void writeProfile(const std::string& name) const {
        const auto folder = env.root / "docs" / "Remorra" / "Profile";
        std::filesystem::create_directories(folder);
        std::filesystem::copy_file(std::filesystem::path(REMORRA_SOURCE_DIR) / "data" / "Original.xml",
                                   folder / (name + ".xml"));
    }
};

TEST_F(Win32Views, StartUpShowsTitleSystemMenuItemAndBuiltInProfile) {
    MainWindow w;
    ASSERT_TRUE(w.dlg->Create());
    EXPECT_EQ(Text(w.hwnd()), "Remorra Version: 1.0.1.0 ");
    HMENU system = GetSystemMenu(w.hwnd(), FALSE);
    ASSERT_NE(system, nullptr);
    const int n = GetMenuItemCount(system);
    ASSERT_GE(n, 2);
    EXPECT_EQ(GetMenuItemID(system, n - 1), static_cast<UINT>(IDM_ABOUTBOX));
    char text[64] = {};
    GetMenuStringA(system, static_cast<UINT>(n - 1), text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "&About Remorra...");
    EXPECT_TRUE(GetMenuState(system, static_cast<UINT>(n - 2), MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(GetMenuItemID(system, n - 3), static_cast<UINT>(IDM_APPLICATIONS));

    EXPECT_EQ(Text(w.item(IDC_PROFILE_COMBO)), kBuiltInProfile);
    for (const keys::KeySlotInfo& info : keys::kKeySlots)
        EXPECT_FALSE(IsWindowEnabled(w.item(info.controlId))) << info.label;
    EXPECT_STREQ(w.dlg->IconData().szTip, kTrayTooltip);
    EXPECT_TRUE(w.dlg->IconData().hasIcon);
}

// Field contents reach the bindings only through Apply, Enter or a
// selection; Enter and Escape never end the window.
TEST_F(Win32Views, EnterAppliesTheFieldsEscapeIsSwallowed) {
    MainWindow w;
    w.writeProfile("Movie");
    ASSERT_TRUE(w.dlg->Create());
    SendMessageA(w.item(IDC_PROFILE_COMBO), CB_SETCURSEL, 1, 0);
    SendMessageA(w.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_PROFILE_COMBO, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(w.item(IDC_PROFILE_COMBO)));
    ASSERT_EQ(w.dlg->Editor().selection(), 1);
    HWND power = w.item(keys::kKeySlots[0].controlId);
    EXPECT_TRUE(IsWindowEnabled(power));
    SendMessageA(power, HKM_SETHOTKEY, MAKEWORD('P', HOTKEYF_CONTROL | HOTKEYF_ALT), 0);
    EXPECT_EQ(w.dlg->Editor().AppliedBindings()[0].m_dwVirtualKey, 0u);

    MSG escape{power, WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
    EXPECT_TRUE(w.dlg->PreTranslateMessage(escape));
    EXPECT_EQ(w.dlg->Editor().AppliedBindings()[0].m_dwVirtualKey, 0u);
    MSG enter{power, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    EXPECT_TRUE(w.dlg->PreTranslateMessage(enter));
    const KeyBinding b = w.dlg->Editor().AppliedBindings()[0];
    EXPECT_EQ(b.m_dwVirtualKey, static_cast<std::uint32_t>('P'));
    EXPECT_EQ(b.m_bCtrl, 1);
    EXPECT_EQ(b.m_bAlt, 1);
    EXPECT_EQ(b.m_bShift, 0);
    EXPECT_FALSE(w.dlg->Ended());

    // Keys of other windows are not the main window's business.
    MSG elsewhere{nullptr, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    EXPECT_FALSE(w.dlg->PreTranslateMessage(elsewhere));
}

TEST_F(Win32Views, TrayCallbackAnswersOnlyForItsIconAndExitEnds) {
    MainWindow w;
    ASSERT_TRUE(w.dlg->Create());
    EXPECT_EQ(SendMessageA(w.hwnd(), WM_USER + 1, 2, WM_LBUTTONDOWN), 0);
    EXPECT_EQ(SendMessageA(w.hwnd(), WM_USER + 1, 1, WM_MOUSEMOVE), 1);
    EXPECT_FALSE(w.dlg->Ended());
    SendMessageA(w.hwnd(), WM_COMMAND, MAKEWPARAM(ID_TRAY_EXIT, 0), 0);
    EXPECT_TRUE(w.dlg->Ended());
}

TEST_F(Win32Views, MinimiseGoesToTheTrayAndTheRestoreMessageBringsItBack) {
    MainWindow w;
    ASSERT_TRUE(w.dlg->Create());
    ShowWindow(w.hwnd(), SW_SHOW);
    SendMessageA(w.hwnd(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    if (!w.dlg->InTray()) GTEST_SKIP() << "no notification area in this session";
    EXPECT_FALSE(IsWindowVisible(w.hwnd()));
    SendMessageA(w.hwnd(), app::kRestoreWindowMessage, 0, 0);
    EXPECT_FALSE(w.dlg->InTray());
    EXPECT_TRUE(IsWindowVisible(w.hwnd()));
    // Found as another process finds it.
    SendMessageA(w.hwnd(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(app::SendRestoreRequest());
    Pump();
    EXPECT_TRUE(IsWindowVisible(w.hwnd()));
}

// What a low-level keyboard hook sees of the strokes this process sends.
struct SeenStrokes {
    std::mutex m;
    std::condition_variable cv;
    std::vector<KBDLLHOOKSTRUCT> strokes;
};
SeenStrokes* g_seen = nullptr;

LRESULT CALLBACK RecordStroke(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        std::lock_guard lock(g_seen->m);
        g_seen->strokes.push_back(*reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam));
        g_seen->cv.notify_all();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(Win32Views, KeyStrokesCarryScanCodeZero) {
    SeenStrokes seen;
    g_seen = &seen;
    std::promise<DWORD> hooked;
    // The hook runs in its own thread's message loop, whatever the sender does.
    std::thread hookThread([&hooked] {
        HHOOK hook = SetWindowsHookExA(WH_KEYBOARD_LL, RecordStroke, GetModuleHandleA(nullptr), 0);
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE); // the thread's queue, for WM_QUIT
        hooked.set_value(hook ? GetCurrentThreadId() : 0);
        while (hook && GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
        if (hook) UnhookWindowsHookEx(hook);
    });
    const DWORD hookThreadId = hooked.get_future().get();
    if (hookThreadId != 0) {
        unsetenv("REMORRA_KEYS");
        auto out = keys::CreateKeyOutput();
        out->keyDown(VK_SHIFT);
        out->keyUp(VK_SHIFT);
        std::unique_lock lock(seen.m);
        seen.cv.wait_for(lock, std::chrono::seconds(10), [&] { return seen.strokes.size() >= 2; });
    } // unlocked before the hook thread is ended: it may still record
    PostThreadMessageA(hookThreadId, WM_QUIT, 0, 0);
    hookThread.join();
    g_seen = nullptr;
    ASSERT_NE(hookThreadId, 0u) << "no low-level keyboard hook";
    ASSERT_EQ(seen.strokes.size(), 2u);
    for (const KBDLLHOOKSTRUCT& s : seen.strokes) {
        EXPECT_EQ(s.vkCode, static_cast<DWORD>(VK_SHIFT));
        EXPECT_EQ(s.scanCode, 0u);
    }
    EXPECT_TRUE(seen.strokes[1].flags & LLKHF_UP);
}

} // namespace

namespace {
std::string ListLine(HWND list, int at) {
    const LRESULT n = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(at), 0);
    if (n < 0) return {};
    std::string text(static_cast<std::size_t>(n) + 1, '\0');
    SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(n));
    return text;
}
} // namespace

// A code queued as a decoder thread queues it is posted to the window and
// listed; with Bind armed the next new press binds the button, Save writes it.
TEST_F(Win32Views, RemoteControlListsPostedCodesAndBindsByPressing) {
    test::IsolatedProgramEnv env;
    RecordingMessageBox box;
    CRemoteControlDlg dlg(box, ConfigFilePath());
    HWND w = dlg.Create(nullptr);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(Text(GetDlgItem(w, IDC_RC_MAP)), "remote");
    HWND codes = GetDlgItem(w, IDC_RC_CODES);

    dlg.Session().onIrCode({keys::IrProtocol::Rc6Mce, 0x800f0422, false, false});
    Pump();
    ASSERT_EQ(SendMessageA(codes, LB_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(ListLine(codes, 0), "rc6_mce 0x800f0422 toggle 0 repeat 0");

    SetDlgItemTextA(w, IDC_RC_KEY, "KEY_UP");
    SendMessageA(w, WM_COMMAND, MAKEWPARAM(IDC_RC_BIND, BN_CLICKED), 0);
    dlg.Session().onIrCode({keys::IrProtocol::Rc6Mce, 0x800f041e, true, false});
    Pump();
    HWND buttons = GetDlgItem(w, IDC_RC_BUTTONS);
    bool listed = false;
    for (int i = 0; i < SendMessageA(buttons, LB_GETCOUNT, 0, 0); ++i)
        listed = listed || ListLine(buttons, i) == "KEY_UP\tUp\trc6_mce 0x800f041e";
    EXPECT_TRUE(listed);
    SendMessageA(w, WM_COMMAND, MAKEWPARAM(IDC_RC_SAVE, BN_CLICKED), 0);
    std::ifstream saved(RemotesFolder() + "remote.toml");
    const std::string text((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("0x800f041e = \"KEY_UP\""), std::string::npos) << text;
    // The saved map is listed in use; switching it writes the choice.
    HWND inUse = GetDlgItem(w, IDC_RC_INUSE);
    ASSERT_EQ(SendMessageA(inUse, LB_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(ListLine(inUse, 0), "[x] remote");
    SendMessageA(inUse, LB_SETCURSEL, 0, 0);
    SendMessageA(w, WM_COMMAND, MAKEWPARAM(IDC_RC_SWITCH, BN_CLICKED), 0);
    EXPECT_EQ(ListLine(inUse, 0), "[  ] remote");
    EXPECT_TRUE(LoadActiveRemoteMaps(ConfigFilePath()).maps.empty());
    EXPECT_TRUE(box.shown.empty());
    DestroyWindow(w);
}
