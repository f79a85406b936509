// remorra-ir send: plays buttons of the card's remote, or a capture, on the
// simulated card of a running Remorra.
#include "Send.h"

#include "CaptureInput.h"
#include "Options.h"

#include "keys/RemoteButtons.h"
#include "platform/os/Files.h"
#include "platform/simcard/SimCardListener.h"
#include "platform/simcard/SimCardProtocol.h"
#include "platform/tuner/IrCapture.h"

#include <cstdint>
#include <cstdio>

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
    std::string file;
    bool haveFile = false;
    std::uint32_t hold = 0;
    const std::vector<Option> table = {
        numberOption("--hold", 0, simcard::kMaxHoldMs, hold),
        {"--file",
         [&](const std::string& value, std::string&) {
             file = value;
             haveFile = true;
             return Take::Ok;
         }},
    };
    std::vector<std::string> buttons;
    std::string error;
    switch (parseArguments(args, table, buttons, error)) {
    case Parsed::Ok: break;
    case Parsed::Help: printHelp(stdout); return 0;
    case Parsed::Usage: return usage();
    case Parsed::Refused: return refused("send", error);
    }
    if (haveFile == !buttons.empty() || (haveFile && hold)) return usage();

    tuner::Timeline capture;
    if (haveFile) {
        // Read frame by frame and stopped as soon as it cannot fit one request.
        std::uint64_t endUs = 0;
        const CaptureRead read = readCapture(
            file,
            [&](std::uint64_t startUs, const tuner::Timeline& frame) {
                if (!capture.empty()) capture.push_back(static_cast<std::uint32_t>(startUs - endUs));
                capture.insert(capture.end(), frame.begin(), frame.end());
                endUs = startUs;
                for (std::uint32_t d : frame) endUs += d;
                return endUs <= simcard::kMaxPlayUs;
            },
            error);
        if (read == CaptureRead::Stopped)
            error = captureName(file) + ": longer than " + std::to_string(simcard::kMaxPlayUs / 1'000'000) +
                    " s to play";
        if (read != CaptureRead::Ok) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 2;
        }
    } else if (!simcard::EncodeButtonPresses(buttons, hold, capture, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    if (!simcard::SendToSimCard(capture, error)) {
        std::fprintf(stderr, "remorra-ir send: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
