#include "platform/simcard/SimCardProtocol.h"

#include "platform/os/Quote.h"
#include "platform/simcard/SimCardListener.h"
#include "platform/tuner/SimTunerCard.h"

namespace remorra::simcard {

namespace {
constexpr std::size_t kMaxReplyTextBytes = 200;
} // namespace

std::string FormatPlayRequest(const tuner::Timeline& capture) {
    return std::string(kRequestHeader) + tuner::toMode2(capture);
}

bool ParsePlayRequest(std::string_view request, tuner::Timeline& out, std::string& error) {
    if (request.size() > kMaxRequestBytes) {
        error = "request longer than " + std::to_string(kMaxRequestBytes) + " bytes";
        return false;
    }
    if (request.substr(0, kRequestHeader.size()) != kRequestHeader) {
        error = "not a request of this card (first line must be 'REMORRA-SIM 1')";
        return false;
    }
    tuner::Timeline t;
    // The header read as a comment keeps the line numbers of errors those of the request.
    // (Built in steps: g++ 12 at -O3 warns falsely about "#" + std::string.)
    std::string text;
    text.reserve(request.size() + 1);
    text += '#';
    text += request;
    if (!tuner::parseCapture(text, "request", t, error)) return false;
    std::uint64_t total = 0;
    for (std::uint32_t us : t) total += us;
    if (total > kMaxPlayUs) {
        error = "request: longer than " + std::to_string(kMaxPlayUs / 1'000'000) + " s to play";
        return false;
    }
    out = std::move(t);
    return true;
}

std::string PlayRequest(tuner::SimTunerCard& card, std::string_view request, const std::atomic<bool>* cancel) {
    tuner::Timeline t;
    std::string error;
    if (!ParsePlayRequest(request, t, error)) return "ERROR " + error + "\n";
    // The line stays idle a while after each capture, so that the program has
    // handled its last key before the next capture starts.
    t.push_back(kIdleAfterUs);
    std::uint64_t total = 0;
    for (std::uint32_t us : t) total += us;
    const std::size_t bursts = (t.size() + 1) / 2;
    const std::uint64_t ticket = card.playLive(std::move(t));
    if (ticket == 0) return "ERROR the card is busy\n";
    // Bounded, so a card that stops playing cannot hold the caller forever.
    const std::uint64_t limitMs = total / 1000 + 5000;
    bool played = false;
    for (std::uint64_t waited = 0; !played && waited < limitMs; waited += 50) {
        if (cancel && cancel->load()) break;
        played = card.waitPlayed(ticket, 50);
    }
    if (!played) return "ERROR the card stopped before the capture was played\n";
    return "OK " + std::to_string(bursts) + " bursts played\n";
}

bool ParseReply(std::string_view reply, std::string& text) {
    if (!reply.empty() && reply.back() == '\n') reply.remove_suffix(1);
    if (reply.substr(0, 3) == "OK ") {
        text = os::escapeExcerpt(reply.substr(3), kMaxReplyTextBytes);
        return true;
    }
    // Shown to the user as it is: a card's words, never raw bytes.
    if (reply.substr(0, 6) == "ERROR ") text = os::escapeExcerpt(reply.substr(6), kMaxReplyTextBytes);
    else text = "unreadable reply from the card: " + os::quoteExcerpt(reply);
    return false;
}

bool SendToSimCard(const tuner::Timeline& capture, std::string& error, const std::string& endpoint) {
    std::string reply;
    if (!SendRawToSimCard(FormatPlayRequest(capture), reply, error, endpoint)) return false;
    std::string text;
    if (ParseReply(reply, text)) return true;
    error = text;
    return false;
}

namespace {
// "2 s", "1.5 s"
std::string seconds(std::uint32_t ms)
{
    std::string s = std::to_string(ms / 1000);
    if (ms % 1000) {
        std::string frac = std::to_string(1000 + ms % 1000).substr(1);
        while (frac.back() == '0')
            frac.pop_back();
        s += "." + frac;
    }
    return s + " s";
}
} // namespace

std::string IncompleteRequestReply(bool whole, std::uint32_t ms, const char* hint)
{
    return std::string("ERROR request incomplete: ") + (whole ? "not all of it came within " : "nothing more came for ") +
           seconds(ms) + " (" + hint + ")\n";
}

} // namespace remorra::simcard
