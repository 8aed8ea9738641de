#pragma once

#include "runtime/form.h"
#include "windows/program_windows.h"

class QFrame;
class QLabel;
class QPushButton;

/// The about window: the program, its version and its maker.
class TForm2 : public Form
{
    Q_OBJECT

public:
    explicit TForm2(ProgramWindows &windows, QWidget *parent = nullptr);

    QFrame *Panel1;
    QLabel *ProgramIcon;
    QLabel *ProductName;
    QLabel *Label4;
    QLabel *Version;
    QLabel *Label1;
    QLabel *Label2;
    QLabel *Comments;
    QLabel *Copyright;
    QLabel *Label3;
    QPushButton *OKButton;

    void OKButtonClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    ProgramWindows &m_windows;
};
