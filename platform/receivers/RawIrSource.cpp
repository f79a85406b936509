#include "platform/receivers/RawIrSource.h"

#include "platform/os/Files.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace remorra::receivers {
namespace {

namespace fs = std::filesystem;

// Number after `prefix` in a name like rc12 or lirc3; -1 when not of that form.
long numberAfter(const std::string& name, const std::string& prefix)
{
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0 || name.size() > prefix.size() + 9)
        return -1;
    long n = 0;
    for (std::size_t i = prefix.size(); i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9')
            return -1;
        n = n * 10 + (name[i] - '0');
    }
    return n;
}

std::string ueventValue(const std::string& text, const std::string& key)
{
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, key.size() + 1, key + "=") == 0)
            return line.substr(key.size() + 1);
    return {};
}

class ReceiverMoniker final : public discovery::IDeviceMoniker {
public:
    ReceiverMoniker(FoundReceiver found, const ReceiverSettings& settings) : m_found(std::move(found)), m_settings(settings) {}
    discovery::HResult bindPropertyBag(std::string& friendlyName) override
    {
        friendlyName = m_found.friendlyName;
        return discovery::kOk;
    }
    discovery::HResult bindFilter(std::shared_ptr<tuner::ICaptureFilter>& filter) override
    {
        std::unique_ptr<IRawIrDevice> device =
            m_found.gpio ? m_settings.openGpio(m_found.node, m_found.line) : m_settings.openRaw(m_found.node);
        if (!device)
            return discovery::kFail;
        filter = std::make_shared<RawIrCaptureFilter>(std::move(device), m_settings.filter);
        return discovery::kOk;
    }
    bool isIrReceiver() const override { return true; }

private:
    FoundReceiver m_found;
    ReceiverSettings m_settings;
};

} // namespace

void readGpioSettings(const discovery::ReceiverConfig& config, ReceiverSettings& settings)
{
    const std::string& line = config.gpioLine;
    if (config.gpioChip.empty() || line.empty() || line[0] < '0' || line[0] > '9')
        return;
    settings.gpioChip = config.gpioChip;
    settings.gpioLine = static_cast<unsigned>(std::strtoul(line.c_str(), nullptr, 10));
}

std::vector<FoundReceiver> findReceivers(const ReceiverSettings& settings)
{
    std::vector<std::pair<long, FoundReceiver>> rc;
    std::error_code ec;
    const fs::path classDir = fs::path(settings.sysfsRoot) / "class" / "rc";
    for (fs::directory_iterator it(classDir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const long n = numberAfter(name, "rc");
        if (n < 0)
            continue;
        // The raw IR node is the rc device's lircM child; scancode-only
        // devices have none.
        std::string lirc;
        std::error_code inner;
        for (fs::directory_iterator c(it->path(), inner), cend; !inner && c != cend; c.increment(inner)) {
            const std::string child = c->path().filename().string();
            if (numberAfter(child, "lirc") >= 0 && (lirc.empty() || child < lirc))
                lirc = child;
        }
        if (lirc.empty())
            continue;
        std::string uevent;
        os::readWholeFile((it->path() / "uevent").string(), uevent);
        const std::string device = ueventValue(uevent, "DEV_NAME");
        const std::string driver = ueventValue(uevent, "DRV_NAME");
        FoundReceiver found;
        found.friendlyName = device.empty() ? name : device;
        if (!driver.empty())
            found.friendlyName += " (" + driver + ")";
        found.node = (fs::path(settings.devRoot) / lirc).string();
        rc.emplace_back(n, std::move(found));
    }
    std::sort(rc.begin(), rc.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<FoundReceiver> out;
    for (auto& r : rc)
        out.push_back(std::move(r.second));
    if (!settings.gpioChip.empty()) {
        FoundReceiver gpio;
        gpio.friendlyName = "GPIO IR receiver (" + settings.gpioChip + " line " + std::to_string(settings.gpioLine) + ")";
        gpio.node = settings.gpioChip;
        gpio.gpio = true;
        gpio.line = settings.gpioLine;
        out.push_back(std::move(gpio));
    }
    return out;
}

discovery::HResult RawIrDeviceSource::createEnumerator()
{
    m_pos = 0;
    m_found = findReceivers(m_settings);
    return discovery::kOk;
}

discovery::HResult RawIrDeviceSource::openCategory() { return m_found.empty() ? discovery::kFalse : discovery::kOk; }

std::unique_ptr<discovery::IDeviceMoniker> RawIrDeviceSource::next()
{
    if (m_pos >= m_found.size())
        return nullptr;
    return std::make_unique<ReceiverMoniker>(m_found[m_pos++], m_settings);
}

} // namespace remorra::receivers
