#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QRectF>
#include <QString>

class QPainter;
class QWidget;

/// The look shared by the instrument widgets: colours, panels, readout windows, fitted fonts
/// and scale ticks, so that every widget of the set draws alike.
namespace InstrumentStyle {

/// Light instrument panel face and its edge.
inline constexpr QRgb panelTop = 0xfff4f6f8;
inline constexpr QRgb panelBottom = 0xffdde2e7;
inline constexpr QRgb panelEdge = 0xff8d98a3;
/// Caption text on a panel, and the same when the widget is disabled.
inline constexpr QRgb captionText = 0xff26323d;
inline constexpr QRgb disabledText = 0xff8f989f;
/// Dark readout window and the digits in it.
inline constexpr QRgb readoutTop = 0xff11161b;
inline constexpr QRgb readoutBottom = 0xff222a31;
inline constexpr QRgb readoutDigits = 0xff8ef5a8;
inline constexpr QRgb readoutUnit = 0xffa9c2b1;
/// Scale lines and numbers on a dial or thermometer.
inline constexpr QRgb scaleInk = 0xff1d252c;

/// A copy of base with the largest pixel size, at most maxPixelSize, at which text fits box.
[[nodiscard]] QFont fittedFont(QFont base, const QString &text, const QSizeF &box,
                               qreal maxPixelSize);

/// A raised light panel with a thin edge and rounded corners.
void drawPanel(QPainter &painter, const QRectF &rect);

/// A dark inset readout window showing value followed by unit in a smaller, dimmer type, both
/// on one baseline and shrunk together until they fit; right-aligned unless told otherwise.
void drawReadout(QPainter &painter, const QRectF &rect, const QFont &base, const QString &value,
                 const QString &unit, bool enabled, Qt::Alignment alignment = Qt::AlignRight);

/// The empty readout window alone.
void drawReadoutWindow(QPainter &painter, const QRectF &rect);

/// Where the ticks of a scale stand, and the pattern their labels are written with.
struct Ticks
{
    QList<double> major;
    QList<double> minor;
    QString labelPattern;
};

/// Ticks at round steps (1, 2, 2.5 or 5 times a power of ten), at most maxSteps of them, with
/// five minor divisions per step; ticks lie within the scale.
[[nodiscard]] Ticks roundTicks(double from, double to, int maxSteps);

/// Ticks that divide the scale into exactly steps equal parts, five minor divisions each.
[[nodiscard]] Ticks evenTicks(double from, double to, int steps);

/// Whether a widget that gets the focus for this reason draws its focus frame: yes when the
/// user moved the focus with the keyboard, no after a click or a move by the program (hiding
/// the focused widget passes the focus on as a tab would); a window coming back keeps what the
/// frame was before (shownBefore).
[[nodiscard]] bool showsFocusFrame(const QWidget &widget, Qt::FocusReason reason, bool shownBefore);

/// Where value lies on the scale from..to as a share from 0 to 1, clamped at both ends; a
/// scale of no width, or a value that is not a number, gives 0.
[[nodiscard]] double scaleFraction(double from, double to, double value);

} // namespace InstrumentStyle
