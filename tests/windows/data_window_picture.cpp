// Writes a picture of the data window filled from a simulated logger's download, so that a
// person can judge the look: data_window_picture [file.png]
#include "app/window_set.h"
#include "download_text.h"
#include "memory_model.h"
#include "scripted_serial_port.h"
#include "weather_model.h"
#include "windows/data_window.h"
#include "windows/main_window.h"

#include <QApplication>
#include <QTest>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString file =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("data_window.png");

    WindowSet program(std::make_unique<ScriptedSerialPort>());
    const QDateTime now(QDate(2026, 12, 6), QTime(14, 30, 5), Qt::UTC);
    const MemoryModel memory = MemoryModel::endingAt(now, 15, 400);
    (void)program.windows.Form1->RichEdit1.append(DownloadText::build(memory, WeatherModel(3), 400)
                                                  + "A");

    TForm5 *window = program.windows.Form5;
    window->show();
    if (!QTest::qWaitForWindowExposed(window))
        return 1;
    QTest::qWait(50);
    return window->grab().save(file) ? 0 : 1;
}
