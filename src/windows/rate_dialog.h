#pragma once

#include "runtime/form.h"
#include "windows/program_windows.h"

class QLabel;
class QPushButton;
class RadioGroup;

/// The sample-rate dialog: each change of the chosen rate is sent to the logger at once, when
/// connected. Every opening starts with no rate chosen.
class TForm7 : public Form
{
    Q_OBJECT

public:
    explicit TForm7(ProgramWindows &windows, QWidget *parent = nullptr);

    QLabel *Label1;
    RadioGroup *RadioGroup1;
    QPushButton *BitBtn1;

    /// Sends the rate command of the chosen item through the main window's port, if connected.
    void RadioGroup1Click();
    void BitBtn1Click();

protected:
    /// Clears the choice.
    void FormActivate() override;
    void showEvent(QShowEvent *event) override;

private:
    ProgramWindows &m_windows;
};
