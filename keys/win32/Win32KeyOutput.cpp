#include "keys/KeyOutput.h"
#include "platform/os/AppLog.h"
#include "platform/os/TimeService.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace remorra::keys {
namespace {

// keybd_event sends to whatever window has the focus, as the key strokes of a
// real keyboard would go; FindWindowA already compares titles ignoring case.
class KeybdEventOutput final : public IKeyOutput {
public:
    void keyDown(std::uint8_t vk) override { send(vk, 0); }
    void keyUp(std::uint8_t vk) override { send(vk, KEYEVENTF_KEYUP); }
    void pause(std::uint32_t ms) override { os::timeService().sleepMs(ms); }
    bool windowExists(const char* title) override { return title && FindWindowA(nullptr, title) != nullptr; }
    const char* backendName() const override { return "keybd_event"; }

private:
    // Scan code 0: the virtual-key code alone names the key.
    static void send(std::uint8_t vk, DWORD flags) { keybd_event(vk, 0, flags, 0); }
};

} // namespace

std::unique_ptr<IKeyOutput> CreateKeyOutput() {
    const char* forced = std::getenv("REMORRA_KEYS");
    std::unique_ptr<IKeyOutput> out;
    if (forced && std::strcmp(forced, "log") == 0) {
        out = std::make_unique<LogKeyOutput>();
    } else {
        if (forced && *forced && std::strcmp(forced, "keybd_event") != 0)
            WriteLog(L"Keyboard output: unknown REMORRA_KEYS value \"%s\" (keybd_event or log)", forced);
        out = std::make_unique<KeybdEventOutput>();
    }
    WriteLog(L"Keyboard output: %s", out->backendName());
    return out;
}

} // namespace remorra::keys
