#pragma once

#include "runtime/form.h"
#include "windows/program_windows.h"

#include <QStringList>

class GradientBackground;
class QPlainTextEdit;

/// The help window: how to use the program, in a text box the user may also write in; what
/// is written there stays until the program ends, since the window is never made anew.
class TForm3 : public Form
{
    Q_OBJECT

public:
    explicit TForm3(ProgramWindows &windows, QWidget *parent = nullptr);

    /// The help text as the window starts with it, one entry per line.
    [[nodiscard]] static QStringList helpLines();

    GradientBackground *Gradient1;
    QPlainTextEdit *Memo1;

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    /// At the first showing, makes the window as much taller as the help text needs to show
    /// whole, without scrolling, within the screen; the width stays.
    void growToWholeText();

    ProgramWindows &m_windows;
    bool m_grownToText = false;
};
