#include "windows/print_preview_dialog.h"

#include "runtime/centre_on_desktop.h"
#include "windows/chart_view.h"

TChartPreview::TChartPreview(QWidget *owner, ChartView *chart)
    : QDialog(owner)
    , m_chart(chart)
{
    setObjectName(QStringLiteral("ChartPreview"));
    setWindowTitle(QStringLiteral("Chart Print Preview"));
    setFixedSize(551, 383);
}

void TChartPreview::showEvent(QShowEvent *event)
{
    centreOnDesktop(this);
    QDialog::showEvent(event);
}
