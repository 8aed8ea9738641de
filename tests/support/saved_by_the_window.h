#pragma once

#include "app/window_set.h"
#include "runtime/error_report.h"
#include "scripted_serial_port.h"
#include "windows/data_window.h"
#include "windows/main_window.h"

#include <QFile>
#include <QFileDialog>

/// The file "GUARDAR" writes as `path` once the data window has shown `downloadText`, with no
/// logger connected; "<missing>" when nothing was written. Needs a QApplication.
inline QByteArray savedByTheWindow(const QByteArray &downloadText, const QString &path)
{
    WindowSet program(std::make_unique<ScriptedSerialPort>());
    ErrorReport::setPresenter([](const QString &) {});
    (void)program.windows.Form1->RichEdit1.append(downloadText);
    ErrorReport::guard([&program] { program.windows.Form5->FormActivate(); });
    QFile::remove(path);
    program.windows.Form5->executeSaveDialog = [path](QFileDialog &) {
        return path;
    };
    program.windows.Form5->SpeedButton1Click();
    ErrorReport::setPresenter({});
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
