#pragma once

#include "runtime/form.h"
#include "windows/program_windows.h"

class QLabel;
class QPushButton;

/// The clock-set dialog: confirms setting the logger's clock from the PC's. Not modal; the main
/// window sends the command after its next receive event, if the confirmation came while
/// connected.
class TForm8 : public Form
{
    Q_OBJECT

public:
    explicit TForm8(ProgramWindows &windows, QWidget *parent = nullptr);

    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
    QPushButton *BitBtn1;
    QPushButton *BitBtn2;

    /// "PONER EN HORA": asks the main window for the clock setting when connected, stops its
    /// port setup dialog in any case, and closes.
    void BitBtn1Click();
    /// "REGRESAR": closes without any effect.
    void BitBtn2Click();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    ProgramWindows &m_windows;
};
