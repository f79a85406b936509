#pragma once
// Lets the user play IR on a running simulated card: a listener on a local
// endpoint private to the user takes play requests (SimCardProtocol.h) one at
// a time and plays each on the card in real time. Start-up creates one when
// the chosen device is a simulated card and keeps it until shutdown, before
// the card goes.
#include "platform/tuner/IrCapture.h"

#include <cstdint>
#include <memory>
#include <string>

namespace remorra::tuner {
class SimTunerCard;
}

namespace remorra::simcard {

// This user's endpoint: REMORRA_SIM_SOCKET when set, else the platform's
// default (SimCardDefaultEndpoint): on Linux simcard.sock in the runtime
// folder the instance lock uses (os::findRuntimeFolder); on Windows the named pipe
// \\.\pipe\remorra-simcard-<the user's SID>.
std::string SimCardEndpoint();
// The default endpoint as the user is told it.
const char* SimCardDefaultEndpoint();

class CSimCardListener {
public:
    explicit CSimCardListener(tuner::SimTunerCard& card, std::string endpoint = SimCardEndpoint());
    ~CSimCardListener(); // stops
    CSimCardListener(const CSimCardListener&) = delete;
    CSimCardListener& operator=(const CSimCardListener&) = delete;

    // Opens the endpoint (its folder private to the user, the endpoint only
    // for the user) and starts serving. False with `error` when the endpoint
    // cannot be opened or another live card already serves it; a stale one
    // left by a crashed run is replaced.
    bool Start(std::string& error);
    // Stops serving and removes the endpoint. Idempotent.
    void Stop();
    const std::string& endpoint() const;

    // How long a request may pause between bytes and how long it may take
    // as a whole; past either the card refuses it. Call before Start.
    struct RequestTimeouts {
        std::uint32_t idleMs = 2000;
        std::uint32_t wholeMs = 10'000;
    };
    void setRequestTimeouts(RequestTimeouts timeouts);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// Sends one capture to the card serving `endpoint` and waits until it has
// been played. False with `error` (the card's refusal, or why it could not be
// reached).
bool SendToSimCard(const tuner::Timeline& capture, std::string& error, const std::string& endpoint = SimCardEndpoint());
// Sends a raw request (as written) and returns the card's reply line.
bool SendRawToSimCard(const std::string& request, std::string& reply, std::string& error,
                      const std::string& endpoint = SimCardEndpoint());

} // namespace remorra::simcard
