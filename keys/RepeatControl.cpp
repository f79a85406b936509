#include "keys/RepeatControl.h"

#include "platform/os/TimeService.h"

namespace remorra::keys {

void PressTracker::track(IrCode& code, std::int64_t nowMs) {
    const IrFamily family = FamilyOf(code.protocol);
    if (family == IrFamily::Rc5 || family == IrFamily::Rc6) {
        code.repeat = m_seen && m_last.protocol == code.protocol && m_last.scancode == code.scancode &&
                      m_last.toggle == code.toggle && nowMs - m_lastMs <= kHeldGapMs;
    }
    m_last = code;
    m_lastMs = nowMs;
    m_seen = true;
}

bool RepeatLimiter::pass(const IrCode& code, std::int64_t nowMs, const RepeatSettings& s) {
    if (!code.repeat || !m_pressed) {
        // A repeat with no press before it (the press was dropped) starts one.
        m_pressed = true;
        m_pressMs = m_lastPassMs = nowMs;
        return true;
    }
    if (s.delayMs == 0 && s.periodMs == 0) return true;
    if (nowMs - m_pressMs < s.delayMs) return false;
    if (m_lastPassMs != m_pressMs && nowMs - m_lastPassMs < s.periodMs) return false;
    m_lastPassMs = nowMs;
    return true;
}

std::int64_t NowMs() {
    os::ITimeService& t = os::timeService();
    const std::int64_t f = t.frequency();
    return f > 0 ? t.counter() / (f / 1000 > 0 ? f / 1000 : 1) : 0;
}

} // namespace remorra::keys
