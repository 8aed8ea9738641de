#pragma once

#include "windows/charts/print_margins.h"

#include <QDialog>
#include <QPrinter>

class ChartView;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QScrollBar;
class QSpinBox;
class RadioGroup;
class TPreviewPage;

/// The chart print preview: a sheet of paper in the printer's shape with the chart inside its
/// margins. The user picks the printer and the paper orientation, types or drags the four
/// margins, chooses the detail and whether the margins follow the chart's shape, and prints.
/// The margins, detail and proportional choice are the chart's own and outlive the dialog; the
/// printer is the program's, chosen and set up for the whole run.
class TChartPreview : public QDialog
{
    Q_OBJECT

public:
    TChartPreview(QWidget *owner, ChartView *chart, QPrinter &printer);

    [[nodiscard]] ChartView *chart() const { return m_chart; }
    /// The printer the dialog prints on.
    [[nodiscard]] QPrinter &printer() { return m_printer; }

    QFrame *Panel1;
    QLabel *Label1;
    QComboBox *Printers;
    QPushButton *BSetupPrinter;
    QPushButton *BPrint;
    QPushButton *BClose;
    QFrame *Panel2;
    RadioGroup *Orientation;
    QGroupBox *GBMargins;
    QSpinBox *SETopMa;
    QSpinBox *SELeftMa;
    QSpinBox *SERightMa;
    QSpinBox *SEBotMa;
    QPushButton *BReset;
    QCheckBox *ShowMargins;
    QGroupBox *ChangeDetailGroup;
    QScrollBar *Resolution;
    QCheckBox *CBProp;
    TPreviewPage *PreviewPage;

    // Handlers.
    void FormShow();
    void PrintersChange();
    void BSetupPrinterClick();
    void OrientationClick();
    void SETopMaChange();
    void SELeftMaChange();
    void SERightMaChange();
    void SEBotMaChange();
    void ShowMarginsClick();
    void BResetClick();
    void ResolutionChange();
    void CBPropClick();
    void BPrintClick();
    void BCloseClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildComponents();
    /// Fills the printer list with the installed printers and selects the printer's own.
    void fillPrinters();
    /// The page is the whole area the printer can print on: the toolkit's own page margins come
    /// on top of the chart's, which are the only margins meant.
    void usePrintableArea();
    void showPrinterOrientation();
    /// Runs the toolkit's page setup of the printer in this dialog's language, without its
    /// margin fields: the chart's own margins are the only ones that print.
    void runPrinterSetup();
    /// Works out the proportional margins if they are asked for, shows the margins and the page
    /// and whether they can be reset.
    void recalculate();
    /// Writes the chart's margins into the four boxes without acting on them.
    void writeMargins();
    void updateResetButton();
    /// Takes a margin typed into a box unless it leaves no room beside the opposite one.
    void marginChanged(QSpinBox *box, int PrintMargins::*margin, int PrintMargins::*opposite);
    /// The margins dragged on the page: shown in the boxes, and no longer proportional.
    void marginsDragged();

    /// The page's size in printer pixels and the printer's resolutions; the screen's when no
    /// printer is installed.
    [[nodiscard]] bool hasPrinter() const;
    [[nodiscard]] QSize pageSize() const;
    [[nodiscard]] PrintMargins proportional() const;

    ChartView *m_chart;
    QPrinter &m_printer;
    PrintMargins m_savedMargins;
    bool m_starting = true;
    bool m_updating = true;
    bool m_silencePropClick = false;
    bool m_shown = false;
};
