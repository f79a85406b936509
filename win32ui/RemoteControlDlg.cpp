#include "win32ui/RemoteControlDlg.h"

#include "win32ui/Dialogs.h"
#include "win32ui/resource.h"

#include <vector>

namespace remorra::win32ui {
namespace {

constexpr int kMaxCodes = 200; // the list keeps the latest codes
constexpr const char* kNewMapName = "remote";

} // namespace

CRemoteControlDlg::CRemoteControlDlg(IMessageBox& box, std::string configFile)
    : m_box(box), m_configFile(std::move(configFile)), m_session(*this, box) {}

void CRemoteControlDlg::RunModal(HWND owner) {
    m_bModal = true;
    DialogBoxParamA(ResourceModule(), MAKEINTRESOURCEA(IDD_REMOTECONTROL), owner, &Proc,
                    reinterpret_cast<LPARAM>(this));
    m_target.store(nullptr);
    m_hwnd = nullptr;
}

HWND CRemoteControlDlg::Create(HWND owner) {
    m_bModal = false;
    return CreateDialogParamA(ResourceModule(), MAKEINTRESOURCEA(IDD_REMOTECONTROL), owner, &Proc,
                              reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CRemoteControlDlg::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        reinterpret_cast<CRemoteControlDlg*>(lParam)->m_hwnd = hwnd;
    }
    auto* self = reinterpret_cast<CRemoteControlDlg*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    return self ? self->OnMessage(message, wParam, lParam) : FALSE;
}

INT_PTR CRemoteControlDlg::OnMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: OnInitDialog(); return TRUE;
    case kCodesMessage:
        m_bPosted.store(false);
        m_session.Poll();
        return TRUE;
    case WM_COMMAND: return OnCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    case WM_DESTROY: m_target.store(nullptr); return FALSE;
    default: return FALSE;
    }
}

void CRemoteControlDlg::OnInitDialog() {
    m_target.store(m_hwnd);
    HWND combo = GetDlgItem(m_hwnd, IDC_RC_MAP);
    std::string first;
    for (const RemoteMapChoice& c : m_session.MapChoices(m_configFile))
        if (c.file.learned) {
            if (first.empty()) first = c.text;
            SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(c.text.c_str()));
        }
    m_savedRepeat = m_session.Repeat(m_configFile);
    SetDlgItemInt(m_hwnd, IDC_RC_DELAY, m_savedRepeat.delayMs, FALSE);
    SetDlgItemInt(m_hwnd, IDC_RC_PERIOD, m_savedRepeat.periodMs, FALSE);
    OpenMap(first.empty() ? kNewMapName : first);
    ShowMapChoices();
    showStatus("Choose a button and press Bind, then the button on the remote.");
}

std::string CRemoteControlDlg::Text(int id) const {
    const std::string s = ItemText(m_hwnd, id);
    const std::size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

void CRemoteControlDlg::OpenMap(const std::string& name) {
    if (!m_openName.empty() && name == m_openName) return;
    if (MaybeSave() && m_session.Open(name)) m_openName = name;
    SetDlgItemTextA(m_hwnd, IDC_RC_MAP, m_openName.c_str());
}

bool CRemoteControlDlg::OnCommand(WORD id, WORD code) {
    switch (id) {
    case IDC_RC_MAP:
        if (code == CBN_SELCHANGE) {
            HWND combo = GetDlgItem(m_hwnd, IDC_RC_MAP);
            const LRESULT at = SendMessageA(combo, CB_GETCURSEL, 0, 0);
            if (at < 0) return true;
            OpenMap(ComboText(combo, static_cast<int>(at)));
        } else if (code == CBN_KILLFOCUS) {
            OpenMap(Text(IDC_RC_MAP));
        }
        return true;
    case IDC_RC_BUTTONS:
        if (code == LBN_SELCHANGE || code == LBN_DBLCLK) {
            const LRESULT at = SendDlgItemMessageA(m_hwnd, IDC_RC_BUTTONS, LB_GETCURSEL, 0, 0);
            if (at >= 0 && static_cast<std::size_t>(at) < m_keys.size())
                SetDlgItemTextA(m_hwnd, IDC_RC_KEY, m_keys[static_cast<std::size_t>(at)].c_str());
            if (code == LBN_DBLCLK) m_session.StartBinding(Text(IDC_RC_KEY));
        }
        return true;
    case IDC_RC_BIND:
        if (!m_session.StartBinding(Text(IDC_RC_KEY))) showStatus("Choose a button, or type a key name such as KEY_UP.");
        return true;
    case IDC_RC_UNBIND: {
        const std::string key = Text(IDC_RC_KEY);
        m_session.CancelBinding();
        showStatus(m_session.Unbind(key) ? key + " is not bound now." : key + " has no binding.");
        return true;
    }
    case IDC_RC_INUSE:
        if (code == LBN_DBLCLK) SwitchSelectedMap();
        return true;
    case IDC_RC_SWITCH: SwitchSelectedMap(); return true;
    case IDC_RC_SAVE: OnSave(); return true;
    case IDOK: return true; // Enter in a field binds nothing and closes nothing
    case IDCANCEL: OnClose(); return true;
    default: return false;
    }
}

keys::RepeatSettings CRemoteControlDlg::RepeatFields() const {
    return {GetDlgItemInt(m_hwnd, IDC_RC_DELAY, nullptr, FALSE), GetDlgItemInt(m_hwnd, IDC_RC_PERIOD, nullptr, FALSE)};
}

bool CRemoteControlDlg::Dirty() const { return m_session.Dirty() || !(RepeatFields() == m_savedRepeat); }

bool CRemoteControlDlg::OnSave() {
    const keys::RepeatSettings now = RepeatFields();
    if (!(now == m_savedRepeat)) {
        if (!m_session.SetRepeat(m_configFile, now)) return false;
        m_savedRepeat = now;
    }
    if (!m_session.Save()) return false;
    ShowMapChoices(); // a map saved for the first time is in use now
    return true;
}

void CRemoteControlDlg::ShowMapChoices() {
    HWND list = GetDlgItem(m_hwnd, IDC_RC_INUSE);
    const LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    m_choices = m_session.MapChoices(m_configFile);
    for (const RemoteMapChoice& c : m_choices) {
        const std::string line = (c.file.active ? "[x] " : "[  ] ") + c.text;
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }
    if (selected >= 0) SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

void CRemoteControlDlg::SwitchSelectedMap() {
    const LRESULT at = SendDlgItemMessageA(m_hwnd, IDC_RC_INUSE, LB_GETCURSEL, 0, 0);
    if (at < 0 || static_cast<std::size_t>(at) >= m_choices.size()) return;
    const RemoteMapChoice& c = m_choices[static_cast<std::size_t>(at)];
    if (m_session.SetMapInUse(m_configFile, c, !c.file.active)) ShowMapChoices();
}

bool CRemoteControlDlg::MaybeSave() {
    if (!Dirty()) return true;
    switch (m_box.show("Save the changes to " + m_openName + "?", kRemoteControlCaption, MsgButtons::YesNoCancel,
                       MsgIcon::Question)) {
    case MsgResult::Yes: return OnSave();
    case MsgResult::No: return true;
    default: return false;
    }
}

void CRemoteControlDlg::OnClose() {
    m_session.CancelBinding();
    if (!MaybeSave()) return;
    m_target.store(nullptr);
    if (m_bModal)
        EndDialog(m_hwnd, IDCANCEL);
    else
        ShowWindow(m_hwnd, SW_HIDE);
}

void CRemoteControlDlg::showCode(const LearnedCodeRow& row) {
    HWND list = GetDlgItem(m_hwnd, IDC_RC_CODES);
    const std::string line = row.boundTo.empty() ? row.text : row.text + "  -> " + row.boundTo;
    const LRESULT at = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    while (SendMessageA(list, LB_GETCOUNT, 0, 0) > kMaxCodes) SendMessageA(list, LB_DELETESTRING, 0, 0);
    if (at >= 0) SendMessageA(list, LB_SETTOPINDEX, static_cast<WPARAM>(SendMessageA(list, LB_GETCOUNT, 0, 0) - 1), 0);
}

void CRemoteControlDlg::showButtons(const std::vector<RemoteButtonRow>& rows) {
    HWND list = GetDlgItem(m_hwnd, IDC_RC_BUTTONS);
    const std::string current = Text(IDC_RC_KEY);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    m_keys.clear();
    for (const RemoteButtonRow& r : rows) {
        const std::string line = r.keyName + "\t" + (r.label == r.keyName ? std::string() : r.label) + "\t" + r.binding;
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        if (r.keyName == current) SendMessageA(list, LB_SETCURSEL, m_keys.size(), 0);
        m_keys.push_back(r.keyName);
    }
}

void CRemoteControlDlg::showStatus(const std::string& text) { SetDlgItemTextA(m_hwnd, IDC_RC_STATUS, text.c_str()); }

void CRemoteControlDlg::codesPending() {
    // One message stands for any number of waiting codes.
    if (HWND target = m_target.load(); target && !m_bPosted.exchange(true)) PostMessageA(target, kCodesMessage, 0, 0);
}

} // namespace remorra::win32ui
