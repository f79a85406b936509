#include "platform/tuner/KsWire.h"

#include "platform/os/LowMemory.h"

namespace remorra::tuner {

std::uint8_t* probeResultFlag(std::span<const std::uint8_t> request)
{
    if (request.size() != kProbeRequestSize)
        return nullptr;
    return os::lowMemoryAt(get32(request.data() + 32), 1);
}

std::uint16_t probeImplementationId(ICaptureFilter* filter, int* requestsSent)
{
    int sent = 0;
    std::uint16_t found = 0;
    if (filter && filter->offersControl()) {
        // The driver writes the answer through the request's 4-byte pointer.
        os::LowMemoryBlock flag(1);
        if (flag) {
            for (std::uint32_t candidate = kFirstProbeId; candidate >= kLastProbeId && flag.data()[0] == 0;
                 --candidate) {
                const auto request = probeRequest(static_cast<std::uint16_t>(candidate), flag.address32());
                std::uint8_t data = 0xFE;
                std::uint32_t returned = 0;
                filter->ksProperty(request, std::span<std::uint8_t>(&data, 1), &returned);
                ++sent;
                if (flag.data()[0] != 0)
                    found = static_cast<std::uint16_t>(candidate);
            }
        }
    }
    if (requestsSent)
        *requestsSent = sent;
    return found;
}

} // namespace remorra::tuner
