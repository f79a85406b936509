#include "keys/ButtonEvents.h"

#include "keys/RemoteButtons.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace remorra::keys {
namespace {

void copyName(std::string_view from, char (&to)[ButtonEvent::kNameRoom]) {
    const std::size_t n = std::min(from.size(), sizeof to - 1);
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(from[i]);
        to[i] = (c <= ' ' || c == 0x7f) ? '_' : static_cast<char>(c);
    }
    to[n] = '\0';
}

bool equalNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

std::string frame(std::string_view command, bool ok, const std::vector<std::string>& data) {
    std::string out = "BEGIN\n";
    out.append(command).append("\n").append(ok ? "SUCCESS\n" : "ERROR\n");
    if (!data.empty()) {
        out += "DATA\n" + std::to_string(data.size()) + "\n";
        for (const std::string& line : data) out += line + "\n";
    }
    out += "END\n";
    return out;
}

std::string codeLine(const LircButton& b) {
    char code[24];
    std::snprintf(code, sizeof code, "%016" PRIx64, b.code);
    return std::string(code) + " " + b.name;
}

// Commands that lircd takes but a receive-only daemon cannot carry out.
constexpr std::string_view kSendCommands[] = {"SEND_ONCE", "SEND_START", "SEND_STOP", "SET_TRANSMITTERS",
                                              "SET_INPUTLOG", "DRV_OPTION", "SIMULATE"};

} // namespace

void ButtonEvent::setNames(std::string_view buttonName, std::string_view remoteName) {
    copyName(buttonName, button);
    copyName(remoteName, remote);
}

std::size_t FormatLircLine(const ButtonEvent& event, char* out, std::size_t room) {
    const int n = std::snprintf(out, room, "%016" PRIx64 " %02x %s %s\n", event.code,
                                static_cast<unsigned>(std::min<std::uint32_t>(event.repeat, 0xffff)), event.button,
                                event.remote);
    return n > 0 && static_cast<std::size_t>(n) < room ? static_cast<std::size_t>(n) : 0;
}

std::uint32_t RepeatCounter::next(std::string_view remote, std::string_view button, bool isRepeat) {
    char key[sizeof m_last];
    std::snprintf(key, sizeof key, "%.*s %.*s", static_cast<int>(std::min<std::size_t>(remote.size(), 48)),
                  remote.data(), static_cast<int>(std::min<std::size_t>(button.size(), 48)), button.data());
    if (isRepeat && std::strcmp(key, m_last) == 0) return ++m_count;
    std::memcpy(m_last, key, sizeof key);
    return m_count = 0;
}

std::string LircCommandReply(std::string_view line, const std::vector<LircRemote>& remotes,
                             std::string_view version) {
    const std::string_view command = trim(line);
    if (command.empty()) return {};
    std::vector<std::string_view> words;
    for (std::string_view rest = command; !rest.empty();) {
        const std::size_t end = std::min(rest.find_first_of(" \t"), rest.size());
        if (end > 0) words.push_back(rest.substr(0, end));
        rest.remove_prefix(end);
        rest = trim(rest);
    }
    const std::string_view verb = words.front();
    if (equalNoCase(verb, "VERSION") && words.size() == 1) return frame(command, true, {std::string(version)});
    if (equalNoCase(verb, "LIST") && words.size() <= 3) {
        std::vector<std::string> data;
        if (words.size() == 1) {
            for (const LircRemote& r : remotes) data.push_back(r.name);
            return frame(command, true, data);
        }
        const auto remote = std::find_if(remotes.begin(), remotes.end(),
                                         [&](const LircRemote& r) { return r.name == words[1]; });
        if (remote == remotes.end()) return frame(command, false, {"unknown remote: \"" + std::string(words[1]) + "\""});
        for (const LircButton& b : remote->buttons) {
            if (words.size() == 3 && b.name != words[2]) continue;
            data.push_back(codeLine(b));
        }
        if (words.size() == 3 && data.empty())
            return frame(command, false, {"unknown command: \"" + std::string(words[2]) + "\""});
        return frame(command, true, data);
    }
    for (std::string_view send : kSendCommands) {
        if (equalNoCase(verb, send)) return frame(command, false, {"hardware does not support sending"});
    }
    return frame(command, false, {"unknown directive: \"" + std::string(verb) + "\""});
}

LircRemote CardRemote() {
    LircRemote remote{kCardRemoteName, {}};
    // The card's remote sends the address byte 0x04 and its inverse: a kernel
    // "nec" scancode of 0x04 << 8 | command.
    const std::uint64_t address = simcard::kRemoteAddress & 0xffu;
    for (const simcard::RemoteButton& b : simcard::RemoteButtons())
        remote.buttons.push_back({address << 8 | b.command, b.name});
    return remote;
}

} // namespace remorra::keys
