#pragma once

#include <QColor>
#include <QRegion>
#include <QWidget>

class QPainter;

/// What the instrument readouts share: a name, a unit, a value and the pattern it is shown in.
/// Each change repaints; name and unit changes also let the layout ask for a new size.
class Readout : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString name READ name WRITE setName)
    Q_PROPERTY(QString unit READ unit WRITE setUnit)
    Q_PROPERTY(QString format READ format WRITE setFormat)
    Q_PROPERTY(float value READ value WRITE setValue)

public:
    void setName(const QString &name);
    [[nodiscard]] QString name() const { return m_name; }
    void setUnit(const QString &unit);
    [[nodiscard]] QString unit() const { return m_unit; }
    /// A pattern for formatFloat(), such as "#0.0" or "##00".
    void setFormat(const QString &format);
    [[nodiscard]] QString format() const { return m_format; }
    void setValue(float value);
    [[nodiscard]] float value() const { return m_value; }
    /// The value as it is shown, e.g. "23,5".
    [[nodiscard]] QString text() const;

protected:
    Readout(const QString &format, QWidget *parent);

    /// Asks for the repaint of what a new value changes, given the value and text before it;
    /// the whole widget unless a readout knows better.
    virtual void repaintValue(float before, const QString &textBefore);

    /// The readout window's area, grown by a pixel for its edge, when the shown text is no
    /// longer textBefore; else nothing.
    [[nodiscard]] QRegion readoutChange(const QRectF &window, const QString &textBefore) const;
    /// Starts a paint: smooth edges and text, and the instrument's panel over the whole widget.
    void beginPaint(QPainter &painter) const;
    /// The colour of scales and ticks, greyed while disabled.
    [[nodiscard]] QColor scaleInk() const;

    /// Draws the name in bold, as large as fits the box up to maxPointSize; nothing when empty.
    void drawName(QPainter &painter, const QRectF &box, Qt::Alignment alignment,
                  qreal maxPointSize) const;

private:
    QString m_name;
    QString m_unit;
    QString m_format;
    float m_value = 0.0f;
};
