#pragma once

#include <QColor>
#include <QWidget>

/// A vertical thermometer: the name on top, a tube with a coloured bar over a labelled scale,
/// and the value with its unit as a digital readout below. The bar stops at the ends of the
/// scale; the readout shows the value itself.
class Thermometer : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString name READ name WRITE setName)
    Q_PROPERTY(QString unit READ unit WRITE setUnit)
    Q_PROPERTY(QString format READ format WRITE setFormat)
    Q_PROPERTY(QColor barColor READ barColor WRITE setBarColor)
    Q_PROPERTY(float value READ value WRITE setValue)

public:
    explicit Thermometer(QWidget *parent = nullptr);

    void setName(const QString &name);
    [[nodiscard]] QString name() const { return m_name; }
    void setUnit(const QString &unit);
    [[nodiscard]] QString unit() const { return m_unit; }
    /// The scale runs from `from` at the bulb to `to` at the top; its ticks fall on round values.
    void setScale(double from, double to);
    [[nodiscard]] double scaleFrom() const { return m_from; }
    [[nodiscard]] double scaleTo() const { return m_to; }
    /// A pattern for formatFloat(), such as "#0.0".
    void setFormat(const QString &format);
    [[nodiscard]] QString format() const { return m_format; }
    void setBarColor(const QColor &colour);
    [[nodiscard]] QColor barColor() const { return m_barColour; }
    void setValue(float value);
    [[nodiscard]] float value() const { return m_value; }
    /// The value as the readout shows it.
    [[nodiscard]] QString text() const;
    /// How high the bar stands: 0 at the start of the scale, 1 at its end.
    [[nodiscard]] double barLevel() const;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_name;
    QString m_unit;
    QString m_format = QStringLiteral("#0.0");
    double m_from = 0.0;
    double m_to = 100.0;
    QColor m_barColour {0x1e, 0x63, 0xd6};
    float m_value = 0.0f;
};
