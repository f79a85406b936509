#include "keys/linux/LinuxKeyMap.h"
#include "keys/linux/LinuxKeyOutputs.h"
#include "platform/os/AppLog.h"
#include "platform/os/TimeService.h"

#include <cstring>
#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <linux/input.h>
#include <mutex>

namespace remorra::keys {
namespace {

class UinputKeyOutput final : public IKeyOutput {
public:
    UinputKeyOutput(libevdev* device, libevdev_uinput* uinput) : m_pDevice(device), m_pUinput(uinput) {}
    ~UinputKeyOutput() override {
        libevdev_uinput_destroy(m_pUinput);
        libevdev_free(m_pDevice);
    }

    void keyDown(std::uint8_t vk) override { send(vk, 1); }
    void keyUp(std::uint8_t vk) override { send(vk, 0); }
    void pause(std::uint32_t ms) override { os::timeService().sleepMs(ms); }
    // A virtual device sees no windows.
    bool windowExists(const char*) override { return false; }
    const char* backendName() const override { return "uinput"; }

private:
    void send(std::uint8_t vk, int value) {
        const auto key = linux_keys::LookupLinuxKey(vk);
        if (key.evdev == 0) {
            if (m_notes.firstTime(vk))
                WriteLog(L"Keyboard output (uinput): no key for virtual-key code 0x%02X, skipped", unsigned{vk});
            return;
        }
        std::lock_guard lock(m_mutex);
        libevdev_uinput_write_event(m_pUinput, EV_KEY, key.evdev, value);
        libevdev_uinput_write_event(m_pUinput, EV_SYN, SYN_REPORT, 0);
    }

    libevdev* m_pDevice;
    libevdev_uinput* m_pUinput;
    std::mutex m_mutex;
    UnmappedKeyNotes m_notes;
};

} // namespace

std::unique_ptr<IKeyOutput> CreateUinputKeyOutput() {
    libevdev* device = libevdev_new();
    if (!device) return nullptr;
    libevdev_set_name(device, "Remorra virtual keyboard");
    libevdev_set_id_bustype(device, BUS_VIRTUAL);
    libevdev_enable_event_type(device, EV_KEY);
    for (int vk = 0; vk < 256; ++vk) {
        const auto key = linux_keys::LookupLinuxKey(static_cast<std::uint8_t>(vk));
        if (key.evdev) libevdev_enable_event_code(device, EV_KEY, key.evdev, nullptr);
    }
    libevdev_uinput* uinput = nullptr;
    const int rc = libevdev_uinput_create_from_device(device, LIBEVDEV_UINPUT_OPEN_MANAGED, &uinput);
    if (rc < 0) {
        WriteLog(L"Keyboard output: cannot create a virtual keyboard through /dev/uinput (%s); "
                 L"check that the uinput module is loaded and the device is writable",
                 std::strerror(-rc));
        libevdev_free(device);
        return nullptr;
    }
    return std::make_unique<UinputKeyOutput>(device, uinput);
}

} // namespace remorra::keys
