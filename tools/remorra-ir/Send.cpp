// remorra-ir send: plays buttons of the card's remote, or a capture, on the
// simulated card of a running Remorra.
#include "Send.h"

#include "platform/os/Files.h"
#include "platform/simcard/RemoteButtons.h"
#include "platform/simcard/SimCardListener.h"
#include "platform/tuner/IrCapture.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <iterator>

using namespace remorra;

namespace {

const char* kSendHelp =
    "usage: remorra-ir send [--hold MS] BUTTON...\n"
    "       remorra-ir send --file CAPTURE\n"
    "Plays IR on the simulated card of a running Remorra (the endpoint is REMORRA_SIM_SOCKET,\n"
    "else %s) and returns once it has been played.\n"
    "BUTTON: the remote's buttons, NEC address 0xFB04: ";

void printHelp(std::FILE* to) {
    std::fprintf(to, kSendHelp, simcard::SimCardDefaultEndpoint());
    const char* sep = "";
    for (const simcard::RemoteButton& b : simcard::RemoteButtons()) {
        std::fprintf(to, "%s%s", sep, b.name);
        sep = " ";
    }
    std::fputs("\n--hold MS: repeat codes while the button is held (each button); --file: a mode2 or raw\n"
               "capture, '-' for standard input.\n",
               to);
}

int usage() {
    printHelp(stderr);
    return 2;
}

} // namespace

int sendCommand(const std::vector<std::string>& args) {
    std::vector<std::string> buttons;
    std::string file;
    bool haveFile = false;
    unsigned long hold = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help") {
            printHelp(stdout);
            return 0;
        }
        if (a == "--hold" || a == "--file") {
            if (i + 1 >= args.size()) return usage();
            const std::string& v = args[++i];
            if (a == "--file") {
                file = v;
                haveFile = true;
                continue;
            }
            char* end = nullptr;
            hold = std::strtoul(v.c_str(), &end, 10);
            if (v.empty() || !end || *end || v[0] == '-') return usage();
        } else if (a.size() > 1 && a.rfind("--", 0) == 0) {
            return usage();
        } else {
            buttons.push_back(a);
        }
    }
    if (haveFile == !buttons.empty() || (haveFile && hold)) return usage();

    tuner::Timeline capture;
    std::string error;
    if (haveFile) {
        std::string text;
        if (file == "-") text.assign(std::istreambuf_iterator<char>(std::cin), {});
        else if (!os::readWholeFile(file, text)) {
            std::fprintf(stderr, "%s: cannot read the file\n", file.c_str());
            return 2;
        }
        if (!tuner::parseCapture(text, file == "-" ? "<stdin>" : file, capture, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 2;
        }
    } else if (!simcard::EncodeButtonPresses(buttons, static_cast<std::uint32_t>(
                                                            std::min<unsigned long>(hold, simcard::kMaxHoldMs + 1)),
                                             capture, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    if (!simcard::SendToSimCard(capture, error)) {
        std::fprintf(stderr, "remorra-ir send: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
