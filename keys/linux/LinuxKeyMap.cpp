#include "keys/linux/LinuxKeyMap.h"

#include "keys/VirtualKeys.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>
#include <array>
#include <linux/input-event-codes.h>

namespace remorra::keys::linux_keys {
namespace {

struct Table {
    std::array<LinuxKey, 256> keys{};

    constexpr void set(std::uint8_t vk, std::uint32_t keysym, std::uint16_t evdev) { keys[vk] = {keysym, evdev}; }

    constexpr Table() {
        // Letters send the unshifted key; the keysym only finds the keycode.
        constexpr std::uint16_t letterCodes[26] = {
            KEY_A, KEY_B, KEY_C, KEY_D, KEY_E, KEY_F, KEY_G, KEY_H, KEY_I, KEY_J, KEY_K, KEY_L, KEY_M,
            KEY_N, KEY_O, KEY_P, KEY_Q, KEY_R, KEY_S, KEY_T, KEY_U, KEY_V, KEY_W, KEY_X, KEY_Y, KEY_Z};
        for (int i = 0; i < 26; ++i) set(static_cast<std::uint8_t>(VkA + i), XK_a + i, letterCodes[i]);
        constexpr std::uint16_t digitCodes[10] = {KEY_0, KEY_1, KEY_2, KEY_3, KEY_4,
                                                  KEY_5, KEY_6, KEY_7, KEY_8, KEY_9};
        for (int i = 0; i < 10; ++i) set(static_cast<std::uint8_t>(Vk0 + i), XK_0 + i, digitCodes[i]);
        // A keypad digit means a digit on Windows whatever the NumLock state;
        // here the session's NumLock would turn it into End, Down, PageDown...
        // The digit row means the same digit everywhere.
        for (int i = 0; i < 10; ++i) set(static_cast<std::uint8_t>(VkNumpad0 + i), XK_0 + i, digitCodes[i]);
        constexpr std::uint16_t fCodes[24] = {KEY_F1,  KEY_F2,  KEY_F3,  KEY_F4,  KEY_F5,  KEY_F6,
                                              KEY_F7,  KEY_F8,  KEY_F9,  KEY_F10, KEY_F11, KEY_F12,
                                              KEY_F13, KEY_F14, KEY_F15, KEY_F16, KEY_F17, KEY_F18,
                                              KEY_F19, KEY_F20, KEY_F21, KEY_F22, KEY_F23, KEY_F24};
        for (int i = 0; i < 24; ++i) set(static_cast<std::uint8_t>(VkF1 + i), XK_F1 + i, fCodes[i]);

        set(VkBack, XK_BackSpace, KEY_BACKSPACE);
        set(VkTab, XK_Tab, KEY_TAB);
        set(VkClear, XK_Clear, KEY_CLEAR);
        set(VkReturn, XK_Return, KEY_ENTER);
        set(VkShift, XK_Shift_L, KEY_LEFTSHIFT);
        set(VkControl, XK_Control_L, KEY_LEFTCTRL);
        set(VkMenu, XK_Alt_L, KEY_LEFTALT);
        set(VkPause, XK_Pause, KEY_PAUSE);
        set(VkCapital, XK_Caps_Lock, KEY_CAPSLOCK);
        set(VkEscape, XK_Escape, KEY_ESC);
        set(VkSpace, XK_space, KEY_SPACE);
        set(VkPrior, XK_Prior, KEY_PAGEUP);
        set(VkNext, XK_Next, KEY_PAGEDOWN);
        set(VkEnd, XK_End, KEY_END);
        set(VkHome, XK_Home, KEY_HOME);
        set(VkLeft, XK_Left, KEY_LEFT);
        set(VkUp, XK_Up, KEY_UP);
        set(VkRight, XK_Right, KEY_RIGHT);
        set(VkDown, XK_Down, KEY_DOWN);
        set(VkSelect, XK_Select, KEY_SELECT);
        set(VkPrint, XK_Print, KEY_PRINT);
        set(VkExecute, XK_Execute, KEY_OPEN);
        set(VkSnapshot, XK_Print, KEY_SYSRQ);
        set(VkInsert, XK_Insert, KEY_INSERT);
        set(VkDelete, XK_Delete, KEY_DELETE);
        set(VkHelp, XK_Help, KEY_HELP);
        set(VkLWin, XK_Super_L, KEY_LEFTMETA);
        set(VkRWin, XK_Super_R, KEY_RIGHTMETA);
        set(VkApps, XK_Menu, KEY_COMPOSE);
        set(VkSleep, XF86XK_Sleep, KEY_SLEEP);
        set(VkMultiply, XK_KP_Multiply, KEY_KPASTERISK);
        set(VkAdd, XK_KP_Add, KEY_KPPLUS);
        set(VkSeparator, XK_KP_Separator, KEY_KPCOMMA);
        set(VkSubtract, XK_KP_Subtract, KEY_KPMINUS);
        set(VkDecimal, XK_period, KEY_DOT); // KP_Decimal turns into Delete without NumLock
        set(VkDivide, XK_KP_Divide, KEY_KPSLASH);
        set(VkNumLock, XK_Num_Lock, KEY_NUMLOCK);
        set(VkScroll, XK_Scroll_Lock, KEY_SCROLLLOCK);
        set(VkLShift, XK_Shift_L, KEY_LEFTSHIFT);
        set(VkRShift, XK_Shift_R, KEY_RIGHTSHIFT);
        set(VkLControl, XK_Control_L, KEY_LEFTCTRL);
        set(VkRControl, XK_Control_R, KEY_RIGHTCTRL);
        set(VkLMenu, XK_Alt_L, KEY_LEFTALT);
        set(VkRMenu, XK_Alt_R, KEY_RIGHTALT);
        set(VkBrowserBack, XF86XK_Back, KEY_BACK);
        set(VkBrowserForward, XF86XK_Forward, KEY_FORWARD);
        set(VkBrowserRefresh, XF86XK_Refresh, KEY_REFRESH);
        set(VkBrowserStop, XF86XK_Stop, KEY_STOP);
        set(VkBrowserSearch, XF86XK_Search, KEY_SEARCH);
        set(VkBrowserFavorites, XF86XK_Favorites, KEY_BOOKMARKS);
        set(VkBrowserHome, XF86XK_HomePage, KEY_HOMEPAGE);
        set(VkVolumeMute, XF86XK_AudioMute, KEY_MUTE);
        set(VkVolumeDown, XF86XK_AudioLowerVolume, KEY_VOLUMEDOWN);
        set(VkVolumeUp, XF86XK_AudioRaiseVolume, KEY_VOLUMEUP);
        set(VkMediaNextTrack, XF86XK_AudioNext, KEY_NEXTSONG);
        set(VkMediaPrevTrack, XF86XK_AudioPrev, KEY_PREVIOUSSONG);
        set(VkMediaStop, XF86XK_AudioStop, KEY_STOPCD);
        set(VkMediaPlayPause, XF86XK_AudioPlay, KEY_PLAYPAUSE);
        set(VkLaunchMail, XF86XK_Mail, KEY_MAIL);
        set(VkLaunchMediaSelect, XF86XK_AudioMedia, KEY_MEDIA);
        set(VkLaunchApp1, XF86XK_MyComputer, KEY_COMPUTER);
        set(VkLaunchApp2, XF86XK_Calculator, KEY_CALC);
        // US layout punctuation.
        set(VkOem1, XK_semicolon, KEY_SEMICOLON);
        set(VkOemPlus, XK_equal, KEY_EQUAL);
        set(VkOemComma, XK_comma, KEY_COMMA);
        set(VkOemMinus, XK_minus, KEY_MINUS);
        set(VkOemPeriod, XK_period, KEY_DOT);
        set(VkOem2, XK_slash, KEY_SLASH);
        set(VkOem3, XK_grave, KEY_GRAVE);
        set(VkOem4, XK_bracketleft, KEY_LEFTBRACE);
        set(VkOem5, XK_backslash, KEY_BACKSLASH);
        set(VkOem6, XK_bracketright, KEY_RIGHTBRACE);
        set(VkOem7, XK_apostrophe, KEY_APOSTROPHE);
        set(VkOem102, XK_less, KEY_102ND);
    }
};

constexpr Table kTable;

} // namespace

LinuxKey LookupLinuxKey(std::uint8_t vk) { return kTable.keys[vk]; }

} // namespace remorra::keys::linux_keys
