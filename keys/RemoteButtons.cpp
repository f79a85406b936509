#include "keys/RemoteButtons.h"

#include "keys/KeyBinding.h"
#include "platform/os/Quote.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace remorra::simcard {

const std::vector<RemoteButton>& RemoteButtons() {
    static const std::vector<RemoteButton> buttons = [] {
        std::vector<RemoteButton> b;
        for (const keys::KeySlotInfo& slot : keys::kKeySlots)
            b.push_back({slot.profileKey, static_cast<std::uint8_t>(std::strtoul(slot.remoteCode, nullptr, 16))});
        const RemoteButton fixed[] = {
            {"Up", 0x81},   {"Right", 0x82}, {"Down", 0x88}, {"Left", 0x90}, {"OK", 0x99},
            {"0", 0x92},    {"1", 0x87},     {"2", 0x86},    {"3", 0x85},    {"4", 0x8B},
            {"5", 0x8A},    {"6", 0x89},     {"7", 0x8F},    {"8", 0x8E},    {"9", 0x8D},
            {"Star", 0xD1}, {"Hash", 0xD2},
        };
        b.insert(b.end(), std::begin(fixed), std::end(fixed));
        return b;
    }();
    return buttons;
}

std::optional<std::uint8_t> FindRemoteButton(std::string_view name) {
    auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
    for (const RemoteButton& b : RemoteButtons()) {
        const std::string_view n(b.name);
        if (std::equal(name.begin(), name.end(), n.begin(), n.end(),
                       [&](char x, char y) { return lower(x) == lower(y); }))
            return b.command;
    }
    return std::nullopt;
}

bool EncodeButtonPresses(const std::vector<std::string>& names, std::uint32_t holdMs, tuner::Timeline& out,
                         std::string& error) {
    if (holdMs > kMaxHoldMs) {
        error = "--hold: at most " + std::to_string(kMaxHoldMs) + " ms";
        return false;
    }
    std::vector<std::uint8_t> commands;
    for (const std::string& name : names) {
        const std::optional<std::uint8_t> command = FindRemoteButton(name);
        if (!command) {
            error = "unknown button " + os::quoteExcerpt(name);
            return false;
        }
        commands.push_back(*command);
    }
    tuner::Timeline t;
    for (std::uint8_t command : commands) {
        // Frames and repeat codes start every 108 ms while the button is held.
        const tuner::Timeline press = tuner::encodeNec(kRemoteAddress, command, static_cast<int>(holdMs / 108), false, {});
        t.insert(t.end(), press.begin(), press.end()); // ends in a burst
        t.push_back(kPressGapMs * 1000);
    }
    out = std::move(t);
    return true;
}

} // namespace remorra::simcard
