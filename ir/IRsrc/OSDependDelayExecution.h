#pragma once
#include "tmIOSDepend.h"

// Sleeps through the process time service, so virtual time applies.
class tmCOSDependDelayExecution final : public tmIOSDependDelayExecution {
public:
    ~tmCOSDependDelayExecution() override = default;
    std::int32_t tmDelayExecutionThread(std::uint32_t milliseconds) override;
    void tmDelayExecutionShort(std::uint16_t milliseconds) override;
};
