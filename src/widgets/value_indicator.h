#pragma once

#include <QWidget>

/// A digital readout on a small panel: the name above, the formatted value with its unit in a
/// dark window below.
class ValueIndicator : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString name READ name WRITE setName)
    Q_PROPERTY(QString unit READ unit WRITE setUnit)
    Q_PROPERTY(QString format READ format WRITE setFormat)
    Q_PROPERTY(float value READ value WRITE setValue)

public:
    explicit ValueIndicator(QWidget *parent = nullptr);

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

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_name;
    QString m_unit;
    QString m_format = QStringLiteral("#0.0");
    float m_value = 0.0f;
};
