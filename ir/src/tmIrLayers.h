#pragma once
// Tuner layers as the decoder front end uses them; implemented over the
// capture driver elsewhere and by fakes in tests.
#include <cstdint>

// Called on the interrupt layer's thread; `edge` points to the selector
// (0 or 1) of the source that fired.
class CInterruptCallback {
public:
    virtual void OnInterrupt(const std::uint32_t* edge) = 0;

protected:
    ~CInterruptCallback() = default;
};

class tmIGPIOLayer {
public:
    virtual ~tmIGPIOLayer() = default;
    // 1 written, 0 failed.
    virtual std::int32_t tmISetPin(std::uint8_t pin, std::uint8_t value) = 0;
    // 1 and *level = 0/1 on success; 0 on failure with *level untouched.
    virtual std::int32_t tmIGetPin(std::uint8_t pin, std::uint8_t* level) = 0;
};

class tmIInterruptLayer {
public:
    virtual ~tmIInterruptLayer() = default;
    // Afterwards each interrupt of (pin, source) calls callback->OnInterrupt.
    virtual std::int32_t tmIEnableInterrupt(std::uint8_t pin, std::uint32_t source,
                                            CInterruptCallback* callback) = 0;
    virtual std::int32_t tmIDisableInterrupt(std::uint8_t pin, std::uint32_t source) = 0;
};
