#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

/// The four print margins of a chart, in whole percent of the page width (left, right) or
/// height (top, bottom).
struct PrintMargins
{
    int left = 15;
    int top = 15;
    int right = 15;
    int bottom = 15;

    friend bool operator==(const PrintMargins &, const PrintMargins &) = default;
};

/// What a chart keeps for printing from one opening of its print preview to the next.
struct PrintSettings
{
    PrintMargins margins;
    /// The top and bottom (or left and right) margins follow the chart's shape on the page.
    bool proportional = true;
    /// From -100 to 0: below 0 the chart is laid out larger than on the screen, so its text and
    /// lines come out smaller relative to the chart.
    int detail = 0;
};

/// A rectangle of whole pixels whose right and bottom lie just outside it, so that the width is
/// right - left.
struct PixelBox
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    [[nodiscard]] int width() const { return right - left; }
    [[nodiscard]] int height() const { return bottom - top; }
    [[nodiscard]] QRect toRect() const { return QRect(left, top, width(), height()); }
    /// Inside, the right and bottom borders excluded.
    [[nodiscard]] bool contains(QPoint at) const
    {
        return at.x() >= left && at.x() < right && at.y() >= top && at.y() < bottom;
    }

    friend bool operator==(const PixelBox &, const PixelBox &) = default;
};

/// The parts of the preview page that the mouse can take hold of.
enum class MarginPart {
    None = 0,
    Left = 1,
    Top = 2,
    Right = 3,
    Bottom = 4,
    Inside = 5,
    TopLeft = 6,
    TopRight = 7,
    BottomLeft = 8,
    BottomRight = 9,
};

/// The arithmetic of printing a chart: margins, rounding, the paper and margin rectangles of the
/// preview, its hit test and drags.
namespace PrintMarginMath {

/// x to the nearest whole number, a half going to the even neighbour.
[[nodiscard]] int roundHalfEven(double x);
/// a × b ÷ c worked out exactly and brought to the nearest whole number, a half going away from
/// zero; 0 when c is 0.
[[nodiscard]] int mulDivRound(int a, int b, int c);

/// The margins that give the chart on the page the shape it has on the screen, 40 % of the page
/// across its longer side: left and right 15 for a chart wider than high, else top and bottom 15.
/// A paper so long or wide that the chart could not keep its shape gives 0, not a negative
/// margin; sizes of nothing give 15 all round.
[[nodiscard]] PrintMargins proportionalMargins(QSize chart, QSize page, double dpiX, double dpiY);

/// True when a margin may take this value beside the opposite one: together under 100 %.
[[nodiscard]] bool marginFits(int value, int opposite);

/// The paper on the preview page: the page's shape inside the client area, with a tenth of the
/// client left free on both sides of the longer direction.
[[nodiscard]] PixelBox paperBox(QSize client, QSize page);
/// The rectangle inside the margins on the preview's paper.
[[nodiscard]] PixelBox marginBox(const PixelBox &paper, const PrintMargins &margins);
/// The margins again, in whole percent, from a margin rectangle on the paper.
[[nodiscard]] PrintMargins marginsOf(const PixelBox &paper, const PixelBox &margin);

/// The rectangle the chart is printed into, in printer pixels of a page of that size.
[[nodiscard]] PixelBox printBox(QSize page, const PrintMargins &margins);
/// The size the chart is laid out at for its print detail.
[[nodiscard]] QSize detailLayoutSize(QSize chart, int detail);

/// The part of the margin rectangle under the mouse (within 4 pixels of an edge counts as on it),
/// only inside the paper.
[[nodiscard]] MarginPart hitTest(const PixelBox &paper, const PixelBox &margin, QPoint at,
                                 bool canMove);

/// Where a drag has taken hold.
struct DragStart
{
    MarginPart part = MarginPart::None;
    QPoint mouse;
    PixelBox margin;
};

/// The margin rectangle after the mouse moved to `at` while holding a part: edges move only
/// within the paper and never past the opposite edge; a corner moves only when both its edges
/// may; the whole rectangle moves keeping its size and only while it stays inside the paper.
[[nodiscard]] PixelBox dragMargin(const PixelBox &paper, const PixelBox &margin,
                                  const DragStart &start, QPoint at);

} // namespace PrintMarginMath
