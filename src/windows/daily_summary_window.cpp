#include "windows/daily_summary_window.h"

#include "data/csv_export.h"
#include "data/text_export.h"
#include "runtime/error_report.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

DailySummaryWindow::DailySummaryWindow(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("DailySummary"));
    setWindowTitle(QStringLiteral("Resumen diario"));
    setModal(false);
    resize(900, 320);

    Table = new QTableWidget(this);
    Table->setObjectName(QStringLiteral("Table"));
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->verticalHeader()->hide();

    auto *copy = new QPushButton(QStringLiteral("Copiar"), this);
    copy->setToolTip(QStringLiteral("Copia la tabla para pegarla en una planilla (Ctrl+C)"));
    auto *exportButton = new QPushButton(QStringLiteral("Exportar CSV…"), this);
    auto *close = new QPushButton(QStringLiteral("Cerrar"), this);
    connect(copy, &QPushButton::clicked, this, [this] { copyTable(); });
    connect(exportButton, &QPushButton::clicked, this,
            [this] { ErrorReport::guard([this] { exportCsv(); }); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    auto *copyAction = new QAction(this);
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setShortcutContext(Qt::WindowShortcut);
    connect(copyAction, &QAction::triggered, this, [this] { copyTable(); });
    addAction(copyAction);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(copy);
    buttons->addWidget(exportButton);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Table);
    layout->addLayout(buttons);
}

void DailySummaryWindow::setDays(std::vector<DaySummary> days)
{
    m_days = std::move(days);
    const QList<QStringList> table = summaryTable(m_days, SummaryTableStyle::Screen);
    Table->clear();
    Table->setColumnCount(int(table.first().size()));
    Table->setRowCount(int(table.size()) - 1);
    Table->setHorizontalHeaderLabels(table.first());
    for (int row = 1; row < table.size(); ++row) {
        for (int column = 0; column < table[row].size(); ++column) {
            auto *item = new QTableWidgetItem(table[row][column]);
            item->setTextAlignment(column == 0 ? Qt::AlignLeft | Qt::AlignVCenter
                                               : Qt::AlignRight | Qt::AlignVCenter);
            Table->setItem(row - 1, column, item);
        }
    }
    Table->resizeColumnsToContents();
    // Wide enough for every column where the screen allows, beside the scroll bar that a
    // long range brings.
    const int wanted = Table->horizontalHeader()->length() + Table->frameWidth() * 2
        + style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, Table)
        + layout()->contentsMargins().left() + layout()->contentsMargins().right() + 4;
    const QScreen *screen = this->screen();
    const int widest = screen ? screen->availableGeometry().width() - 40 : wanted;
    resize(std::min(wanted, widest), height());
}

QString DailySummaryWindow::tableText() const
{
    QString text;
    for (const QStringList &row : summaryTable(m_days, SummaryTableStyle::Screen))
        text += row.join(QLatin1Char('\t')) + QLatin1Char('\n');
    return text;
}

void DailySummaryWindow::copyTable() const
{
    QApplication::clipboard()->setText(tableText());
}

void DailySummaryWindow::exportCsv()
{
    const QString fileName = exportRequested ? exportRequested() : QString();
    if (fileName.isEmpty())
        return;
    QByteArray text;
    for (const QStringList &row : summaryTable(m_days, SummaryTableStyle::Csv))
        text += CsvExport::record(row);
    TextExport::writeFile(fileName, text);
}
