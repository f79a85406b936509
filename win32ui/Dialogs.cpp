#include "win32ui/Dialogs.h"

#include "app/Version.h"
#include "win32ui/resource.h"

#include <vector>

namespace remorra::win32ui {

HINSTANCE ResourceModule() { return GetModuleHandleA(nullptr); }

namespace {
template <class T> T* Self(HWND hwnd, UINT message, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    return reinterpret_cast<T*>(GetWindowLongPtrA(hwnd, DWLP_USER));
}
} // namespace

bool CChooseDeviceDlg::run() {
    return DialogBoxParamA(ResourceModule(), MAKEINTRESOURCEA(IDD_CHOOSEDEVICE), m_owner, &Proc,
                           reinterpret_cast<LPARAM>(this)) == IDOK;
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
    EndDialog(hwnd, IDOK);
}

INT_PTR CALLBACK CChooseDeviceDlg::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = Self<CChooseDeviceDlg>(hwnd, message, lParam);
    if (!self) return FALSE;
    switch (message) {
    case WM_INITDIALOG:
        self->OnInitDialog(hwnd);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || (LOWORD(wParam) == IDC_DEVICE_LIST && HIWORD(wParam) == LBN_DBLCLK)) {
            self->OnOK(hwnd);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(hwnd, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

OptionDlgResult COptionDlg::run(const StartOptions& initial) {
    m_bStartAndHide = initial.startAndHide ? 1 : 0;
    m_bRememberDevice = initial.rememberDevice ? 1 : 0;
    OptionDlgResult r;
    r.ok = DialogBoxParamA(ResourceModule(), MAKEINTRESOURCEA(IDD_OPTION), m_owner, &Proc,
                           reinterpret_cast<LPARAM>(this)) == IDOK;
    r.flags.startAndHide = m_bStartAndHide;
    r.flags.rememberDevice = m_bRememberDevice;
    return r;
}

INT_PTR CALLBACK COptionDlg::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = Self<COptionDlg>(hwnd, message, lParam);
    if (!self) return FALSE;
    switch (message) {
    case WM_INITDIALOG:
        CheckDlgButton(hwnd, IDC_START_AND_HIDE, self->m_bStartAndHide ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(hwnd, IDC_REMEMBER_DEVICE, self->m_bRememberDevice ? BST_CHECKED : BST_UNCHECKED);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            self->m_bStartAndHide = IsDlgButtonChecked(hwnd, IDC_START_AND_HIDE) == BST_CHECKED ? 1 : 0;
            self->m_bRememberDevice = IsDlgButtonChecked(hwnd, IDC_REMEMBER_DEVICE) == BST_CHECKED ? 1 : 0;
            EndDialog(hwnd, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(hwnd, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

namespace {
INT_PTR CALLBACK NameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* name = Self<std::string>(hwnd, message, lParam);
    if (!name) return FALSE;
    switch (message) {
    case WM_INITDIALOG:
        SetFocus(GetDlgItem(hwnd, IDC_PROFILE_NAME));
        return FALSE; // focus set here
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            HWND edit = GetDlgItem(hwnd, IDC_PROFILE_NAME);
            std::vector<char> text(static_cast<std::size_t>(GetWindowTextLengthA(edit)) + 1);
            const int n = GetWindowTextA(edit, text.data(), static_cast<int>(text.size()));
            name->assign(text.data(), static_cast<std::size_t>(n > 0 ? n : 0));
            EndDialog(hwnd, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(hwnd, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK AboutProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemTextA(hwnd, IDC_VERSION, GetVersionString().c_str());
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(hwnd, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}
} // namespace

std::optional<std::string> AskProfileName(HWND owner) {
    std::string name;
    if (DialogBoxParamA(ResourceModule(), MAKEINTRESOURCEA(IDD_INPUTFILENAME), owner, &NameProc,
                        reinterpret_cast<LPARAM>(&name)) != IDOK)
        return std::nullopt;
    return name;
}

void ShowAboutBox(HWND owner) {
    DialogBoxParamA(ResourceModule(), MAKEINTRESOURCEA(IDD_ABOUTBOX), owner, &AboutProc, 0);
}

} // namespace remorra::win32ui
