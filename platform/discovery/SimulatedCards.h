#pragma once
// Simulated tuner cards as capture devices. By default one card stands in
// when no real receiver is found; tests and demos describe their own set:
//
//   REMORRA_SIM_CARDS="Webcam|none; Other Capture; Quorbel Simulated Tuner|0x7231|4"
//   REMORRA_SIM_CARDS_FILE=cards.txt      (the same entries, one per line, # comments)
//
// An entry is NAME[|ID[|PIN]]: ID is the implementation id the card answers
// the probe with (decimal or 0x hex; "none" or 0: it answers none), PIN the
// receiver's GPIO pin. Set but empty means no card at all.
#include "platform/discovery/CaptureDevices.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace remorra::discovery {

struct SimCardSpec {
    std::string name;
    std::uint16_t implementationId = 0x7231;
    std::uint8_t pin = 4;
};

inline constexpr const char* kDefaultSimCardName = "Quorbel Simulated Tuner";

// Parses entries separated by ';' or new lines. On bad input returns false
// with `error` naming the entry and what is wrong; `out` is left untouched.
bool ParseSimCardSpecs(std::string_view text, std::vector<SimCardSpec>& out, std::string& error);

// The cards described through the environment: nullopt when neither variable
// is set. A malformed description or an unreadable file is an error (and no
// card), never a partial set.
std::optional<std::vector<SimCardSpec>> DescribedSimCards(std::string& error);

// One device per card; each source binds its own card objects, so two
// discoveries (start-up and the chooser) get independent filters.
class SimCardDeviceSource : public ICaptureDeviceSource {
public:
    explicit SimCardDeviceSource(std::vector<SimCardSpec> cards);
    HResult createEnumerator() override;
    HResult openCategory() override;
    std::unique_ptr<IDeviceMoniker> next() override;

private:
    ListDeviceSource m_list;
};

} // namespace remorra::discovery
