#include "bench/support/BenchSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::uint64_t> g_allocations{0};
}

void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace remorra::bench {

std::uint64_t allocationCount() { return g_allocations.load(std::memory_order_relaxed); }

std::vector<std::int64_t> burstStartsUs(const tuner::Timeline& t) {
    std::vector<std::int64_t> out;
    std::int64_t at = 0;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (i % 2 == 0) out.push_back(at);
        at += t[i];
    }
    return out;
}

CpuLoad::CpuLoad(unsigned threads) {
    for (unsigned i = 0; i < threads; ++i)
        m_threads.emplace_back([this] {
            volatile std::uint64_t x = 0;
            while (!m_stop.load(std::memory_order_relaxed)) x = x + 1;
        });
}

CpuLoad::~CpuLoad() {
    m_stop.store(true);
    for (auto& t : m_threads) t.join();
}

double percentile(std::vector<double>& values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(p / 100.0 * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(rank, values.size() - 1)];
}

ErrorSpread errorSpread(const std::vector<double>& errorsUs, double limitUs) {
    ErrorSpread s;
    std::vector<double> magnitude;
    magnitude.reserve(errorsUs.size());
    for (double e : errorsUs) {
        magnitude.push_back(std::abs(e));
        if (magnitude.back() > limitUs) ++s.beyond;
    }
    s.count = magnitude.size();
    s.p50 = percentile(magnitude, 50);
    s.p99 = percentile(magnitude, 99);
    s.p999 = percentile(magnitude, 99.9);
    s.max = magnitude.empty() ? 0.0 : magnitude.back();
    return s;
}

} // namespace remorra::bench
