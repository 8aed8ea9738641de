#pragma once

#include <QWidget>

/// A read-only analogue panel meter: a needle over an arc scale, with the name above and the
/// value as a digital readout below. A value outside the scale pins the needle at that end;
/// the readout still shows the value itself.
class DialMeter : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString name READ name WRITE setName)
    Q_PROPERTY(QString unit READ unit WRITE setUnit)
    Q_PROPERTY(QString format READ format WRITE setFormat)
    Q_PROPERTY(float value READ value WRITE setValue)

public:
    explicit DialMeter(QWidget *parent = nullptr);

    void setName(const QString &name);
    [[nodiscard]] QString name() const { return m_name; }
    void setUnit(const QString &unit);
    [[nodiscard]] QString unit() const { return m_unit; }
    /// The scale runs from `from` (left) to `to` (right), with a labelled tick at each of the
    /// `steps` equal steps and five minor divisions per step; fewer than one step counts as one.
    void setScale(double from, double to, int steps);
    [[nodiscard]] double scaleFrom() const { return m_from; }
    [[nodiscard]] double scaleTo() const { return m_to; }
    [[nodiscard]] int scaleSteps() const { return m_steps; }
    /// A pattern for formatFloat(), such as "##0.0".
    void setFormat(const QString &format);
    [[nodiscard]] QString format() const { return m_format; }
    void setValue(float value);
    [[nodiscard]] float value() const { return m_value; }
    /// The value as the readout shows it.
    [[nodiscard]] QString text() const;
    /// Where the needle stands: 0 at the start of the scale, 1 at its end.
    [[nodiscard]] double needlePosition() const;

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_name;
    QString m_unit;
    QString m_format = QStringLiteral("##0.0");
    double m_from = 0.0;
    double m_to = 100.0;
    int m_steps = 5;
    float m_value = 0.0f;
};
