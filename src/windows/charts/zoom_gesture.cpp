#include "windows/charts/zoom_gesture.h"

#include <cstdlib>

ZoomOutcome zoomOutcome(QPoint start, QPoint end)
{
    const QPoint drag = end - start;
    if (std::abs(drag.x()) <= zoomThreshold || std::abs(drag.y()) <= zoomThreshold)
        return ZoomOutcome::Nothing;
    return drag.x() > 0 && drag.y() > 0 ? ZoomOutcome::ZoomIn : ZoomOutcome::Undo;
}

void ZoomGesture::pressLeft(QPoint at)
{
    if (m_state != State::Idle)
        return;
    m_state = State::Band;
    m_start = m_last = at;
}

void ZoomGesture::pressRight(QPoint at, bool insidePlot)
{
    if (m_state != State::Idle || !insidePlot)
        return;
    m_state = State::Pan;
    m_start = m_last = at;
}

QPoint ZoomGesture::move(QPoint at, bool insidePlot)
{
    switch (m_state) {
    case State::Idle:
        return {};
    case State::Band:
        m_last = at;
        return {};
    case State::Pan:
        break;
    }
    if (!insidePlot) {
        m_state = State::Idle;
        return {};
    }
    const QPoint step = at - m_last;
    m_last = at;
    return step;
}

ZoomOutcome ZoomGesture::releaseLeft(QPoint at)
{
    if (m_state != State::Band)
        return ZoomOutcome::Nothing;
    m_state = State::Idle;
    m_last = at;
    return zoomOutcome(m_start, at);
}

void ZoomGesture::releaseRight()
{
    if (m_state == State::Pan)
        m_state = State::Idle;
}
