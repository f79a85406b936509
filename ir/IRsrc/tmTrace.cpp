#include "tmTrace.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::atomic<std::uint8_t> g_level{0};
std::atomic<remorra::TraceSink*> g_sink{nullptr};

// -1 = stderr off; read once, the environment does not change under us.
int envLevel()
{
    static const int level = [] {
        const char* v = std::getenv("REMORRA_TRACE");
        if (!v || !*v) return -1;
        char* end = nullptr;
        const long n = std::strtol(v, &end, 10);
        if (end == v || n < 0) return -1;
        return n > 2 ? 2 : static_cast<int>(n);
    }();
    return level;
}

void emit(const char* text)
{
    const std::uint8_t level = g_level.load(std::memory_order_relaxed);
    if (remorra::TraceSink* sink = g_sink.load(std::memory_order_acquire)) {
        sink->traceLine(level, text);
        return;
    }
    const int admitted = envLevel();
    if (admitted < 0 || level > admitted) return;
    const std::size_t n = std::strlen(text);
    std::fprintf(stderr, (n && text[n - 1] == '\n') ? "%s" : "%s\n", text);
}

} // namespace

void tmSetTraceLevel(std::uint8_t level)
{
    g_level.store(level, std::memory_order_relaxed);
}

void tmTraceLocation(std::uint16_t line, const char* unit)
{
    if (!unit) return;
    char buffer[500];
    std::snprintf(buffer, sizeof buffer, "Error: In function: %s (Line %d)\n", unit, static_cast<int>(line));
    emit(buffer);
}

void tmTracePrint(const char* format, ...)
{
    if (!format) return;
    char buffer[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    emit(buffer);
}

namespace remorra {

TraceSink* setTraceSink(TraceSink* sink)
{
    return g_sink.exchange(sink, std::memory_order_acq_rel);
}

std::uint8_t traceLevel()
{
    return g_level.load(std::memory_order_relaxed);
}

} // namespace remorra
