#pragma once

#include "data/daily_summary.h"

#include <QDialog>

#include <functional>
#include <vector>

class QTableWidget;

/// "Resumen diario": each calendar day's sample count, minimum, mean and maximum per channel,
/// and the day's PAR integral, in a table that can be copied (Ctrl+C, tab-separated, for a
/// spreadsheet) and exported as CSV. Not modal.
class DailySummaryWindow : public QDialog
{
    Q_OBJECT

public:
    explicit DailySummaryWindow(QWidget *parent = nullptr);

    void setDays(std::vector<DaySummary> days);
    /// The whole table as tab-separated lines, as the clipboard gets it.
    [[nodiscard]] QString tableText() const;
    /// Copies tableText() to the clipboard.
    void copyTable() const;
    /// Asks for a file (through exportRequested) and writes the table there as CSV.
    void exportCsv();

    /// Gives the file to export to, empty when the user cancels.
    std::function<QString()> exportRequested;

    QTableWidget *Table;

private:
    std::vector<DaySummary> m_days;
};
