#pragma once

#include <qcustomplot.h>

/// Ticks of a horizontal axis whose keys are sample times (see DateTicks): round calendar
/// steps, labelled in Spanish, as many as the axis's width in pixels holds without crowding.
class DateAxisTicker : public QCPAxisTicker
{
public:
    explicit DateAxisTicker(const QCPAxis *axis);

    void generate(const QCPRange &range, const QLocale &locale, QChar formatChar, int precision,
                  QVector<double> &ticks, QVector<double> *subTicks,
                  QVector<QString> *tickLabels) override;

private:
    const QCPAxis *m_axis;
};
