#pragma once
// Trace facility of the decoders and their OS services. Lines are formed at
// the current level (0 error, 1 info, 2 detail) and handed to the installed
// sink; with none installed they go to stderr when REMORRA_TRACE (0/1/2)
// admits their level, and are dropped otherwise.
#include <cstdint>

void tmSetTraceLevel(std::uint8_t level);
// Forms "Error: In function: <unit> (Line <line>)\n"; a null unit forms nothing.
void tmTraceLocation(std::uint16_t line, const char* unit);
void tmTracePrint(const char* format, ...)
#if defined(__GNUC__) || defined(__clang__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

namespace remorra {

// Receives every formed line with the level current when it was formed. Runs
// on the tracing thread, the interrupt thread included: keep it short.
class TraceSink {
public:
    virtual ~TraceSink() = default;
    virtual void traceLine(std::uint8_t level, const char* text) = 0;
};

// Installs a sink (null restores the stderr/env behaviour); returns the
// previous one. The caller keeps the sink alive while it is installed.
TraceSink* setTraceSink(TraceSink* sink);

std::uint8_t traceLevel();

class ScopedTraceSink {
public:
    explicit ScopedTraceSink(TraceSink& s) : m_previous(setTraceSink(&s)) {}
    ~ScopedTraceSink() { setTraceSink(m_previous); }
    ScopedTraceSink(const ScopedTraceSink&) = delete;
    ScopedTraceSink& operator=(const ScopedTraceSink&) = delete;
private:
    TraceSink* m_previous;
};

} // namespace remorra
