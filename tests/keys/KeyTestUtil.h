#pragma once
// Compact notation for expected strokes: "D11 P10 U11" is Ctrl down, 10 ms,
// Ctrl up (codes in hex, pauses in decimal ms).
#include "keys/ButtonEvents.h"
#include "keys/KeyOutput.h"

#include <sstream>
#include <string>
#include <vector>

namespace remorra::keys::test {

inline std::vector<KeyEvent> Strokes(const std::string& text) {
    std::vector<KeyEvent> out;
    std::istringstream in(text);
    std::string token;
    while (in >> token) {
        const char kind = token[0];
        const std::string number = token.substr(1);
        if (kind == 'D') out.push_back({KeyEvent::Down, static_cast<std::uint32_t>(std::stoul(number, nullptr, 16))});
        if (kind == 'U') out.push_back({KeyEvent::Up, static_cast<std::uint32_t>(std::stoul(number, nullptr, 16))});
        if (kind == 'P') out.push_back({KeyEvent::Pause, static_cast<std::uint32_t>(std::stoul(number))});
    }
    return out;
}

// The lines LIRC clients would read, one per button.
struct RecordingButtons final : IButtonEventSink {
    std::vector<std::string> lines;
    void OnButton(const ButtonEvent& e) override {
        char line[160];
        FormatLircLine(e, line, sizeof line);
        lines.emplace_back(line);
    }
};

} // namespace remorra::keys::test
