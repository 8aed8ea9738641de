#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

/// Where the online gauges window and the main window stand while the gauges are open: the
/// gauges window flush against the main window's left side, the main window moved right to make
/// room once when the gauges open and moved back when they close, both kept on the screen.
/// Rectangles are outer window frames in desktop coordinates.
namespace GaugesPlacement {

/// How far the main window moves right when the gauges open, if the screen allows.
inline constexpr int mainShift = 130;

/// The positions of both windows.
struct Placement
{
    QPoint main;
    QPoint gauges;
};

/// Opening: the main window moves right by mainShift, or as far as it must to leave room on
/// its left for the gauges, but never past the screen's right edge; the gauges window stands
/// beside it. On a screen too narrow for both side by side the gauges overlap the main window.
[[nodiscard]] Placement opening(const QRect &screen, const QRect &mainFrame,
                                const QSize &gaugesFrame);

/// Where the gauges window goes beside the main window as it stands now: flush against its
/// left side and level with its top, pushed back within the screen where it would leave it.
[[nodiscard]] QPoint beside(const QRect &screen, const QRect &mainFrame, const QSize &gaugesFrame);

/// Closing: where the main window goes back to. Exactly where it was before the gauges opened
/// if it still stands where opening put it; if the user has moved it since, back by the same
/// distance from where it is now, kept on the screen.
[[nodiscard]] QPoint closing(const QRect &screen, const QRect &mainFrame, const QPoint &before,
                             const QPoint &opened);

} // namespace GaugesPlacement
