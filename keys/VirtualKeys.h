#pragma once
// Windows virtual-key codes: the code space of key bindings and of every key
// event this program sends, whatever the platform. Named Vk* so that they
// never collide with the VK_* macros of the Windows headers.
#include <cstdint>

namespace remorra::keys {

enum VirtualKey : std::uint8_t {
    VkBack = 0x08, VkTab = 0x09, VkClear = 0x0C, VkReturn = 0x0D,
    VkShift = 0x10, VkControl = 0x11, VkMenu = 0x12, VkPause = 0x13, VkCapital = 0x14,
    VkEscape = 0x1B, VkSpace = 0x20, VkPrior = 0x21, VkNext = 0x22, VkEnd = 0x23,
    VkHome = 0x24, VkLeft = 0x25, VkUp = 0x26, VkRight = 0x27, VkDown = 0x28,
    VkSelect = 0x29, VkPrint = 0x2A, VkExecute = 0x2B, VkSnapshot = 0x2C,
    VkInsert = 0x2D, VkDelete = 0x2E, VkHelp = 0x2F,
    Vk0 = 0x30, Vk3 = 0x33, Vk9 = 0x39,
    VkA = 0x41, VkB = 0x42, VkF = 0x46, VkG = 0x47, VkO = 0x4F, VkP = 0x50,
    VkR = 0x52, VkS = 0x53, VkZ = 0x5A,
    VkLWin = 0x5B, VkRWin = 0x5C, VkApps = 0x5D, VkSleep = 0x5F,
    VkNumpad0 = 0x60, VkNumpad1, VkNumpad2, VkNumpad3, VkNumpad4, VkNumpad5,
    VkNumpad6, VkNumpad7, VkNumpad8, VkNumpad9,
    VkMultiply = 0x6A, VkAdd = 0x6B, VkSeparator = 0x6C, VkSubtract = 0x6D,
    VkDecimal = 0x6E, VkDivide = 0x6F,
    VkF1 = 0x70, VkF4 = 0x73, VkF8 = 0x77, VkF9 = 0x78, VkF10 = 0x79, VkF24 = 0x87,
    VkNumLock = 0x90, VkScroll = 0x91,
    VkLShift = 0xA0, VkRShift = 0xA1, VkLControl = 0xA2, VkRControl = 0xA3,
    VkLMenu = 0xA4, VkRMenu = 0xA5,
    VkBrowserBack = 0xA6, VkBrowserForward = 0xA7, VkBrowserRefresh = 0xA8,
    VkBrowserStop = 0xA9, VkBrowserSearch = 0xAA, VkBrowserFavorites = 0xAB,
    VkBrowserHome = 0xAC, VkVolumeMute = 0xAD, VkVolumeDown = 0xAE, VkVolumeUp = 0xAF,
    VkMediaNextTrack = 0xB0, VkMediaPrevTrack = 0xB1, VkMediaStop = 0xB2,
    VkMediaPlayPause = 0xB3, VkLaunchMail = 0xB4, VkLaunchMediaSelect = 0xB5,
    VkLaunchApp1 = 0xB6, VkLaunchApp2 = 0xB7,
    VkOem1 = 0xBA, VkOemPlus = 0xBB, VkOemComma = 0xBC, VkOemMinus = 0xBD,
    VkOemPeriod = 0xBE, VkOem2 = 0xBF, VkOem3 = 0xC0, VkOem4 = 0xDB, VkOem5 = 0xDC,
    VkOem6 = 0xDD, VkOem7 = 0xDE, VkOem102 = 0xE2,
};

// Readable name of a code ("Ctrl", "F4", "A", "Num3", ...); "VK 0x%02X" style
// text is left to callers for codes without one (returns null).
const char* VirtualKeyName(std::uint8_t vk);

// Every code a hot-key field can hold and this program knows how to send;
// the platform back ends map each of them.
bool IsKnownVirtualKey(std::uint8_t vk);

} // namespace remorra::keys
