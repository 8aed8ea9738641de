#include "windows/gauges_placement.h"

#include <algorithm>

namespace {

/// The coordinate that puts an extent of `length` within [low, high] (inclusive) as near to
/// `wanted` as it can; when it cannot fit, its start stays at `low`.
int within(int wanted, int length, int low, int high)
{
    return std::max(low, std::min(wanted, high - length + 1));
}

} // namespace

namespace GaugesPlacement {

Placement opening(const QRect &screen, const QRect &mainFrame, const QSize &gaugesFrame)
{
    const int wanted = std::max(mainFrame.left() + mainShift, screen.left() + gaugesFrame.width());
    const int mainLeft = within(wanted, mainFrame.width(), screen.left(), screen.right());
    const QRect moved(QPoint(mainLeft, mainFrame.top()), mainFrame.size());
    return {moved.topLeft(), beside(screen, moved, gaugesFrame)};
}

QPoint beside(const QRect &screen, const QRect &mainFrame, const QSize &gaugesFrame)
{
    return {within(mainFrame.left() - gaugesFrame.width(), gaugesFrame.width(), screen.left(),
                   screen.right()),
            within(mainFrame.top(), gaugesFrame.height(), screen.top(), screen.bottom())};
}

QPoint closing(const QRect &screen, const QRect &mainFrame, const QPoint &before,
               const QPoint &opened)
{
    if (mainFrame.topLeft() == opened)
        return before;
    const int wanted = mainFrame.left() - (opened.x() - before.x());
    return {within(wanted, mainFrame.width(), screen.left(), screen.right()), mainFrame.top()};
}

} // namespace GaugesPlacement
