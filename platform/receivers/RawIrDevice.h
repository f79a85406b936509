#pragma once
// The narrow seam over a real IR receiver: a kernel raw IR device or a GPIO
// line, both reporting mode2 words. Everything above it runs on recorded
// data in tests.
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace remorra::receivers {

class IRawIrDevice {
public:
    enum class Wait { Ready, Timeout, Gone };

    virtual ~IRawIrDevice() = default;
    // Device node or line, for the log.
    virtual std::string describe() const = 0;
    // false with `error` when the device cannot be opened or cannot receive.
    virtual bool open(std::string& error) = 0;
    // Asks for pulse and space durations (mode2); false with `error` when refused.
    virtual bool setMode2(std::string& error) = 0;
    // Sets the receive timeout (µs) within what the device allows and asks for
    // timeout reports; false when the device has no settable timeout.
    virtual bool setReceiveTimeout(std::uint32_t us) = 0;
    // Waits up to `timeoutUs` (0: just looks) for words to read.
    virtual Wait wait(std::int64_t timeoutUs) = 0;
    // Reads the words available now into `out`; returns how many (0: none),
    // or -1 with `error` when the device has gone.
    virtual int read(std::span<std::uint32_t> out, std::string& error) = 0;
    virtual void close() = 0;
};

// The kernel's raw IR device at `path` (/dev/lircN).
std::unique_ptr<IRawIrDevice> openLircDevice(const std::string& path);
// A GPIO line read through its edge events; `chip` as libgpiod looks it up
// (name, path, label or number).
std::unique_ptr<IRawIrDevice> openGpioLine(const std::string& chip, unsigned line);

} // namespace remorra::receivers
