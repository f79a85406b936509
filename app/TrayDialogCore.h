#pragma once
// The tray dialog's decisions without a toolkit: when minimising goes to the
// notification area, when a restore may show the window again, how icon
// events are dispatched and which tray menu item is the default. The window
// system's part is the ITrayHost a dialog class supplies.
#include <cstdint>
#include <string>

namespace remorra {

// Mouse messages of the icon's callback, as the shell reports them.
enum class TrayMouse { LButtonDown, LButtonUp, LButtonDblClk, RButtonDown, RButtonUp, RButtonDblClk,
                       ContextMenu, MouseMove, Other };

inline constexpr std::uint32_t kTrayIconId = 1;
inline constexpr std::uint32_t kScMinimize = 0xF020;
inline constexpr std::size_t kTrayTipRoom = 128; // 127 characters and the terminator

// The notification-icon record the tray dialog keeps for its icon.
struct NotifyIconData {
    static constexpr std::uint32_t kMessage = 1, kIcon = 2, kTip = 4;
    void* hWnd = nullptr;
    std::uint32_t uID = 0;
    std::uint32_t uFlags = kMessage;
    std::uint32_t uCallbackMessage = 0x0400 + 1;
    bool hasIcon = false;
    char szTip[kTrayTipRoom] = {};
};

class ITrayHost {
public:
    virtual ~ITrayHost() = default;
    // False when there is no notification area to take the icon.
    virtual bool addTrayIcon(const NotifyIconData& nid) = 0;
    virtual bool deleteTrayIcon(const NotifyIconData& nid) = 0;
    virtual void hideWindow() = 0;
    virtual void showWindowActivated() = 0;
    // The ordinary minimise to the task bar.
    virtual void minimizeNormally() = 0;
    // Shows the tray menu at the point; returns when it has closed.
    virtual void trackTrayMenu(int x, int y) = 0;
    virtual void setTrayMenuDefaultItem(int position) = 0;
};

class CTrayDialogCore {
public:
    explicit CTrayDialogCore(ITrayHost& host) : m_host(host) {}
    virtual ~CTrayDialogCore() = default;

    // Window creation: the record gets its window and icon id 1.
    void OnCreate(void* window);
    // Window destruction: an icon still shown is removed.
    void OnDestroy();
    // True when the command was the minimise command and handled here.
    bool OnSysCommandMinimize(std::uint32_t command);
    // 0 for an icon other than ours, else 1.
    int OnTrayNotify(std::uint32_t iconId, TrayMouse message, int x, int y);

    void TraySetIcon(bool loaded) { setFlag(NotifyIconData::kIcon, loaded); m_nid.hasIcon = loaded; }
    void TraySetToolTip(const std::string& tip);
    void TraySetMinimizeToTray(bool on) { m_bMinimizeToTray = on ? 1 : 0; }
    bool InTray() const { return m_bInTray != 0; }
    const NotifyIconData& IconData() const { return m_nid; }

    virtual void OnTrayLButtonDown(int x, int y);
    virtual void OnTrayLButtonDblClk(int x, int y);
    virtual void OnTrayRButtonDown(int x, int y);
    virtual void OnTrayRButtonDblClk(int x, int y);
    virtual void OnTrayMouseMove(int x, int y);

    // The restore operation: the double click's default action.
    void TrayRestore() { CTrayDialogCore::OnTrayLButtonDblClk(0, 0); }

protected:
    std::int32_t m_bInTray = 0;
    NotifyIconData m_nid;
    std::int32_t m_nDefaultMenuItem = 0;
    std::int32_t m_bMinimizeToTray = 1;

private:
    void setFlag(std::uint32_t flag, bool on) { m_nid.uFlags = on ? (m_nid.uFlags | flag) : (m_nid.uFlags & ~flag); }
    ITrayHost& m_host;
};

} // namespace remorra
