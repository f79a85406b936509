#pragma once
// Access to the tuner card's capture filter: the four kernel-streaming
// operations the layers use (property set, property get, raw property request,
// event enable/disable) and whether the filter offers each of the two
// interfaces that carry them. Requests and records are byte buffers in the
// driver's little-endian wire layout (see KsWire.h).
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace remorra::tuner {

// A GUID as its 16 wire bytes (Data1..Data3 little-endian, Data4 as is).
struct Guid {
    std::array<std::uint8_t, 16> bytes{};
    friend bool operator==(const Guid&, const Guid&) = default;
};

constexpr Guid makeGuid(std::uint32_t d1, std::uint16_t d2, std::uint16_t d3, std::uint64_t d4)
{
    Guid g;
    for (int i = 0; i < 4; ++i)
        g.bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(d1 >> (8 * i));
    for (int i = 0; i < 2; ++i) {
        g.bytes[static_cast<std::size_t>(4 + i)] = static_cast<std::uint8_t>(d2 >> (8 * i));
        g.bytes[static_cast<std::size_t>(6 + i)] = static_cast<std::uint8_t>(d3 >> (8 * i));
    }
    for (int i = 0; i < 8; ++i)
        g.bytes[static_cast<std::size_t>(8 + i)] = static_cast<std::uint8_t>(d4 >> (8 * (7 - i)));
    return g;
}

// Result codes in the HRESULT convention: negative means failure.
using HResult = std::int32_t;
constexpr HResult kOk = 0;
constexpr HResult kFail = static_cast<HResult>(0x80004005u);
constexpr HResult kNoInterface = static_cast<HResult>(0x80004002u);
constexpr HResult kInvalidArg = static_cast<HResult>(0x80070057u);
constexpr HResult kNotFound = static_cast<HResult>(0x80070490u);
constexpr bool succeeded(HResult hr) { return hr >= 0; }

class ICaptureFilter {
public:
    virtual ~ICaptureFilter() = default;
    // IKsPropertySet {31EFAC30-515C-11D0-A9AA-00AA0061BE93}.
    virtual bool offersPropertySet() const = 0;
    // IKsControl {28F54685-06FD-11D2-B27A-00A0C9223196}.
    virtual bool offersControl() const = 0;

    // IKsPropertySet::Set / Get.
    virtual HResult propertySet(const Guid& set, std::uint32_t id, std::span<const std::uint8_t> instance,
                                std::span<const std::uint8_t> data) = 0;
    virtual HResult propertyGet(const Guid& set, std::uint32_t id, std::span<const std::uint8_t> instance,
                                std::span<std::uint8_t> data, std::uint32_t* returned) = 0;
    // IKsControl::KsProperty.
    virtual HResult ksProperty(std::span<const std::uint8_t> request, std::span<std::uint8_t> data,
                               std::uint32_t* returned) = 0;
    // IKsControl::KsEvent. An empty request disables the registration made
    // with this same record (the driver identifies it by the record's address).
    virtual HResult ksEvent(std::span<const std::uint8_t> request, std::span<std::uint8_t> eventData,
                            std::uint32_t* returned) = 0;
};

} // namespace remorra::tuner
