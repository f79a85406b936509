// The simulated card's request parser over arbitrary request bytes: property
// set/get, raw property requests, event enable and disable in any order and
// of any size, then edges fired at whatever was registered. Each operation
// starts with a byte choosing its kind; a second byte may put one of the
// card's property-set ids in front of the request so the checks behind the
// id are reached.
#include "FuzzInput.h"
#include "platform/os/Event.h"
#include "platform/os/LowMemory.h"
#include "platform/tuner/KsWire.h"
#include "platform/tuner/SimTunerCard.h"

#include <algorithm>
#include <deque>
#include <vector>

using namespace remorra::tuner;
using remorra::fuzz::fail;
using remorra::fuzz::FuzzInput;

namespace {

const Guid kSets[] = {kLegacyGpioSet, kLegacyEventSet, kChipGpioSet, kChipEventSet, kProbeSet};

std::vector<std::uint8_t> bytes(FuzzInput& in, std::size_t maxSize, bool withSet)
{
    const std::uint8_t set = withSet ? in.u8() : 0xFF;
    std::vector<std::uint8_t> out(in.u8() % (maxSize + 1));
    for (auto& b : out)
        b = in.u8();
    if (set < std::size(kSets) && out.size() >= 16)
        putGuid(out.data(), kSets[set]);
    return out;
}

bool knownResult(HResult hr) { return hr == kOk || hr == kInvalidArg || hr == kNotFound || hr == kNoInterface; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const remorra::os::EventHandle events[2] = {remorra::os::createEvent(), remorra::os::createEvent()};
    // Event records live as long as a driver may hold them: past the card.
    std::deque<std::vector<std::uint8_t>> records;
    const remorra::os::LowMemoryBlock flag(1);
    if (!flag)
        fail("no memory below 4 GiB");
    {
        SimTunerCard card(SimTunerCard::Options{static_cast<std::uint16_t>(in.u8() & 1 ? 0x7231 : 0), in.u8()});
        for (int ops = 0; !in.empty() && ops < 256; ++ops) {
            HResult hr = kOk;
            std::uint32_t returned = 0;
            switch (in.u8() % 7) {
            case 0:
            case 1: {
                const Guid set = kSets[in.u8() % std::size(kSets)];
                const std::uint32_t id = in.u8() % 3;
                const auto instance = bytes(in, 40, false);
                auto value = bytes(in, 8, false);
                hr = in.u8() & 1 ? card.propertySet(set, id, instance, value)
                                 : card.propertyGet(set, id, instance, value, &returned);
                break;
            }
            case 2: {
                auto request = bytes(in, 48, true);
                // Now and then the probe's pointer names a live flag, which the card may write.
                if (request.size() >= 36 && in.u8() & 1)
                    put32(request.data() + 32, flag.address32());
                auto value = bytes(in, 8, false);
                hr = card.ksProperty(request, value, &returned);
                if (flag.data()[0] > 1)
                    fail("the probe's flag is 0 or 1");
                break;
            }
            case 3: {
                const auto request = bytes(in, 32, true);
                records.push_back(bytes(in, 32, false));
                auto& record = records.back();
                if (record.size() >= 8 && in.u8() & 1)
                    put32(record.data() + 4, events[in.u8() & 1]);
                hr = card.ksEvent(request, record, &returned);
                break;
            }
            case 4: {
                if (records.empty())
                    break;
                auto& record = records[in.u8() % records.size()];
                hr = card.ksEvent({}, std::span(record).first(std::min<std::size_t>(record.size(), in.u8() % 33)),
                                  &returned);
                break;
            }
            case 5:
                card.fire(in.u8() & 1);
                break;
            default:
                if (card.irLevel() > 1)
                    fail("the receiver level is 0 or 1");
                break;
            }
            if (!knownResult(hr))
                fail("a result code the driver does not give");
            if (returned > 4)
                fail("more bytes returned than any property holds");
        }
    }
    remorra::os::closeEvent(events[0]);
    remorra::os::closeEvent(events[1]);
    return 0;
}
