#include "keys/VirtualKeys.h"

#include <array>

namespace remorra::keys {
namespace {

struct NameTable {
    std::array<const char*, 256> names{};
    constexpr NameTable() {
        constexpr const char* letters[26] = {"A","B","C","D","E","F","G","H","I","J","K","L","M",
                                             "N","O","P","Q","R","S","T","U","V","W","X","Y","Z"};
        constexpr const char* digits[10] = {"0","1","2","3","4","5","6","7","8","9"};
        constexpr const char* numpad[10] = {"Num0","Num1","Num2","Num3","Num4",
                                            "Num5","Num6","Num7","Num8","Num9"};
        constexpr const char* fkeys[24] = {"F1","F2","F3","F4","F5","F6","F7","F8","F9","F10",
                                           "F11","F12","F13","F14","F15","F16","F17","F18",
                                           "F19","F20","F21","F22","F23","F24"};
        for (int i = 0; i < 26; ++i) names[VkA + i] = letters[i];
        for (int i = 0; i < 10; ++i) names[Vk0 + i] = digits[i];
        for (int i = 0; i < 10; ++i) names[VkNumpad0 + i] = numpad[i];
        for (int i = 0; i < 24; ++i) names[VkF1 + i] = fkeys[i];
        names[VkBack] = "Backspace"; names[VkTab] = "Tab"; names[VkClear] = "Clear";
        names[VkReturn] = "Enter"; names[VkShift] = "Shift"; names[VkControl] = "Ctrl";
        names[VkMenu] = "Alt"; names[VkPause] = "Pause"; names[VkCapital] = "CapsLock";
        names[VkEscape] = "Esc"; names[VkSpace] = "Space"; names[VkPrior] = "PageUp";
        names[VkNext] = "PageDown"; names[VkEnd] = "End"; names[VkHome] = "Home";
        names[VkLeft] = "Left"; names[VkUp] = "Up"; names[VkRight] = "Right";
        names[VkDown] = "Down"; names[VkSelect] = "Select"; names[VkPrint] = "Print";
        names[VkExecute] = "Execute"; names[VkSnapshot] = "PrintScreen";
        names[VkInsert] = "Insert"; names[VkDelete] = "Delete"; names[VkHelp] = "Help";
        names[VkLWin] = "LWin"; names[VkRWin] = "RWin"; names[VkApps] = "Apps";
        names[VkSleep] = "Sleep"; names[VkMultiply] = "Num*"; names[VkAdd] = "Num+";
        names[VkSeparator] = "NumSeparator"; names[VkSubtract] = "Num-";
        names[VkDecimal] = "Num."; names[VkDivide] = "Num/"; names[VkNumLock] = "NumLock";
        names[VkScroll] = "ScrollLock"; names[VkLShift] = "LShift"; names[VkRShift] = "RShift";
        names[VkLControl] = "LCtrl"; names[VkRControl] = "RCtrl"; names[VkLMenu] = "LAlt";
        names[VkRMenu] = "RAlt"; names[VkBrowserBack] = "BrowserBack";
        names[VkBrowserForward] = "BrowserForward"; names[VkBrowserRefresh] = "BrowserRefresh";
        names[VkBrowserStop] = "BrowserStop"; names[VkBrowserSearch] = "BrowserSearch";
        names[VkBrowserFavorites] = "BrowserFavorites"; names[VkBrowserHome] = "BrowserHome";
        names[VkVolumeMute] = "VolumeMute"; names[VkVolumeDown] = "VolumeDown";
        names[VkVolumeUp] = "VolumeUp"; names[VkMediaNextTrack] = "MediaNext";
        names[VkMediaPrevTrack] = "MediaPrev"; names[VkMediaStop] = "MediaStop";
        names[VkMediaPlayPause] = "MediaPlayPause"; names[VkLaunchMail] = "LaunchMail";
        names[VkLaunchMediaSelect] = "LaunchMedia"; names[VkLaunchApp1] = "LaunchApp1";
        names[VkLaunchApp2] = "LaunchApp2"; names[VkOem1] = ";"; names[VkOemPlus] = "=";
        names[VkOemComma] = ","; names[VkOemMinus] = "-"; names[VkOemPeriod] = ".";
        names[VkOem2] = "/"; names[VkOem3] = "`"; names[VkOem4] = "["; names[VkOem5] = "\\";
        names[VkOem6] = "]"; names[VkOem7] = "'"; names[VkOem102] = "<>";
    }
};

constexpr NameTable kNames;

} // namespace

const char* VirtualKeyName(std::uint8_t vk) { return kNames.names[vk]; }

bool IsKnownVirtualKey(std::uint8_t vk) { return kNames.names[vk] != nullptr; }

} // namespace remorra::keys
