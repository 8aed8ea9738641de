#pragma once

#include <QApplication>
#include <QString>

#include <functional>

/// The standard error report: an exception that leaves an event handler is shown in an error
/// message box captioned with the application title, the rest of that handler is abandoned and
/// the program goes on.
namespace ErrorReport {

/// The application title that captions message boxes.
[[nodiscard]] QString applicationTitle();

/// Shows a message as the standard error box (or hands it to the presenter set for tests).
void show(const QString &message);

/// Reports the exception being handled; call it only inside a catch block.
void showCurrentException();

/// Replaces the error box, for tests; an empty function restores it.
void setPresenter(std::function<void(const QString &message)> presenter);

/// Runs a handler and reports any exception that leaves it, so that none crosses the toolkit.
template<typename Handler>
void guard(Handler &&handler) noexcept
{
    try {
        handler();
    } catch (...) {
        showCurrentException();
    }
}

} // namespace ErrorReport

/// The application object: the last line of defence reports what an event handler let through.
class ErrorReportingApplication : public QApplication
{
    Q_OBJECT

public:
    ErrorReportingApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;
};
