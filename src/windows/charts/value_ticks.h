#pragma once

/// The ticks of a number axis chosen by its length on the screen, so that labels never crowd.
namespace ValueTicks {

/// Pixels from one label to the next at least: up a value axis a label's height and as much
/// room again; across, a label's width and room.
constexpr int verticalSpacing = 30;
constexpr int horizontalSpacing = 70;

/// The most labels an axis `axisPixels` long holds one every `spacing` pixels, two at least.
[[nodiscard]] int maxCount(int axisPixels, int spacing);

/// The smallest step whose labels over `span` fit an axis `axisPixels` long one every `spacing`
/// pixels: a multiple 1, 2, 5, 10, 20, 50… of `unit`, or with no unit (0) 1, 2 or 5 times a
/// power of ten.
[[nodiscard]] double step(double span, int axisPixels, int spacing, double unit);

} // namespace ValueTicks
