#pragma once

#include "runtime/form.h"
#include "windows/program_windows.h"

#include <QPoint>

#include <optional>

class GradientBackground;
class QLabel;
class Thermometer;

/// The online gauges window: the four channels as thermometers, written by the main window on
/// every status frame whether the window is shown or not. It stands flush against the main
/// window's left side and hides the main window's button that opens it while it is open.
class TForm4 : public Form
{
    Q_OBJECT

public:
    explicit TForm4(ProgramWindows &windows, QWidget *parent = nullptr);

    GradientBackground *Gradient1;
    QLabel *Label1;
    Thermometer *Thermometer1;
    Thermometer *Thermometer2;
    Thermometer *Thermometer3;
    Thermometer *Thermometer4;

    /// Moves the main window back to where it was and shows its button again.
    void FormClose();

protected:
    /// Hides the main window's "Indicadores gráficos" button and places both windows: the main
    /// window moves right once per opening, this window follows it at every activation.
    void FormActivate() override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    /// The two rows of thermometers share the window's height, whatever the main window lends.
    void resizeEvent(QResizeEvent *event) override;

private:
    /// Where the main window stood before this window opened, and where it was moved to.
    struct MainWindowMove
    {
        QPoint before;
        QPoint opened;
    };

    ProgramWindows &m_windows;
    std::optional<MainWindowMove> m_mainMove;
};
