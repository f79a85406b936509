#include "win32ui/Dialogs.h"

#include "app/Version.h"
#include "win32ui/resource.h"

#include <vector>

namespace remorra::win32ui {

HINSTANCE ResourceModule() { return GetModuleHandleA(nullptr); }

namespace {
INT_PTR CALLBACK ModalProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    const auto* h = reinterpret_cast<const ModalHandlers*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!h) return FALSE;
    switch (message) {
    case WM_INITDIALOG:
        if (h->init) h->init(hwnd);
        return h->defaultFocus ? TRUE : FALSE;
    case WM_COMMAND: {
        const WORD id = LOWORD(wParam), code = HIWORD(wParam);
        if (h->command && h->command(hwnd, id, code)) return TRUE;
        if (id == IDOK) {
            if (h->ok) h->ok(hwnd);
            EndDialog(hwnd, IDOK);
            return TRUE;
        }
        if (id == IDCANCEL) {
            EndDialog(hwnd, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}
} // namespace

INT_PTR RunModal(int id, HWND owner, const ModalHandlers& handlers) {
    return DialogBoxParamA(ResourceModule(), MAKEINTRESOURCEA(id), owner, &ModalProc,
                           reinterpret_cast<LPARAM>(&handlers));
}

bool CChooseDeviceDlg::run() {
    ModalHandlers h;
    h.init = [this](HWND hwnd) { OnInitDialog(hwnd); };
    h.ok = [this](HWND hwnd) { OnOK(hwnd); };
    // A double click in the list acts exactly as OK.
    h.command = [this](HWND hwnd, WORD id, WORD code) {
        if (id != IDC_DEVICE_LIST || code != LBN_DBLCLK) return false;
        OnOK(hwnd);
        EndDialog(hwnd, IDOK);
        return true;
    };
    return RunModal(IDD_CHOOSEDEVICE, m_owner, h) == IDOK;
}

void CChooseDeviceDlg::OnInitDialog(HWND hwnd) {
    std::unique_ptr<discovery::ICaptureDeviceSource> source = m_sources ? m_sources() : nullptr;
    InitChooser(m_logic, m_devices, source.get(), m_box);
    HWND list = GetDlgItem(hwnd, IDC_DEVICE_LIST);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (const CChooseDeviceLogic::Entry& e : m_logic.entries()) {
        const LRESULT at = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(e.text.c_str()));
        if (at >= 0) SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(at), e.itemData);
    }
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(m_logic.selection()), 0);
}

void CChooseDeviceDlg::OnOK(HWND hwnd) {
    m_logic.Select(static_cast<int>(SendDlgItemMessageA(hwnd, IDC_DEVICE_LIST, LB_GETCURSEL, 0, 0)));
    m_logic.OnOK();
}

OptionDlgResult COptionDlg::run(const StartOptions& initial) {
    m_bStartAndHide = initial.startAndHide ? 1 : 0;
    m_bRememberDevice = initial.rememberDevice ? 1 : 0;
    ModalHandlers h;
    h.init = [this](HWND hwnd) {
        CheckDlgButton(hwnd, IDC_START_AND_HIDE, m_bStartAndHide ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(hwnd, IDC_REMEMBER_DEVICE, m_bRememberDevice ? BST_CHECKED : BST_UNCHECKED);
    };
    h.ok = [this](HWND hwnd) {
        m_bStartAndHide = IsDlgButtonChecked(hwnd, IDC_START_AND_HIDE) == BST_CHECKED ? 1 : 0;
        m_bRememberDevice = IsDlgButtonChecked(hwnd, IDC_REMEMBER_DEVICE) == BST_CHECKED ? 1 : 0;
    };
    OptionDlgResult r;
    r.ok = RunModal(IDD_OPTION, m_owner, h) == IDOK;
    r.flags.startAndHide = m_bStartAndHide;
    r.flags.rememberDevice = m_bRememberDevice;
    return r;
}

std::string ItemText(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    std::vector<char> text(static_cast<std::size_t>(GetWindowTextLengthA(item)) + 1);
    const int n = GetWindowTextA(item, text.data(), static_cast<int>(text.size()));
    return std::string(text.data(), static_cast<std::size_t>(n > 0 ? n : 0));
}

std::string ComboText(HWND combo, int index) {
    const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0) return {};
    std::vector<char> text(static_cast<std::size_t>(length) + 1);
    SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    return text.data();
}

std::optional<std::string> AskProfileName(HWND owner) {
    std::string name;
    ModalHandlers h;
    h.init = [](HWND hwnd) { SetFocus(GetDlgItem(hwnd, IDC_PROFILE_NAME)); };
    h.defaultFocus = false;
    h.ok = [&name](HWND hwnd) { name = ItemText(hwnd, IDC_PROFILE_NAME); };
    if (RunModal(IDD_INPUTFILENAME, owner, h) != IDOK) return std::nullopt;
    return name;
}

std::optional<std::string> AskApplications(HWND owner, const std::string& prompt, const std::string& list) {
    std::string typed;
    ModalHandlers h;
    h.init = [&](HWND hwnd) {
        SetDlgItemTextA(hwnd, IDC_APPLICATIONS_PROMPT, prompt.c_str());
        SetDlgItemTextA(hwnd, IDC_APPLICATIONS_LIST, list.c_str());
        SetFocus(GetDlgItem(hwnd, IDC_APPLICATIONS_LIST));
    };
    h.defaultFocus = false;
    h.ok = [&typed](HWND hwnd) { typed = ItemText(hwnd, IDC_APPLICATIONS_LIST); };
    if (RunModal(IDD_APPLICATIONS, owner, h) != IDOK) return std::nullopt;
    return typed;
}

void ShowAboutBox(HWND owner) {
    ModalHandlers h;
    h.init = [](HWND hwnd) { SetDlgItemTextA(hwnd, IDC_VERSION, GetVersionString().c_str()); };
    RunModal(IDD_ABOUTBOX, owner, h);
}

} // namespace remorra::win32ui
