#include "keys/ButtonEvents.h"

#include <gtest/gtest.h>

using namespace remorra::keys;

namespace {

std::vector<LircRemote> Remotes() {
    return {CardRemote(), {"tv", {{0x800f040c, "KEY_SLEEP"}, {0x800f0401, "KEY_1"}}}};
}

TEST(LircProtocol, BroadcastLineIsLircdsFormat) {
    ButtonEvent e;
    e.code = 0x0481;
    e.repeat = 3;
    e.setNames("Up", "Remorra");
    char line[160];
    ASSERT_GT(FormatLircLine(e, line, sizeof line), 0u);
    EXPECT_STREQ(line, "0000000000000481 03 Up Remorra\n");
    e.setNames("two words", std::string(100, 'r'));
    FormatLircLine(e, line, sizeof line);
    EXPECT_STREQ(line, ("0000000000000481 03 two_words " + std::string(47, 'r') + "\n").c_str());
    EXPECT_EQ(FormatLircLine(e, line, 10), 0u); // never a cut line
}

TEST(LircProtocol, CommandsAnswerInLircdsFraming) {
    struct Case {
        const char* command;
        const char* reply;
    } cases[] = {
        {"VERSION", "BEGIN\nVERSION\nSUCCESS\nDATA\n1\n1.2.3\nEND\n"},
        {"  list \r", "BEGIN\nlist\nSUCCESS\nDATA\n2\nRemorra\ntv\nEND\n"},
        {"LIST tv", "BEGIN\nLIST tv\nSUCCESS\nDATA\n2\n00000000800f040c KEY_SLEEP\n00000000800f0401 KEY_1\nEND\n"},
        {"LIST tv KEY_1", "BEGIN\nLIST tv KEY_1\nSUCCESS\nDATA\n1\n00000000800f0401 KEY_1\nEND\n"},
        {"LIST Remorra Up", "BEGIN\nLIST Remorra Up\nSUCCESS\nDATA\n1\n0000000000000481 Up\nEND\n"},
        {"LIST radio", "BEGIN\nLIST radio\nERROR\nDATA\n1\nunknown remote: \"radio\"\nEND\n"},
        {"LIST tv KEY_2", "BEGIN\nLIST tv KEY_2\nERROR\nDATA\n1\nunknown command: \"KEY_2\"\nEND\n"},
        {"SEND_ONCE tv KEY_1", "BEGIN\nSEND_ONCE tv KEY_1\nERROR\nDATA\n1\nhardware does not support sending\nEND\n"},
        {"FLY", "BEGIN\nFLY\nERROR\nDATA\n1\nunknown directive: \"FLY\"\nEND\n"},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        EXPECT_EQ(LircCommandReply(c.command, Remotes(), "1.2.3"), c.reply);
    }
}

TEST(LircProtocol, RepeatsCountPerButton) {
    RepeatCounter r;
    EXPECT_EQ(r.next("Remorra", "Up", false), 0u);
    EXPECT_EQ(r.next("Remorra", "Up", true), 1u);
    EXPECT_EQ(r.next("Remorra", "Up", true), 2u);
    EXPECT_EQ(r.next("Remorra", "Down", true), 0u); // a repeat of another button is a new press
    EXPECT_EQ(r.next("Remorra", "Down", false), 0u);
    EXPECT_EQ(r.next("tv", "Down", true), 0u);
}

} // namespace
