#include "windows/charts/print_margins.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace PrintMarginMath {

namespace {

/// Within this many pixels of an edge of the margin rectangle the mouse holds that edge.
constexpr int edgeReach = 4;
/// The share of the page's longer direction that a proportional chart leaves free.
constexpr double freeShare = 40 * 0.01;

} // namespace

int roundHalfEven(double x)
{
    // The default rounding mode of the floating-point environment takes halves to even.
    return int(std::nearbyint(x));
}

int mulDivRound(int a, int b, int c)
{
    if (c == 0)
        return 0;
    const long long product = static_cast<long long>(a) * b;
    long long quotient = product / c;
    const long long remainder = product % c;
    if (2 * std::llabs(remainder) >= std::llabs(c))
        quotient += ((product < 0) == (c < 0)) ? 1 : -1;
    return int(quotient);
}

PrintMargins proportionalMargins(QSize chart, QSize page, double dpiX, double dpiY)
{
    if (chart.isEmpty() || page.isEmpty() || dpiX <= 0 || dpiY <= 0)
        return {};
    const double w = chart.width();
    const double h = chart.height();
    const double pw = page.width();
    const double ph = page.height();
    const double aspect = dpiX / dpiY;
    // On a very long or very wide paper the chart's shape needs more than the whole page, which
    // would make the margin negative: the chart then fills the page in that direction.
    const auto half = [](double percent) {
        return std::max(0, roundHalfEven(percent) / 2);
    };
    if (h < w) {
        const int margin = half((ph - (1 - freeShare) * pw * (h / w) * aspect) * 100 / ph);
        return {15, margin, 15, margin};
    }
    const int margin = half((pw - (1 - freeShare) * ph * (w / h) * aspect) * 100 / pw);
    return {margin, 15, margin, 15};
}

bool marginFits(int value, int opposite)
{
    return value + opposite < 100;
}

PixelBox paperBox(QSize client, QSize page)
{
    const int cw = client.width();
    const int ch = client.height();
    const int pw = page.width();
    const int ph = page.height();
    PixelBox paper;
    if (static_cast<long long>(ch) * pw < static_cast<long long>(cw) * ph) {
        paper.top = roundHalfEven(ch / 10.0);
        const int height = ch - roundHalfEven(ch / 5.0);
        const int width = ph > 0 ? mulDivRound(height, pw, ph) : cw;
        paper.left = (cw - width) / 2;
        paper.right = paper.left + width;
        paper.bottom = paper.top + height;
    } else {
        paper.left = roundHalfEven(cw / 10.0);
        const int width = cw - roundHalfEven(cw / 5.0);
        const int height = pw > 0 ? mulDivRound(width, ph, pw) : ch;
        paper.top = (ch - height) / 2;
        paper.right = paper.left + width;
        paper.bottom = paper.top + height;
    }
    return paper;
}

PixelBox marginBox(const PixelBox &paper, const PrintMargins &margins)
{
    return {paper.left + mulDivRound(margins.left, paper.width(), 100),
            paper.top + mulDivRound(margins.top, paper.height(), 100),
            paper.right - mulDivRound(margins.right, paper.width(), 100),
            paper.bottom - mulDivRound(margins.bottom, paper.height(), 100)};
}

PrintMargins marginsOf(const PixelBox &paper, const PixelBox &margin)
{
    return {mulDivRound(margin.left - paper.left, 100, paper.width()),
            mulDivRound(margin.top - paper.top, 100, paper.height()),
            mulDivRound(paper.right - margin.right, 100, paper.width()),
            mulDivRound(paper.bottom - margin.bottom, 100, paper.height())};
}

PixelBox printBox(QSize page, const PrintMargins &margins)
{
    const int pw = page.width();
    const int ph = page.height();
    return {roundHalfEven(margins.left * double(pw) / 100),
            roundHalfEven(margins.top * double(ph) / 100),
            pw - roundHalfEven(margins.right * double(pw) / 100),
            ph - roundHalfEven(margins.bottom * double(ph) / 100)};
}

QSize detailLayoutSize(QSize chart, int detail)
{
    return {chart.width() - mulDivRound(chart.width(), detail, 100),
            chart.height() - mulDivRound(chart.height(), detail, 100)};
}

MarginPart hitTest(const PixelBox &paper, const PixelBox &margin, QPoint at, bool canMove)
{
    if (!paper.contains(at))
        return MarginPart::None;
    const bool left = std::abs(at.x() - margin.left) <= edgeReach;
    const bool right = !left && std::abs(at.x() - margin.right) <= edgeReach;
    const bool top = std::abs(at.y() - margin.top) <= edgeReach;
    const bool bottom = !top && std::abs(at.y() - margin.bottom) <= edgeReach;
    if (top && left)
        return MarginPart::TopLeft;
    if (top && right)
        return MarginPart::TopRight;
    if (bottom && left)
        return MarginPart::BottomLeft;
    if (bottom && right)
        return MarginPart::BottomRight;
    if (left)
        return MarginPart::Left;
    if (top)
        return MarginPart::Top;
    if (right)
        return MarginPart::Right;
    if (bottom)
        return MarginPart::Bottom;
    if (canMove && margin.contains(at))
        return MarginPart::Inside;
    return MarginPart::None;
}

PixelBox dragMargin(const PixelBox &paper, const PixelBox &margin, const DragStart &start,
                    QPoint at)
{
    const int x = at.x();
    const int y = at.y();
    const bool leftMay = x >= paper.left && x < margin.right;
    const bool rightMay = x > margin.left && x <= paper.right;
    const bool topMay = y >= paper.top && y < margin.bottom;
    const bool bottomMay = y > margin.top && y <= paper.bottom;
    PixelBox moved = margin;
    switch (start.part) {
    case MarginPart::None:
        break;
    case MarginPart::Left:
        if (leftMay)
            moved.left = x;
        break;
    case MarginPart::Top:
        if (topMay)
            moved.top = y;
        break;
    case MarginPart::Right:
        if (rightMay)
            moved.right = x;
        break;
    case MarginPart::Bottom:
        if (bottomMay)
            moved.bottom = y;
        break;
    case MarginPart::TopLeft:
        if (topMay && leftMay) {
            moved.top = y;
            moved.left = x;
        }
        break;
    case MarginPart::TopRight:
        if (topMay && rightMay) {
            moved.top = y;
            moved.right = x;
        }
        break;
    case MarginPart::BottomLeft:
        if (bottomMay && leftMay) {
            moved.bottom = y;
            moved.left = x;
        }
        break;
    case MarginPart::BottomRight:
        if (bottomMay && rightMay) {
            moved.bottom = y;
            moved.right = x;
        }
        break;
    case MarginPart::Inside: {
        const PixelBox &from = start.margin;
        PixelBox shifted;
        shifted.left = std::max(paper.left, from.left + x - start.mouse.x());
        shifted.top = std::max(paper.top, from.top + y - start.mouse.y());
        shifted.right = std::min(paper.right, from.right + shifted.left - from.left);
        shifted.bottom = std::min(paper.bottom, from.bottom + shifted.top - from.top);
        if (paper.contains({shifted.left, shifted.top})
            && paper.contains({shifted.right, shifted.bottom}))
            moved = shifted;
        break;
    }
    }
    return moved;
}

} // namespace PrintMarginMath
