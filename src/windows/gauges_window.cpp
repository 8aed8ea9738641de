#include "windows/gauges_window.h"

#include "widgets/thermometer.h"

#include <QHBoxLayout>

TForm4::TForm4(ProgramWindows &windows, QWidget *parent)
    : Form(parent, Qt::Dialog | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , m_windows(windows)
{
    setObjectName(QStringLiteral("Form4"));
    setFixedSize(257, 395);
    auto *layout = new QHBoxLayout(this);
    Thermometer **thermometers[] = {&Thermometer1, &Thermometer2, &Thermometer3, &Thermometer4};
    for (int i = 0; i < 4; ++i) {
        *thermometers[i] = new Thermometer(this);
        (*thermometers[i])->setObjectName(QStringLiteral("Thermometer%1").arg(i + 1));
        layout->addWidget(*thermometers[i]);
    }
}
