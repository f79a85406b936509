#pragma once
// What the IR decoders need of the operating system. Every operation is used
// through these tables only, so the declaration order below is binding.
#include <cstdint>

class tmIOSDependAbstractCB {
public:
    virtual void OnTimeOut() = 0;
    virtual ~tmIOSDependAbstractCB() = default;
};

class tmIOSDependDelayExecution {
public:
    virtual ~tmIOSDependDelayExecution() = default;
    // 1..4000 ms suspends the caller; always returns 0.
    virtual std::int32_t tmDelayExecutionThread(std::uint32_t milliseconds) = 0;
    // 1..50 ms suspends the caller.
    virtual void tmDelayExecutionShort(std::uint16_t milliseconds) = 0;
};

class tmIOSDependTimeOut {
public:
    // Stops every timer recorded in the process-wide timer table.
    virtual ~tmIOSDependTimeOut() = default;
    // Periodic timer calling callback->OnTimeOut(); 0 when callback is null.
    virtual std::int32_t tmIStartTimer(std::uint32_t periodMs, std::int32_t value,
                                       tmIOSDependAbstractCB* callback) = 0;
    // Return the platform's success flag (non-zero = success).
    virtual std::int32_t tmIGetFrequency(std::int64_t* frequency) = 0;
    virtual std::int32_t tmIGetCounter(std::int64_t* counter) = 0;
    // Current time in 100 ns units. On the interrupt thread, for an edge
    // whose source knows when it happened, that instant.
    virtual void tmIGetTime(std::uint64_t* time100ns) = 0;
    virtual void tmICheckTimeOutCB(tmIOSDependAbstractCB* callback) = 0;
};

// Never deleted through this interface, hence no virtual destructor.
class tmIOSDependFactory {
public:
    virtual tmIOSDependDelayExecution* tmICreateDelayExecution() = 0;
    virtual void* tmICreateReserved1() = 0;
    virtual tmIOSDependTimeOut* tmICreateTimeOut() = 0;
    virtual void* tmICreateReserved3() = 0;
    virtual void* tmICreateReserved4() = 0;
    virtual void* tmICreateReserved5() = 0;
    virtual void* tmICreateReserved6() = 0;
    virtual void* tmICreateReserved7(void* argument) = 0;

protected:
    ~tmIOSDependFactory() = default;
};
