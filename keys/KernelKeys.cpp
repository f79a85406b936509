#include "keys/KernelKeys.h"

#include "keys/VirtualKeys.h"

#include <array>

namespace remorra::keys {
namespace {

constexpr KernelKey Card(const char* name, std::uint8_t command) { return {name, command, 0}; }
constexpr KernelKey Key(const char* name, std::uint8_t vk) { return {name, 0, vk}; }

// Card buttons first: where a remote has both a kernel name and a card button
// of the same meaning, the button wins, so profiles bind it.
constexpr KernelKey kKeys[] = {
    Card("KEY_POWER", 0x84), Card("KEY_POWER2", 0x84),
    Card("KEY_MUTE", 0x94), Card("KEY_MODE", 0x9B), Card("KEY_MENU", 0x9E),
    Card("KEY_CHANNELUP", 0x96), Card("KEY_CHANNELDOWN", 0x91),
    Card("KEY_VOLUMEUP", 0x93), Card("KEY_VOLUMEDOWN", 0x8C),
    Card("KEY_ZOOM", 0x9D), Card("KEY_FAVORITES", 0x95), Card("KEY_EPG", 0x9C), Card("KEY_PROGRAM", 0x9C),
    Card("KEY_PAUSE", 0x98), Card("KEY_RECORD", 0x83), Card("KEY_BACK", 0x80),
    Card("KEY_SUBTITLE", 0x97), Card("KEY_CAMERA", 0x9A), Card("KEY_EXIT", 0x9F), Card("KEY_CLEAR", 0xD4),
    Card("KEY_PLAY", 0xDE), Card("KEY_STOP", 0xDC), Card("KEY_PREVIOUS", 0xD9), Card("KEY_REWIND", 0xDB),
    Card("KEY_FASTFORWARD", 0xDA), Card("KEY_NEXT", 0xD8), Card("KEY_PVR", 0xDD),
    Card("KEY_UP", 0x81), Card("KEY_DOWN", 0x88), Card("KEY_LEFT", 0x90), Card("KEY_RIGHT", 0x82),
    Card("KEY_OK", 0x99), Card("KEY_ENTER", 0x99), Card("KEY_SELECT", 0x99),
    Card("KEY_NUMERIC_0", 0x92), Card("KEY_NUMERIC_1", 0x87), Card("KEY_NUMERIC_2", 0x86),
    Card("KEY_NUMERIC_3", 0x85), Card("KEY_NUMERIC_4", 0x8B), Card("KEY_NUMERIC_5", 0x8A),
    Card("KEY_NUMERIC_6", 0x89), Card("KEY_NUMERIC_7", 0x8F), Card("KEY_NUMERIC_8", 0x8E),
    Card("KEY_NUMERIC_9", 0x8D),
    Card("KEY_0", 0x92), Card("KEY_1", 0x87), Card("KEY_2", 0x86), Card("KEY_3", 0x85), Card("KEY_4", 0x8B),
    Card("KEY_5", 0x8A), Card("KEY_6", 0x89), Card("KEY_7", 0x8F), Card("KEY_8", 0x8E), Card("KEY_9", 0x8D),
    Card("KEY_NUMERIC_STAR", 0xD1), Card("KEY_NUMERIC_POUND", 0xD2),

    Key("KEY_A", VkA), Key("KEY_B", VkA + 1), Key("KEY_C", VkA + 2), Key("KEY_D", VkA + 3),
    Key("KEY_E", VkA + 4), Key("KEY_F", VkA + 5), Key("KEY_G", VkA + 6), Key("KEY_H", VkA + 7),
    Key("KEY_I", VkA + 8), Key("KEY_J", VkA + 9), Key("KEY_K", VkA + 10), Key("KEY_L", VkA + 11),
    Key("KEY_M", VkA + 12), Key("KEY_N", VkA + 13), Key("KEY_O", VkA + 14), Key("KEY_P", VkA + 15),
    Key("KEY_Q", VkA + 16), Key("KEY_R", VkA + 17), Key("KEY_S", VkA + 18), Key("KEY_T", VkA + 19),
    Key("KEY_U", VkA + 20), Key("KEY_V", VkA + 21), Key("KEY_W", VkA + 22), Key("KEY_X", VkA + 23),
    Key("KEY_Y", VkA + 24), Key("KEY_Z", VkA + 25),
    Key("KEY_F1", VkF1), Key("KEY_F2", VkF1 + 1), Key("KEY_F3", VkF1 + 2), Key("KEY_F4", VkF1 + 3),
    Key("KEY_F5", VkF1 + 4), Key("KEY_F6", VkF1 + 5), Key("KEY_F7", VkF1 + 6), Key("KEY_F8", VkF1 + 7),
    Key("KEY_F9", VkF1 + 8), Key("KEY_F10", VkF1 + 9), Key("KEY_F11", VkF1 + 10), Key("KEY_F12", VkF1 + 11),
    Key("KEY_F13", VkF1 + 12), Key("KEY_F14", VkF1 + 13), Key("KEY_F15", VkF1 + 14), Key("KEY_F16", VkF1 + 15),
    Key("KEY_F17", VkF1 + 16), Key("KEY_F18", VkF1 + 17), Key("KEY_F19", VkF1 + 18), Key("KEY_F20", VkF1 + 19),
    Key("KEY_F21", VkF1 + 20), Key("KEY_F22", VkF1 + 21), Key("KEY_F23", VkF1 + 22), Key("KEY_F24", VkF24),
    Key("KEY_ESC", VkEscape), Key("KEY_TAB", VkTab), Key("KEY_SPACE", VkSpace), Key("KEY_BACKSPACE", VkBack),
    Key("KEY_DELETE", VkDelete), Key("KEY_INSERT", VkInsert), Key("KEY_HOME", VkHome), Key("KEY_END", VkEnd),
    Key("KEY_PAGEUP", VkPrior), Key("KEY_PAGEDOWN", VkNext), Key("KEY_HELP", VkHelp), Key("KEY_PRINT", VkPrint),
    Key("KEY_SYSRQ", VkSnapshot), Key("KEY_SLEEP", VkSleep), Key("KEY_CAPSLOCK", VkCapital),
    Key("KEY_NUMLOCK", VkNumLock), Key("KEY_SCROLLLOCK", VkScroll), Key("KEY_COMPOSE", VkApps),
    Key("KEY_KP0", VkNumpad0), Key("KEY_KP1", VkNumpad1), Key("KEY_KP2", VkNumpad2), Key("KEY_KP3", VkNumpad3),
    Key("KEY_KP4", VkNumpad4), Key("KEY_KP5", VkNumpad5), Key("KEY_KP6", VkNumpad6), Key("KEY_KP7", VkNumpad7),
    Key("KEY_KP8", VkNumpad8), Key("KEY_KP9", VkNumpad9), Key("KEY_KPASTERISK", VkMultiply),
    Key("KEY_KPPLUS", VkAdd), Key("KEY_KPMINUS", VkSubtract), Key("KEY_KPSLASH", VkDivide),
    Key("KEY_KPDOT", VkDecimal), Key("KEY_KPENTER", VkReturn),
    Key("KEY_MINUS", VkOemMinus), Key("KEY_EQUAL", VkOemPlus), Key("KEY_COMMA", VkOemComma),
    Key("KEY_DOT", VkOemPeriod), Key("KEY_SLASH", VkOem2), Key("KEY_SEMICOLON", VkOem1),
    Key("KEY_APOSTROPHE", VkOem7), Key("KEY_GRAVE", VkOem3), Key("KEY_LEFTBRACE", VkOem4),
    Key("KEY_RIGHTBRACE", VkOem6), Key("KEY_BACKSLASH", VkOem5),
    Key("KEY_PLAYPAUSE", VkMediaPlayPause), Key("KEY_NEXTSONG", VkMediaNextTrack),
    Key("KEY_PREVIOUSSONG", VkMediaPrevTrack), Key("KEY_STOPCD", VkMediaStop),
    Key("KEY_MAIL", VkLaunchMail), Key("KEY_MEDIA", VkLaunchMediaSelect), Key("KEY_COMPUTER", VkLaunchApp1),
    Key("KEY_CALC", VkLaunchApp2), Key("KEY_WWW", VkBrowserHome), Key("KEY_HOMEPAGE", VkBrowserHome),
    Key("KEY_SEARCH", VkBrowserSearch), Key("KEY_BOOKMARKS", VkBrowserFavorites),
    Key("KEY_REFRESH", VkBrowserRefresh), Key("KEY_FORWARD", VkBrowserForward),
};

// One name per card command byte, for listing: the first of the table's
// names for it, with the profile editor's or the fixed key's label.
constexpr CardButtonName kButtons[] = {
    {"KEY_POWER", "Power"},       {"KEY_MUTE", "Mute"},         {"KEY_MODE", "Mode"},
    {"KEY_MENU", "Menu"},         {"KEY_CHANNELUP", "CHL+"},    {"KEY_CHANNELDOWN", "CHL -"},
    {"KEY_VOLUMEUP", "VOL+"},     {"KEY_VOLUMEDOWN", "VOL -"},  {"KEY_ZOOM", "Zoom"},
    {"KEY_FAVORITES", "Fav"},     {"KEY_EPG", "EPG"},           {"KEY_PAUSE", "Pause"},
    {"KEY_RECORD", "Record"},     {"KEY_BACK", "Back/Recall"},  {"KEY_SUBTITLE", "SUB"},
    {"KEY_CAMERA", "SNAP"},       {"KEY_EXIT", "Exit"},         {"KEY_CLEAR", "Clear"},
    {"KEY_PLAY", "Play"},         {"KEY_STOP", "Stop"},         {"KEY_PREVIOUS", "Replay"},
    {"KEY_REWIND", "REW"},        {"KEY_FASTFORWARD", "FWD"},   {"KEY_NEXT", "Skip"},
    {"KEY_PVR", "Recorded TV"},   {"KEY_UP", "Up"},             {"KEY_DOWN", "Down"},
    {"KEY_LEFT", "Left"},         {"KEY_RIGHT", "Right"},       {"KEY_OK", "OK"},
    {"KEY_NUMERIC_0", "0"},       {"KEY_NUMERIC_1", "1"},       {"KEY_NUMERIC_2", "2"},
    {"KEY_NUMERIC_3", "3"},       {"KEY_NUMERIC_4", "4"},       {"KEY_NUMERIC_5", "5"},
    {"KEY_NUMERIC_6", "6"},       {"KEY_NUMERIC_7", "7"},       {"KEY_NUMERIC_8", "8"},
    {"KEY_NUMERIC_9", "9"},       {"KEY_NUMERIC_STAR", "Star"}, {"KEY_NUMERIC_POUND", "Hash"},
};

} // namespace

const KernelKey* FindKernelKey(std::string_view name) {
    for (const KernelKey& key : kKeys)
        if (name == key.name) return &key;
    return nullptr;
}

bool IsKeyName(std::string_view name) { return name.size() > 4 && name.substr(0, 4) == "KEY_"; }

const CardButtonName* CardButtonNames(std::size_t& count) {
    count = std::size(kButtons);
    return kButtons;
}

} // namespace remorra::keys
