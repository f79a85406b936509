#include "platform/os/TimeService.h"
#include "platform/os/DefaultTimeService.h"

#include <atomic>

namespace remorra::os {
namespace {

std::atomic<ITimeService*> g_service{nullptr};

} // namespace

ITimeService& timeService()
{
    ITimeService* s = g_service.load(std::memory_order_acquire);
    return s ? *s : defaultTimeService();
}

ITimeService* setTimeService(ITimeService* service)
{
    return g_service.exchange(service, std::memory_order_acq_rel);
}

} // namespace remorra::os
