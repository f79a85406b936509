#pragma once
// Wire layouts of the driver requests and records, built byte by byte so that
// no compiler padding can creep into what the driver reads.
#include "platform/tuner/CaptureFilter.h"

#include <array>
#include <cstdint>

namespace remorra::tuner {

inline constexpr Guid kLegacyGpioSet = makeGuid(0x9490E589, 0x6B17, 0x44EC, 0x94355E3587F9FBCEull);
inline constexpr Guid kLegacyEventSet = makeGuid(0x5B1FA1FB, 0x4023, 0x4950, 0x818E7B4BC8834258ull);
inline constexpr Guid kChipGpioSet = makeGuid(0x8FDF6765, 0x6DB7, 0x4C9B, 0x860B2E8DE72D420Cull);
inline constexpr Guid kChipEventSet = makeGuid(0x8E3161FC, 0xD1A6, 0x41E0, 0xAFEE3650EF834659ull);
inline constexpr Guid kProbeSet = makeGuid(0x8EE0EBA8, 0x7DA6, 0x4AA9, 0xBD8087E76B8ADBC8ull);

constexpr std::uint32_t kPropertyTypeGet = 1;
constexpr std::uint32_t kPropertyTypeSet = 2;
constexpr std::uint32_t kEventTypeEnable = 1;
constexpr std::uint32_t kEventfEventHandle = 1;
constexpr std::uint16_t kFirstProbeId = 0x7231;
constexpr std::uint16_t kLastProbeId = 0x7160;

constexpr std::size_t kLegacySetInstanceSize = 25;
constexpr std::size_t kLegacyGetInstanceSize = 32;
constexpr std::size_t kChipGetRequestSize = 32;
constexpr std::size_t kChipDirectionRequestSize = 40;
constexpr std::size_t kEventRequestSize = 24;
constexpr std::size_t kLegacyEventDataSize = 16;
constexpr std::size_t kChipEventDataSize = 24;
constexpr std::size_t kDisableEventDataSize = 16;
constexpr std::size_t kProbeRequestSize = 40;

inline void put16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void put32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline std::uint16_t get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint32_t get32(const std::uint8_t* p)
{
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}
inline void putGuid(std::uint8_t* p, const Guid& g)
{
    for (std::size_t i = 0; i < 16; ++i)
        p[i] = g.bytes[i];
}
inline Guid getGuid(const std::uint8_t* p)
{
    Guid g;
    for (std::size_t i = 0; i < 16; ++i)
        g.bytes[i] = p[i];
    return g;
}

// Property header shared by the chip GPIO request and the probe.
inline void putPropertyHeader(std::uint8_t* p, const Guid& set, std::uint32_t id, std::uint32_t flags,
                              std::uint32_t kind)
{
    putGuid(p, set);
    put32(p + 16, id);
    put32(p + 20, flags);
    put32(p + 24, kind);
}

struct PropertyHeader {
    Guid set;
    std::uint32_t id = 0;
    std::uint32_t flags = 0;
    std::uint32_t kind = 0;
};
inline PropertyHeader getPropertyHeader(const std::uint8_t* p)
{
    return {getGuid(p), get32(p + 16), get32(p + 20), get32(p + 24)};
}

// Chip GPIO pin read: 32 bytes.
inline std::array<std::uint8_t, kChipGetRequestSize> chipGetPinRequest(std::uint16_t implementationId, std::uint8_t pin)
{
    std::array<std::uint8_t, kChipGetRequestSize> r{};
    putPropertyHeader(r.data(), kChipGpioSet, 1, kPropertyTypeGet, 2);
    put16(r.data() + 28, implementationId);
    r[30] = 1;
    r[31] = pin;
    return r;
}

// Chip GPIO pin direction: 40 bytes; the value travels as 4 data bytes.
inline std::array<std::uint8_t, kChipDirectionRequestSize> chipPinDirectionRequest(std::uint16_t implementationId,
                                                                                     std::uint32_t mask)
{
    std::array<std::uint8_t, kChipDirectionRequestSize> r{};
    putPropertyHeader(r.data(), kChipGpioSet, 0, kPropertyTypeSet, 2);
    put16(r.data() + 28, implementationId);
    r[30] = 1;
    put32(r.data() + 32, mask);
    return r;
}

// Event registration: 24 bytes.
inline std::array<std::uint8_t, kEventRequestSize> eventEnableRequest(const Guid& set, std::uint32_t eventId)
{
    std::array<std::uint8_t, kEventRequestSize> r{};
    putGuid(r.data(), set);
    put32(r.data() + 16, eventId);
    put32(r.data() + 20, kEventTypeEnable);
    return r;
}

// Event data record; the legacy one uses the first 16 bytes, the chip one adds the pin.
inline void fillEventData(std::uint8_t* p, std::size_t size, std::uint32_t eventHandle, std::uint8_t pin)
{
    for (std::size_t i = 0; i < size; ++i)
        p[i] = 0;
    put32(p, kEventfEventHandle);
    put32(p + 4, eventHandle);
    if (size >= kChipEventDataSize)
        p[16] = pin;
}

// Implementation-id probe: 40 bytes. The 4 bytes at 32 hold the address of
// the caller's one-byte result flag, which the driver sets non-zero when the
// candidate is the card's id; hence the flag must live below 4 GiB.
inline std::array<std::uint8_t, kProbeRequestSize> probeRequest(std::uint16_t candidate, std::uint32_t resultFlag)
{
    std::array<std::uint8_t, kProbeRequestSize> r{};
    putPropertyHeader(r.data(), kProbeSet, 0, kPropertyTypeGet, 3);
    put16(r.data() + 28, candidate);
    put32(r.data() + 32, resultFlag);
    return r;
}

// For drivers of our own making: the result flag a probe request of
// kProbeRequestSize bytes points at, or null when its field names no flag a
// prober of this process set aside (then nothing may be written).
std::uint8_t* probeResultFlag(std::span<const std::uint8_t> request);

// Legacy event id of a pin and source; -1 when the pin has none.
constexpr int legacyEventId(std::uint8_t pin, std::uint32_t source)
{
    const int base = pin == 23 ? 0 : pin == 22 ? 2 : pin == 18 ? 4 : pin == 16 ? 6 : -1;
    return base < 0 ? -1 : base + (source != 0 ? 1 : 0);
}

// Sends the probe for every candidate from 0x7231 down to 0x7160; returns the
// id the card answered, or 0 (also without a filter or without IKsControl).
// `requestsSent` receives the number of requests (at most 210).
std::uint16_t probeImplementationId(ICaptureFilter* filter, int* requestsSent = nullptr);

} // namespace remorra::tuner
