#pragma once

#include "serial/serial_combo_box.h"
#include "serial/serial_error.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;

/// A failure while the dialog builds its lists, worded as a read error of the list's setting
/// ("Error reading Combo1.SerialProperty: Registry error (win error code: 2)"). It keeps the
/// codes of the serial error inside, so a caller that catches ESerialPort catches it too.
class EReadError : public ESerialPort
{
public:
    EReadError(const QString &componentName, const QString &propertyName, const ESerialPort &inner);
    [[nodiscard]] QString message() const { return QString::fromUtf8(what()); }
};

/// The port setup dialog: six lists for the port name, baud rate, data bits, stop bits, parity
/// and flow control of one port, with OK and Cancel. Created for one ShowPortSetup.
class TSerialSetupFrm : public QDialog
{
    Q_OBJECT

public:
    /// Builds the dialog; the port list may fail with EReadError (error 23 inside).
    explicit TSerialSetupFrm(QWidget *parent = nullptr);

    QGroupBox *GroupBox1;
    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
    QLabel *Label4;
    QLabel *Label5;
    QLabel *Label6;
    TSerialComboBox *Combo1;
    TSerialComboBox *Combo2;
    TSerialComboBox *Combo3;
    TSerialComboBox *Combo4;
    TSerialComboBox *Combo5;
    TSerialComboBox *Combo6;
    QPushButton *Button1;
    QPushButton *Button2;

protected:
    /// Escape closes nothing: neither button is the cancel button.
    void keyPressEvent(QKeyEvent *event) override;
};
