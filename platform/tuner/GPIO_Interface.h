#pragma once
// GPIO layer over the tuner card's capture filter: pin reads and writes and
// the pin-direction request, on the legacy or the chip property path.
#include "platform/tuner/CaptureFilter.h"
#include "tmIrLayers.h"

#include <cstdint>

class CGPIO_Interface : public tmIGPIOLayer {
public:
    // The filter is borrowed and may be null; the layer is created either way.
    CGPIO_Interface(remorra::tuner::ICaptureFilter* filter, std::uint16_t implementationId);
    ~CGPIO_Interface() override = default;
    CGPIO_Interface(const CGPIO_Interface&) = delete;
    CGPIO_Interface& operator=(const CGPIO_Interface&) = delete;

    std::int32_t tmISetPin(std::uint8_t pin, std::uint8_t value) override;
    std::int32_t tmIGetPin(std::uint8_t pin, std::uint8_t* level) override;
    // Result code of the chip request: 0 success, non-zero failure.
    std::int32_t tmISetPinDirection(std::uint32_t mask, std::uint32_t value);

    const char* Status() const { return m_szStatus; }

private:
    void SetStatus(const char* text);

    char m_szStatus[160];
    remorra::tuner::ICaptureFilter* m_pAnalogCaptureFilter;
    std::uint16_t m_wImplementationId;
};
