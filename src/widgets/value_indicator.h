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

private:
};
