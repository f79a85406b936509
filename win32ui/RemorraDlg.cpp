#include "win32ui/RemorraDlg.h"

#include "platform/os/AppLog.h"
#include "app/Config.h"
#include "app/FocusWatcher.h"
#include "app/ProcessServices.h"
#include "app/RemoteKeyPath.h"
#include "win32ui/RemoteControlDlg.h"
#include "win32ui/Dialogs.h"
#include "win32ui/resource.h"

#include <commctrl.h>

#include <vector>

namespace remorra::win32ui {

namespace {
constexpr const char* kTitle = "Remorra";
// The focus watcher's report is waiting in m_focusNames.
constexpr UINT kFocusChangedMessage = WM_APP + 1;

} // namespace

CRemorraDlg::CRemorraDlg(StartupServices services) : m_box(*services.box), m_ed(*services.box, kTitle) {
    m_hIcon = static_cast<HICON>(LoadImageA(ResourceModule(), MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON,
                                            GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    m_hSmallIcon = static_cast<HICON>(LoadImageA(ResourceModule(), MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON,
                                                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    m_ed.SetPublisher(&m_publisher);
    askName = [this] { return AskProfileName(m_hWnd); };
    services.keySink = this;
    m_core = std::make_unique<CRemorraDlgCore>(static_cast<IRemorraDlgView&>(*this), std::move(services));
}

CRemorraDlg::~CRemorraDlg() {
    m_focusWatcher.reset();
    // The pipeline calls back into this object; it goes before the window.
    m_core.reset();
    DestroyWindow();
    if (m_hIcon) DestroyIcon(m_hIcon);
    if (m_hSmallIcon) DestroyIcon(m_hSmallIcon);
}

bool CRemorraDlg::Create() {
    HWND hwnd = CreateDialogParamA(ResourceModule(), MAKEINTRESOURCEA(IDD_REMORRA_DIALOG), nullptr, &Proc,
                                   reinterpret_cast<LPARAM>(this));
    if (!hwnd) {
        m_bEnded = true;
        return false;
    }
    return !m_bEnded;
}

void CRemorraDlg::RunModalLoop() {
    if (m_bEnded || !m_hWnd) return;
    // A start hidden in the tray has posted its minimise; a window that must
    // not show would otherwise flash up first.
    if (!m_core->StartAndHide()) ShowWindow(m_hWnd, SW_SHOW);
    MSG msg;
    while (!m_bEnded) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) break;
        if (PreTranslateMessage(msg)) continue;
        if (IsDialogMessageA(m_hWnd, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void CRemorraDlg::DestroyWindow() {
    if (m_hWnd && IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

void CRemorraDlg::OnIrKey(std::int32_t decoderType, const void* report) {
    if (CIR_DecoderCallback* handler = m_pKeyHandler.load()) handler->OnIrKey(decoderType, report);
}

bool CRemorraDlg::PreTranslateMessage(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || !m_hWnd || (msg.hwnd != m_hWnd && !IsChild(m_hWnd, msg.hwnd)))
        return false;
    if (msg.wParam == VK_RETURN) {
        ApplyKeys();
        return true;
    }
    return msg.wParam == VK_ESCAPE;
}

void CRemorraDlg::fieldsToEditor() {
    for (std::size_t i = 0; i < kKeySlotCount; ++i) {
        HotKeyField& f = m_ed.keys.m_slots[i].field;
        const auto word = static_cast<WORD>(
            SendDlgItemMessageA(m_hWnd, keys::kKeySlots[i].controlId, HKM_GETHOTKEY, 0, 0));
        f.virtualKey = LOBYTE(word);
        f.modifiers = HIBYTE(word);
    }
}

void CRemorraDlg::showEditorState() {
    HWND combo = GetDlgItem(m_hWnd, IDC_PROFILE_COMBO);
    const auto& entries = m_ed.entries();
    bool same = SendMessageA(combo, CB_GETCOUNT, 0, 0) == static_cast<LRESULT>(entries.size());
    for (std::size_t i = 0; same && i < entries.size(); ++i) same = ComboText(combo, static_cast<int>(i)) == entries[i];
    if (!same) {
        SendMessageA(combo, CB_RESETCONTENT, 0, 0);
        for (const std::string& e : entries) SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(e.c_str()));
    }
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(m_ed.selection()), 0);
    for (std::size_t i = 0; i < kKeySlotCount; ++i) {
        const HotKeyField& f = m_ed.keys.m_slots[i].field;
        HWND field = GetDlgItem(m_hWnd, keys::kKeySlots[i].controlId);
        SendMessageA(field, HKM_SETHOTKEY, MAKEWORD(f.virtualKey & 0xFF, f.modifiers & 0xFF), 0);
        EnableWindow(field, f.enabled);
    }
    EnableWindow(GetDlgItem(m_hWnd, IDC_DEL), m_ed.deleteEnabled());
}

void CRemorraDlg::SelectProfile() {
    SelectProfileAt(static_cast<int>(SendDlgItemMessageA(m_hWnd, IDC_PROFILE_COMBO, CB_GETCURSEL, 0, 0)));
}

void CRemorraDlg::SelectProfileAt(int index) {
    fieldsToEditor();
    m_ed.SelectProfileAt(index);
    showEditorState();
}

void CRemorraDlg::ApplyKeys() {
    fieldsToEditor();
    m_ed.ApplyKeys();
}

void CRemorraDlg::SaveProfile() {
    fieldsToEditor();
    m_ed.SaveProfile();
    showEditorState();
}

void CRemorraDlg::NewProfile() {
    fieldsToEditor();
    m_ed.NewProfile(askName());
    showEditorState();
}

void CRemorraDlg::DeleteProfile() {
    fieldsToEditor();
    m_ed.DeleteProfile();
    showEditorState();
}

void CRemorraDlg::OnOption() {
    if (m_pOptionsView) m_core->RunOptions(*m_pOptionsView);
}

void CRemorraDlg::Exit() { endDialog(); }

void CRemorraDlg::UpdateFocusWatcher() {
    if (m_focusWatcher || ReadFocusRules(ConfigFilePath(), m_ed.entries()).empty()) return;
    std::string error;
    m_focusWatcher = app::StartFocusWatcher(
        [this](std::vector<std::string> names) {
            {
                std::lock_guard lock(m_focusMutex);
                m_focusNames = std::move(names);
            }
            PostMessageA(m_hWnd, kFocusChangedMessage, 0, 0);
        },
        error);
    if (!m_focusWatcher) WriteLog(L"Profiles cannot follow the focus: %s", error.c_str());
}

void CRemorraDlg::OnFocusChanged() {
    std::vector<std::string> names;
    {
        std::lock_guard lock(m_focusMutex);
        names = m_focusNames;
    }
    if (const std::optional<int> at = m_focus.Follow(names, m_ed.entries(), m_ed.selection(), ConfigFilePath())) {
        SelectProfileAt(*at);
        WriteLog(L"Focus on %s: profile \"%s\"", names.empty() ? "(none)" : names.back().c_str(),
                 m_ed.SelectedText().c_str());
    }
}

void CRemorraDlg::EditProfileApplications() {
    const auto ask = [this](const std::string& prompt, const std::string& list) {
        return AskApplications(IsWindowVisible(m_hWnd) ? m_hWnd : nullptr, prompt, list);
    };
    if (RunApplicationsCommand(ConfigFilePath(), m_ed.SelectedText(), ask, m_box, kTitle)) UpdateFocusWatcher();
}

void CRemorraDlg::OnRemoteControl() {
    // One at a time: the tray menu stays reachable while the dialog is open.
    if (!m_pRemoteKeys || m_bInRemoteControl) return;
    m_bInRemoteControl = true;
    CRemoteControlDlg dlg(m_box, m_strConfigFile);
    {
        CRemoteListening listening(
            *m_core, *m_pRemoteKeys, [this](CIR_DecoderCallback* sink) { SetKeyHandler(sink); }, dlg.Session(),
            m_strConfigFile);
        dlg.RunModal(IsWindowVisible(m_hWnd) ? m_hWnd : nullptr);
    }
    m_bInRemoteControl = false;
}

bool CRemorraDlg::OnCommand(WORD id, WORD code) {
    switch (id) {
    case IDC_PROFILE_COMBO:
        if (code != CBN_SELCHANGE) return false;
        SelectProfile();
        m_focus.OnUserSelection(m_ed.SelectedText());
        return true;
    case IDC_APPLY: ApplyKeys(); return true;
    case IDC_SAVE: SaveProfile(); return true;
    case IDC_NEW: NewProfile(); return true;
    case IDC_DEL: DeleteProfile(); return true;
    case IDC_OPTION: OnOption(); return true;
    // Nothing else acts on "ShowWindow"; the restore is what it names.
    case ID_TRAY_SHOWWINDOW: TrayRestore(); return true;
    case ID_TRAY_EXIT: Exit(); return true;
    case ID_TRAY_REMOTECONTROL: OnRemoteControl(); return true;
    // The close box; Enter and Escape never get here.
    case IDCANCEL: Exit(); return true;
    case IDOK: return true;
    default: return false;
    }
}

void CRemorraDlg::OnSysCommand(WPARAM command, LPARAM, bool& handled) {
    if ((command & 0xFFF0) == IDM_ABOUTBOX) {
        ShowAboutBox(m_hWnd);
        handled = true;
        return;
    }
    if ((command & 0xFFF0) == IDM_REMOTECONTROL) {
        OnRemoteControl();
        handled = true;
        return;
    }
    if ((command & 0xFFF0) == IDM_APPLICATIONS) {
        EditProfileApplications();
        handled = true;
        return;
    }
    if ((command & 0xFFF0) == SC_MINIMIZE && !IsWindowVisible(m_hWnd)) {
        // The posted minimise of a hidden start: without a notification area
        // the window is the only way back in.
        LRESULT ignored = 0;
        HandleTrayMessage(m_hWnd, WM_SYSCOMMAND, command, 0, ignored);
        if (!InTray()) ShowWindow(m_hWnd, SW_SHOW);
        handled = true;
    }
}

void CRemorraDlg::OnPaintIconic() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m_hWnd, &ps);
    RECT client;
    GetClientRect(m_hWnd, &client);
    const int cx = GetSystemMetrics(SM_CXICON), cy = GetSystemMetrics(SM_CYICON);
    DrawIcon(dc, (client.right - client.left - cx + 1) / 2, (client.bottom - client.top - cy + 1) / 2, m_hIcon);
    EndPaint(m_hWnd, &ps);
}

INT_PTR CALLBACK CRemorraDlg::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    auto* self = reinterpret_cast<CRemorraDlg*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    return self ? self->OnMessage(hwnd, message, wParam, lParam) : FALSE;
}

INT_PTR CRemorraDlg::OnMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SYSCOMMAND) {
        bool handled = false;
        OnSysCommand(wParam, lParam, handled);
        if (handled) return TRUE;
    }
    LRESULT result = 0;
    if (HandleTrayMessage(hwnd, message, wParam, lParam, result)) {
        SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    switch (message) {
    case WM_INITDIALOG:
        // Start-up runs once, inside the window's initialisation.
        if (!m_bStarted) {
            m_bStarted = true;
            m_core->OnInitDialog();
        }
        return TRUE;
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    case kFocusChangedMessage:
        OnFocusChanged();
        return TRUE;
    case app::kRestoreWindowMessage:
        TrayRestore();
        return TRUE;
    case WM_LBUTTONDOWN:
        // The client area drags the window as its caption would.
        ReleaseCapture();
        SendMessageA(hwnd, WM_NCLBUTTONDOWN, HTCAPTION, 0);
        return TRUE;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(m_hIcon);
    case WM_PAINT:
        if (!IsIconic(hwnd)) return FALSE;
        OnPaintIconic();
        return TRUE;
    default:
        return FALSE;
    }
}

void CRemorraDlg::addAboutItem(const std::string&) {
    // The text is string resource 101, as the core's constant also says.
    HMENU menu = GetSystemMenu(m_hWnd, FALSE);
    if (!menu) return;
    char text[128] = {};
    if (LoadStringA(ResourceModule(), IDS_ABOUTBOX, text, sizeof text) <= 0 || text[0] == '\0') return;
    if (m_pRemoteKeys) AppendMenuA(menu, MF_STRING, IDM_REMOTECONTROL, "&Remote control...");
    AppendMenuA(menu, MF_STRING, IDM_APPLICATIONS, "A&pplications...");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, text);
}

void CRemorraDlg::setupTray(const std::string& tooltip) {
    SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hSmallIcon));
    TraySetIcon(m_hSmallIcon);
    TraySetToolTip(tooltip);
    TraySetMenu(LoadMenuA(ResourceModule(), MAKEINTRESOURCEA(IDR_TRAYMENU)));
}

void CRemorraDlg::setTitle(const std::string& title) { SetWindowTextA(m_hWnd, title.c_str()); }

void CRemorraDlg::restoreProfileSelection(int index) {
    fieldsToEditor();
    m_ed.RestoreProfileSelection(index);
    showEditorState();
}

void CRemorraDlg::postMinimize() { PostMessageA(m_hWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0); }

void CRemorraDlg::endDialog() {
    m_bEnded = true;
    // Wakes the message loop so that it sees the end.
    if (m_hWnd) PostMessageA(m_hWnd, WM_NULL, 0, 0);
}

} // namespace remorra::win32ui
