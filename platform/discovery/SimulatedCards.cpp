#include "platform/discovery/SimulatedCards.h"

#include "platform/os/Files.h"
#include "platform/os/Quote.h"
#include "platform/tuner/SimTunerCard.h"

#include <cstdlib>

namespace remorra::discovery {
namespace {

constexpr std::size_t kMaxNameLength = 255;
constexpr std::size_t kMaxCards = 64;

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

bool parseNumber(std::string_view text, unsigned long max, unsigned long& value) {
    const std::string s(text);
    if (s.empty() || s.front() == '-' || s.front() == '+') return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoul(s.c_str(), &end, 0);
    return errno == 0 && end && *end == '\0' && value <= max;
}

// One entry; false with `what` on bad input.
bool parseEntry(std::string_view entry, SimCardSpec& card, std::string& what) {
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t bar = entry.find('|');
        fields.push_back(trim(entry.substr(0, bar)));
        if (bar == std::string_view::npos) break;
        entry.remove_prefix(bar + 1);
    }
    if (fields.size() > 3) return what = "too many fields (NAME|ID|PIN)", false;
    if (fields[0].empty()) return what = "empty name", false;
    if (fields[0].size() > kMaxNameLength) return what = "name longer than 255 characters", false;
    for (char c : fields[0])
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return what = "control character in name", false;
    card.name = std::string(fields[0]);
    if (fields.size() > 1) {
        unsigned long id = 0;
        if (fields[1] == "none") card.implementationId = 0;
        else if (parseNumber(fields[1], 0xFFFF, id)) card.implementationId = static_cast<std::uint16_t>(id);
        else return what = "bad implementation id " + os::quoteExcerpt(fields[1]), false;
    }
    if (fields.size() > 2) {
        unsigned long pin = 0;
        if (!parseNumber(fields[2], 31, pin)) return what = "bad pin " + os::quoteExcerpt(fields[2]) + " (0-31)", false;
        card.pin = static_cast<std::uint8_t>(pin);
    }
    return true;
}

} // namespace

bool ParseSimCardSpecs(std::string_view text, std::vector<SimCardSpec>& out, std::string& error) {
    std::vector<SimCardSpec> cards;
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find_first_of(";\n");
        std::string_view entry = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (const std::size_t hash = entry.find('#'); hash != std::string_view::npos) entry = entry.substr(0, hash);
        entry = trim(entry);
        if (entry.empty()) continue;
        ++number;
        SimCardSpec card;
        std::string what;
        if (!parseEntry(entry, card, what)) {
            error = "card " + std::to_string(number) + ": " + what;
            return false;
        }
        if (cards.size() == kMaxCards) {
            error = "more than " + std::to_string(kMaxCards) + " cards";
            return false;
        }
        cards.push_back(std::move(card));
    }
    out = std::move(cards);
    return true;
}

std::optional<std::vector<SimCardSpec>> DescribedSimCards(std::string& error) {
    std::vector<SimCardSpec> cards;
    if (const char* inline_ = std::getenv("REMORRA_SIM_CARDS")) {
        if (!ParseSimCardSpecs(inline_, cards, error)) {
            error = "REMORRA_SIM_CARDS: " + error;
            return std::vector<SimCardSpec>{};
        }
        return cards;
    }
    if (const char* file = std::getenv("REMORRA_SIM_CARDS_FILE")) {
        std::string text;
        if (!os::readWholeFile(file, text)) {
            error = std::string(file) + ": cannot be read";
            return std::vector<SimCardSpec>{};
        }
        if (!ParseSimCardSpecs(text, cards, error)) {
            error = std::string(file) + ": " + error;
            return std::vector<SimCardSpec>{};
        }
        return cards;
    }
    return std::nullopt;
}

SimCardDeviceSource::SimCardDeviceSource(std::vector<SimCardSpec> cards) {
    for (const SimCardSpec& c : cards) {
        tuner::SimTunerCard::Options o;
        o.implementationId = c.implementationId;
        o.irPin = c.pin;
        m_list.devices.push_back({c.name, std::make_shared<tuner::SimTunerCard>(o), kOk, kOk});
    }
}

HResult SimCardDeviceSource::createEnumerator() { return m_list.createEnumerator(); }
HResult SimCardDeviceSource::openCategory() { return m_list.openCategory(); }
std::unique_ptr<IDeviceMoniker> SimCardDeviceSource::next() { return m_list.next(); }

} // namespace remorra::discovery
