#pragma once
// What a client and a running simulated card say to each other: one request
// carrying a capture to play, one reply line. Text, so that a request can be
// written by hand:
//
//   request:  "REMORRA-SIM 1\n" followed by the capture as mode2 text
//   reply:    "OK <bursts> bursts played\n"  or  "ERROR <what is wrong>\n"
//
// A refused request changes nothing on the card.
#include "platform/tuner/IrCapture.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace remorra::tuner {
class SimTunerCard;
}

namespace remorra::simcard {

inline constexpr std::string_view kRequestHeader = "REMORRA-SIM 1\n";
inline constexpr std::size_t kMaxRequestBytes = 1u << 20;
inline constexpr std::uint64_t kMaxPlayUs = 60'000'000;
inline constexpr std::uint32_t kIdleAfterUs = 300'000;

std::string FormatPlayRequest(const tuner::Timeline& capture);
// False with `error` when the request is malformed, empty or too long to play.
// The capture's trailing space, if any, is idle line and not kept.
bool ParsePlayRequest(std::string_view request, tuner::Timeline& out, std::string& error);

// Plays a request on the card in real time and returns the reply once it has
// been played (or an ERROR reply at once). `cancel` reading true gives up
// waiting (the listener is stopping).
std::string PlayRequest(tuner::SimTunerCard& card, std::string_view request, const std::atomic<bool>* cancel = nullptr);

// The refusal of a request that stopped coming: `whole` when its deadline
// of `ms` passed, else when nothing came for `ms`; `hint` says how a client
// ends a request on this platform.
std::string IncompleteRequestReply(bool whole, std::uint32_t ms, const char* hint);

// The text of a reply (without "OK "/"ERROR " and the newline); true for OK.
bool ParseReply(std::string_view reply, std::string& text);

} // namespace remorra::simcard
