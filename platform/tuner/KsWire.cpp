#include "platform/tuner/KsWire.h"

namespace remorra::tuner {

std::uint16_t probeImplementationId(ICaptureFilter* filter, int* requestsSent)
{
    int sent = 0;
    std::uint16_t found = 0;
    if (filter && filter->offersControl()) {
        for (std::uint32_t candidate = kFirstProbeId; candidate >= kLastProbeId; --candidate) {
            const auto request = probeRequest(static_cast<std::uint16_t>(candidate), 1);
            std::uint8_t flag = 0xFE;
            std::uint32_t returned = 0;
            filter->ksProperty(request, std::span<std::uint8_t>(&flag, 1), &returned);
            ++sent;
            // 0xFE means the driver did not answer at all.
            if (flag != 0 && flag != 0xFE) {
                found = static_cast<std::uint16_t>(candidate);
                break;
            }
        }
    }
    if (requestsSent)
        *requestsSent = sent;
    return found;
}

} // namespace remorra::tuner
