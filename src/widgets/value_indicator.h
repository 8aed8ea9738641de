#pragma once

#include "widgets/readout.h"

/// A digital readout on a small panel: the name above, the formatted value with its unit in a
/// dark window below.
class ValueIndicator : public Readout
{
    Q_OBJECT

public:
    explicit ValueIndicator(QWidget *parent = nullptr);

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    /// Only the readout window, and only when the text it shows changes.
    void repaintValue(float before, const QString &textBefore) override;

private:
    struct Layout
    {
        QRectF name;
        QRectF readout;
    };
    [[nodiscard]] Layout layout() const;
};
