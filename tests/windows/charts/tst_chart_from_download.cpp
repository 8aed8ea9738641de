// Covers the chart window reading the real data window after a download from the simulated
// logger: a full memory charted point for point, and columns and rows the user moved in the grid.
#include "app/window_set.h"
#include "download_text.h"
#include "memory_model.h"
#include "runtime/error_report.h"
#include "scripted_serial_port.h"
#include "weather_model.h"
#include "windows/charts/chart_filling.h"
#include "windows/charts/chart_view.h"
#include "windows/charts/chart_window.h"
#include "windows/data_window.h"
#include "windows/main_window.h"

#include <QHeaderView>
#include <QTest>

class TestChartFromDownload : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<WindowSet> m_set;
    QStringList m_errors;

    ProgramWindows &windows() { return m_set->windows; }

    /// A download of `samples` samples at 15 minutes, as the main window holds it, decoded into
    /// the data window's grid.
    void download(int samples)
    {
        const QDateTime now(QDate(2026, 12, 6), QTime(14, 30, 5), Qt::UTC);
        const MemoryModel memory = MemoryModel::endingAt(now, 15, samples);
        windows().Form1->RichEdit1.clear();
        (void)windows().Form1->RichEdit1.append(
            DownloadText::build(memory, WeatherModel(3), samples) + "A");
        windows().Form5->FormActivate();
    }

    QString gridText(int column, int row) const
    {
        return m_set->windows.Form5->StringGrid1->cellText(column, row);
    }

private slots:
    void init()
    {
        m_errors.clear();
        ErrorReport::setPresenter([this](const QString &message) { m_errors.append(message); });
        m_set = std::make_unique<WindowSet>(std::make_unique<ScriptedSerialPort>());
    }

    void cleanup()
    {
        m_set.reset();
        ErrorReport::setPresenter({});
    }

    void aFullMemoryIsChartedPointForPoint()
    {
        download(4000);
        TForm6 *chart = windows().Form6;
        chart->FormActivate();
        QCOMPARE(m_errors, QStringList());
        const struct
        {
            const QCPGraph *series;
            int channel;
        } filled[] = {
            {chart->Series1, 1}, {chart->Series2, 2}, {chart->Series9, 3}, {chart->Series10, 4}};
        for (const auto &[series, channel] : filled) {
            QCOMPARE(series->dataCount(), 4000);
            for (int row : {1, 2000, 4000}) {
                const auto point = series->data()->at(row - 1);
                QCOMPARE(point->key, double(row - 1));
                QCOMPARE(point->value,
                         parseProgramFloat(gridText(channelColumn(channel), row)).value());
            }
        }
    }

    void movedRowsAreFollowedAndAMovedDateColumnStopsTheFilling()
    {
        download(5);
        StringGrid *grid = windows().Form5->StringGrid1;
        const QString third = gridText(channelColumn(1), 3);
        grid->verticalHeader()->moveSection(2, 0); // row 3 to the top
        TForm6 *chart = windows().Form6;
        chart->FormActivate();
        QCOMPARE(chart->Series1->data()->at(0)->value, parseProgramFloat(third).value());

        grid->horizontalHeader()->moveSection(0, 2); // the date column onto channel 1's place
        const QString date = gridText(channelColumn(1), 1);
        ErrorReport::guard([chart] { chart->FormActivate(); }); // as the activation reports it
        QCOMPARE(
            m_errors,
            QStringList {QStringLiteral("'%1' is not a valid floating point value").arg(date)});
        QCOMPARE(chart->Series1->dataCount(), 0);
        QCOMPARE(chart->Series9->dataCount(), 5); // the later series keep their points
    }
};

QTEST_MAIN(TestChartFromDownload)
#include "tst_chart_from_download.moc"
