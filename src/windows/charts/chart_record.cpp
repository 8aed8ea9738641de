#include "windows/charts/chart_record.h"

#include "windows/charts/chart_window.h"

TForm6 *openRecordChart(ProgramWindows &windows, ChartRecord record, QWidget *parent)
{
    auto *form = new TForm6(windows, parent);
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->showRecord(std::move(record));
    form->show();
    return form;
}
