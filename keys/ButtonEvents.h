#pragma once
// Buttons as LIRC's clients see them: the remote's name, the button's name,
// a code and a repeat count, in lircd's broadcast line; and the command side
// those clients use when they connect (VERSION, LIST, LIST remote).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace remorra::keys {

// Fixed size: the key path hands one over without allocating. Names that do
// not fit are cut; LIRC names hold no spaces, so a space is written as '_'.
struct ButtonEvent {
    static constexpr std::size_t kNameRoom = 48;
    std::uint64_t code = 0;
    std::uint32_t repeat = 0;
    char button[kNameRoom] = {};
    char remote[kNameRoom] = {};

    void setNames(std::string_view buttonName, std::string_view remoteName);
};

// Key path thread (the interrupt thread or the thread that handles keys):
// takes an event without blocking, allocating or waiting; may drop it.
class IButtonEventSink {
public:
    virtual ~IButtonEventSink() = default;
    virtual void OnButton(const ButtonEvent& event) = 0;
};

// The remote name of the card's own remote.
inline constexpr const char* kCardRemoteName = "Remorra";

// "%016llx %02x %s %s\n"; returns its length (0 when `room` is too small).
std::size_t FormatLircLine(const ButtonEvent& event, char* out, std::size_t room);

// Counts repeats per button: a press starts at 0, each repeat of the same
// button adds one, any other button starts again. One caller thread.
class RepeatCounter {
public:
    std::uint32_t next(std::string_view remote, std::string_view button, bool isRepeat);

private:
    char m_last[2 * ButtonEvent::kNameRoom + 1] = {};
    std::uint32_t m_count = 0;
};

struct LircButton {
    std::uint64_t code;
    std::string name;
};
struct LircRemote {
    std::string name;
    std::vector<LircButton> buttons;
};

// The reply to one command line from a client, framed as lircd frames it
// (BEGIN, the command, SUCCESS or ERROR, DATA with a line count, END); empty
// for an empty line.
std::string LircCommandReply(std::string_view line, const std::vector<LircRemote>& remotes,
                             std::string_view version);

// The card's remote: every named button with its NEC scancode.
LircRemote CardRemote();

} // namespace remorra::keys
