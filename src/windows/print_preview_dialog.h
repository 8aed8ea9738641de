#pragma once

#include <QDialog>

class ChartView;

/// The chart print preview dialog, for now an empty shell with its caption and size: it is
/// handed the chart to print and shown modally by each "Imprimir" of the chart window.
class TChartPreview : public QDialog
{
    Q_OBJECT

public:
    TChartPreview(QWidget *owner, ChartView *chart);

    [[nodiscard]] ChartView *chart() const { return m_chart; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    ChartView *m_chart;
};
