#include "platform/tuner/GPIO_Interface.h"

#include "platform/tuner/KsWire.h"

#include <cstring>

using namespace remorra::tuner;

CGPIO_Interface::CGPIO_Interface(ICaptureFilter* filter, std::uint16_t implementationId)
    : m_szStatus{}, m_pAnalogCaptureFilter(filter), m_wImplementationId(implementationId)
{
    SetStatus(filter ? "No Error" : "Filter '713x BDA Analog Capture' not found");
}

void CGPIO_Interface::SetStatus(const char* text)
{
    std::strncpy(m_szStatus, text, sizeof m_szStatus - 1);
    m_szStatus[sizeof m_szStatus - 1] = '\0';
}

std::int32_t CGPIO_Interface::tmISetPin(std::uint8_t pin, std::uint8_t value)
{
    if (!m_pAnalogCaptureFilter) {
        SetStatus("m_pAnalogCaptureFilter object not initialized");
        return 0;
    }
    if (!m_pAnalogCaptureFilter->offersPropertySet()) {
        SetStatus("QueryInterface failed");
        return 0;
    }
    std::uint8_t instance[kLegacySetInstanceSize] = {};
    instance[0] = pin;
    const HResult hr = m_pAnalogCaptureFilter->propertySet(kLegacyGpioSet, 0, instance, std::span(&value, 1));
    if (!succeeded(hr)) {
        SetStatus("Set property failed");
        return 0;
    }
    SetStatus("No Error");
    return 1;
}

std::int32_t CGPIO_Interface::tmIGetPin(std::uint8_t pin, std::uint8_t* level)
{
    if (!m_pAnalogCaptureFilter) {
        SetStatus("m_pAnalogCaptureFilter object not initialized");
        return 0;
    }
    std::uint8_t data = 0;
    if (m_wImplementationId != 0) {
        const auto request = chipGetPinRequest(m_wImplementationId, pin);
        std::uint32_t returned = 0;
        if (!m_pAnalogCaptureFilter->offersControl() ||
            !succeeded(m_pAnalogCaptureFilter->ksProperty(request, std::span(&data, 1), &returned))) {
            SetStatus("Get property failed");
            return 0;
        }
    } else {
        if (!m_pAnalogCaptureFilter->offersPropertySet()) {
            SetStatus("QueryInterface failed");
            return 0;
        }
        std::uint8_t instance[kLegacyGetInstanceSize] = {};
        instance[0] = pin;
        std::uint32_t returned = 0;
        if (!succeeded(m_pAnalogCaptureFilter->propertyGet(kLegacyGpioSet, 0, instance, std::span(&data, 1),
                                                           &returned))) {
            SetStatus("Get property failed");
            return 0;
        }
    }
    if (level)
        *level = data;
    SetStatus("No Error");
    return 1;
}

std::int32_t CGPIO_Interface::tmISetPinDirection(std::uint32_t mask, std::uint32_t value)
{
    if (!m_pAnalogCaptureFilter)
        return kFail;
    if (!m_pAnalogCaptureFilter->offersControl())
        return kNoInterface;
    const auto request = chipPinDirectionRequest(m_wImplementationId, mask);
    std::uint8_t data[4];
    put32(data, value);
    std::uint32_t returned = 0;
    return m_pAnalogCaptureFilter->ksProperty(request, data, &returned);
}
