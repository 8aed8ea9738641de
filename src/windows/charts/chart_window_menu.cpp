#include "windows/charts/chart_window_menu.h"

#include "runtime/error_report.h"
#include "windows/charts/chart_view.h"
#include "windows/charts/chart_window.h"

#include <QMenu>

void showChartMenu(TForm6 &form, ChartView &chart, QPoint globalPos)
{
    QMenu menu(&chart);
    menu.setObjectName(QStringLiteral("ChartMenu"));
    QAction *save = menu.addAction(QStringLiteral("Guardar imagen…"));
    QAction *copy = menu.addAction(QStringLiteral("Copiar"));
    QAction *chosen = menu.exec(globalPos);
    if (chosen == save)
        ErrorReport::guard([&form, &chart] { form.saveChartPicture(&chart); });
    else if (chosen == copy)
        form.copyChart(&chart);
}
