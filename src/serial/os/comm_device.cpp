#include "serial/os/comm_device.h"

namespace comm {

void CommStopSignal::raise()
{
    m_raised.store(true);
    std::lock_guard lock(m_mutex);
    m_raisedSignal.notify_all();
    if (m_waker)
        m_waker();
}

void CommStopSignal::wait()
{
    std::unique_lock lock(m_mutex);
    m_raisedSignal.wait(lock, [this] { return m_raised.load(); });
}

void CommStopSignal::setWaker(std::function<void()> waker)
{
    std::lock_guard lock(m_mutex);
    m_waker = std::move(waker);
}

CommDevice::~CommDevice() = default;

} // namespace comm
