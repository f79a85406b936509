#include "qt/QtTimeService.h"

#include <QThread>
#include <QTimer>

namespace remorra {

QtTimeService::QtTimeService(os::ITimeService& base) : m_base(base) {}

QtTimeService::~QtTimeService()
{
    for (auto& [id, timer] : m_timers)
        delete timer;
}

std::uint32_t QtTimeService::startTimer(std::uint32_t periodMs, os::TimerProc proc)
{
    if (!proc)
        return 0;
    if (QThread::currentThread() != thread()) {
        const std::uint32_t id = m_base.startTimer(periodMs, proc);
        // Foreign ids are marked so stopTimer sends them back to `base`.
        return id == 0 || (id & kForeign) ? id : (id | kForeign);
    }
    const std::uint32_t id = m_nextId++ & ~kForeign;
    auto* timer = new QTimer(this);
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, this, [proc, id] { proc(id); });
    timer->start(static_cast<int>(periodMs));
    m_timers[id] = timer;
    return id;
}

void QtTimeService::stopTimer(std::uint32_t timerId)
{
    if (timerId & kForeign) {
        m_base.stopTimer(timerId & ~kForeign);
        return;
    }
    const auto it = m_timers.find(timerId);
    if (it == m_timers.end())
        return;
    // A timer may stop itself from its own expiry.
    it->second->stop();
    it->second->deleteLater();
    m_timers.erase(it);
}

} // namespace remorra
