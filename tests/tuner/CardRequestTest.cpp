// Each request the simulated card serves, sent as its callers build it and
// then with one field wrong: a card that lets a wrong field through would
// hide the same mistake in the layers above it.
#include "platform/os/Event.h"
#include "platform/os/LowMemory.h"
#include "platform/tuner/KsWire.h"
#include "platform/tuner/SimTunerCard.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

using namespace remorra::tuner;
using remorra::os::EventHandle;

namespace {

// One call to the card. The legacy pin calls carry their set and id apart
// and `request` is their instance; a disable sends `data` alone.
struct Call {
    SimRequest kind;
    std::vector<std::uint8_t> request;
    std::vector<std::uint8_t> data;
    Guid set{};
    std::uint32_t id = 0;
};

template <std::size_t N> std::vector<std::uint8_t> vec(const std::array<std::uint8_t, N>& a)
{
    return {a.begin(), a.end()};
}

// Records keep their address when a row resizes them within this capacity:
// the card knows a registration by the record's address.
std::vector<std::uint8_t> record(std::size_t size, EventHandle h, std::uint8_t pin)
{
    std::vector<std::uint8_t> r(size);
    r.reserve(32);
    fillEventData(r.data(), size, h, pin);
    return r;
}

constexpr std::uint32_t kLegacyPin18Source0 = 4;

Call probe(EventHandle, std::uint32_t flag)
{
    return {SimRequest::Probe, vec(probeRequest(0x7231, flag)), {0xFE}, {}, 0};
}
Call chipGet(EventHandle, std::uint32_t)
{
    return {SimRequest::ChipGetPin, vec(chipGetPinRequest(0x7231, 4)), {0xEE}, {}, 0};
}
Call direction(EventHandle, std::uint32_t)
{
    return {SimRequest::ChipPinDirection, vec(chipPinDirectionRequest(0x7231, 0x10)), {0x10, 0, 0, 0}, {}, 0};
}
Call legacySet(EventHandle, std::uint32_t)
{
    std::vector<std::uint8_t> instance(kLegacySetInstanceSize);
    instance[0] = 3;
    return {SimRequest::LegacySetPin, instance, {0}, kLegacyGpioSet, 0};
}
Call legacyGet(EventHandle, std::uint32_t)
{
    std::vector<std::uint8_t> instance(kLegacyGetInstanceSize);
    instance[0] = 4;
    return {SimRequest::LegacyGetPin, instance, {0xEE}, kLegacyGpioSet, 0};
}
Call legacyEnable(EventHandle h, std::uint32_t)
{
    return {SimRequest::EventEnable, vec(eventEnableRequest(kLegacyEventSet, kLegacyPin18Source0)),
            record(kLegacyEventDataSize, h, 0), {}, 0};
}
Call chipEnable(EventHandle h, std::uint32_t)
{
    return {SimRequest::EventEnable, vec(eventEnableRequest(kChipEventSet, 18)), record(kChipEventDataSize, h, 18),
            {}, 0};
}
// The legacy record of a registration the test makes first.
Call disable(EventHandle h, std::uint32_t)
{
    return {SimRequest::EventDisable, {}, record(kDisableEventDataSize, h, 0), {}, 0};
}

HResult send(SimTunerCard& card, Call& c)
{
    std::uint32_t returned = 0;
    switch (c.kind) {
    case SimRequest::LegacySetPin:
        return card.propertySet(c.set, c.id, c.request, c.data);
    case SimRequest::LegacyGetPin:
        return card.propertyGet(c.set, c.id, c.request, c.data, &returned);
    case SimRequest::EventEnable:
    case SimRequest::EventDisable:
        return card.ksEvent(c.request, c.data, &returned);
    default:
        return card.ksProperty(c.request, c.data, &returned);
    }
}

int total(const SimTunerCard& card, int (SimTunerCard::*count)(SimRequest) const)
{
    int n = 0;
    for (int k = 0; k < static_cast<int>(SimRequest::Count); ++k)
        n += (card.*count)(static_cast<SimRequest>(k));
    return n;
}

struct Events {
    EventHandle card = remorra::os::createEvent();
    EventHandle other = remorra::os::createEvent();
    ~Events()
    {
        remorra::os::closeEvent(card);
        remorra::os::closeEvent(other);
    }
};

} // namespace

TEST(SimCardRequests, OneWrongFieldIsRefusedAndChangesNothing)
{
    using V = std::vector<std::uint8_t>;
    struct Row {
        const char* name;
        Call (*base)(EventHandle, std::uint32_t);
        void (*alter)(Call&);
    };
    const Row rows[] = {
        {"probe 39 bytes", probe, [](Call& c) { c.request.pop_back(); }},
        {"probe 41 bytes", probe, [](Call& c) { c.request.push_back(0); }},
        {"probe id 1", probe, [](Call& c) { put32(&c.request[16], 1); }},
        {"probe flags set", probe, [](Call& c) { put32(&c.request[20], kPropertyTypeSet); }},
        {"probe kind 2", probe, [](Call& c) { put32(&c.request[24], 2); }},
        {"probe data 0 bytes", probe, [](Call& c) { c.data.clear(); }},
        {"probe data 2 bytes", probe, [](Call& c) { c.data.push_back(0xFE); }},

        {"pin read 31 bytes", chipGet, [](Call& c) { c.request.pop_back(); }},
        {"pin read 33 bytes", chipGet, [](Call& c) { c.request.push_back(0); }},
        {"pin read other set", chipGet, [](Call& c) { c.request[15] ^= 1; }},
        {"pin read id 2", chipGet, [](Call& c) { put32(&c.request[16], 2); }},
        {"pin read flags set", chipGet, [](Call& c) { put32(&c.request[20], kPropertyTypeSet); }},
        {"pin read kind 3", chipGet, [](Call& c) { put32(&c.request[24], 3); }},
        {"pin read implementation 0x7230", chipGet, [](Call& c) { put16(&c.request[28], 0x7230); }},
        {"pin read count 2", chipGet, [](Call& c) { c.request[30] = 2; }},
        {"pin read pin 32", chipGet, [](Call& c) { c.request[31] = 32; }},
        {"pin read data 0 bytes", chipGet, [](Call& c) { c.data.clear(); }},
        {"pin read data 2 bytes", chipGet, [](Call& c) { c.data.push_back(0xEE); }},

        {"direction 39 bytes", direction, [](Call& c) { c.request.pop_back(); }},
        {"direction 41 bytes", direction, [](Call& c) { c.request.push_back(0); }},
        {"direction id 2", direction, [](Call& c) { put32(&c.request[16], 2); }},
        {"direction flags get", direction, [](Call& c) { put32(&c.request[20], kPropertyTypeGet); }},
        {"direction kind 3", direction, [](Call& c) { put32(&c.request[24], 3); }},
        {"direction implementation 0x7230", direction, [](Call& c) { put16(&c.request[28], 0x7230); }},
        {"direction count 0", direction, [](Call& c) { c.request[30] = 0; }},
        {"direction pin byte 1", direction, [](Call& c) { c.request[31] = 1; }},
        {"direction reserved byte 39", direction, [](Call& c) { c.request[39] = 1; }},
        {"direction data 3 bytes", direction, [](Call& c) { c.data.pop_back(); }},
        {"direction data 5 bytes", direction, [](Call& c) { c.data.push_back(0); }},

        {"legacy write other set", legacySet, [](Call& c) { c.set = kChipGpioSet; }},
        {"legacy write id 1", legacySet, [](Call& c) { c.id = 1; }},
        {"legacy write 24 bytes", legacySet, [](Call& c) { c.request.pop_back(); }},
        {"legacy write 26 bytes", legacySet, [](Call& c) { c.request.push_back(0); }},
        {"legacy write reserved byte 24", legacySet, [](Call& c) { c.request[24] = 1; }},
        {"legacy write pin 32", legacySet, [](Call& c) { c.request[0] = 32; }},
        {"legacy write data 0 bytes", legacySet, [](Call& c) { c.data.clear(); }},
        {"legacy write data 2 bytes", legacySet, [](Call& c) { c.data.push_back(0); }},

        {"legacy read other set", legacyGet, [](Call& c) { c.set = kChipGpioSet; }},
        {"legacy read id 1", legacyGet, [](Call& c) { c.id = 1; }},
        {"legacy read 31 bytes", legacyGet, [](Call& c) { c.request.pop_back(); }},
        {"legacy read 33 bytes", legacyGet, [](Call& c) { c.request.push_back(0); }},
        {"legacy read reserved byte 31", legacyGet, [](Call& c) { c.request[31] = 1; }},
        {"legacy read data 0 bytes", legacyGet, [](Call& c) { c.data.clear(); }},
        {"legacy read data 2 bytes", legacyGet, [](Call& c) { c.data.push_back(0xEE); }},

        {"enable 23 bytes", legacyEnable, [](Call& c) { c.request.pop_back(); }},
        {"enable 25 bytes", legacyEnable, [](Call& c) { c.request.push_back(0); }},
        {"enable other set", legacyEnable, [](Call& c) { c.request[15] ^= 1; }},
        {"enable type 2", legacyEnable, [](Call& c) { put32(&c.request[20], 2); }},
        {"legacy enable id 8", legacyEnable, [](Call& c) { put32(&c.request[16], 8); }},
        // A record of its own size, so that a sanitiser sees a read past it.
        {"legacy record 15 bytes", legacyEnable, [](Call& c) { c.data = V(c.data.begin(), c.data.end() - 1); }},
        {"legacy record 24 bytes", legacyEnable, [](Call& c) { c.data.resize(kChipEventDataSize); }},
        {"legacy record flags 0", legacyEnable, [](Call& c) { put32(c.data.data(), 0); }},
        {"legacy record no handle", legacyEnable, [](Call& c) { put32(&c.data[4], 0); }},
        {"legacy record reserved byte 8", legacyEnable, [](Call& c) { c.data[8] = 1; }},
        {"legacy record reserved byte 15", legacyEnable, [](Call& c) { c.data[15] = 1; }},
        {"chip record 16 bytes", chipEnable, [](Call& c) { c.data.resize(kLegacyEventDataSize); }},
        {"chip record flags 2", chipEnable, [](Call& c) { put32(c.data.data(), 2); }},
        {"chip record pin 17", chipEnable, [](Call& c) { c.data[16] = 17; }},
        {"chip record reserved byte 23", chipEnable, [](Call& c) { c.data[23] = 1; }},
        // The pin travels twice; both copies name pin 32.
        {"chip pin 32", chipEnable,
         [](Call& c) {
             put32(&c.request[16], 32);
             c.data[16] = 32;
         }},

        {"disable 15 bytes", disable, [](Call& c) { c.data.pop_back(); }},
        {"disable 17 bytes", disable, [](Call& c) { c.data.push_back(0); }},
        {"disable flags 0", disable, [](Call& c) { put32(c.data.data(), 0); }},
        {"disable with a copy of the record", disable, [](Call& c) { c.data = V(c.data.begin(), c.data.end()); }},
    };
    const remorra::os::LowMemoryBlock flag(1);
    ASSERT_TRUE(flag);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (const bool alter : {false, true}) {
            SCOPED_TRACE(alter ? "altered" : "as built");
            const Events events;
            flag.data()[0] = 0;
            Call call = row.base(events.card, flag.address32());
            SimTunerCard card(SimTunerCard::Options{0x7231, 18});
            const bool disabling = call.kind == SimRequest::EventDisable;
            if (disabling) {
                ASSERT_EQ(card.ksEvent(vec(eventEnableRequest(kLegacyEventSet, kLegacyPin18Source0)), call.data,
                                       nullptr),
                          kOk);
            }
            if (!alter) {
                EXPECT_EQ(send(card, call), kOk);
                continue;
            }
            row.alter(call);
            const V data = call.data;
            const int accepted = total(card, &SimTunerCard::accepted);
            EXPECT_EQ(send(card, call), kInvalidArg);
            EXPECT_EQ(total(card, &SimTunerCard::accepted), accepted);
            EXPECT_EQ(total(card, &SimTunerCard::refused), 1);
            EXPECT_EQ(call.data, data) << "nothing is read into the data";
            EXPECT_EQ(flag.data()[0], 0) << "no probe answer";
            EXPECT_EQ(card.directionMask(), 0u);
            EXPECT_EQ(card.directionValue(), 0u);
            EXPECT_EQ(card.writtenLevel(3), 1);
            // A refused disable keeps its registration, which still signals.
            EXPECT_EQ(card.registrations(), disabling ? 1u : 0u);
            card.fire(0);
            card.fire(1);
            remorra::os::setEvent(events.other);
            const EventHandle both[] = {events.card, events.other};
            EXPECT_EQ(remorra::os::waitForEvents(both, 2), disabling ? 0 : 1);
        }
    }
}
