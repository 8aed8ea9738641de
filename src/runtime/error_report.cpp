#include "runtime/error_report.h"

#include <QMessageBox>

#include <exception>

namespace ErrorReport {

namespace {

std::function<void(const QString &)> &presenter()
{
    static std::function<void(const QString &)> instance;
    return instance;
}

} // namespace

QString applicationTitle()
{
    return QCoreApplication::applicationName();
}

void show(const QString &message)
{
    if (presenter()) {
        presenter()(message);
        return;
    }
    QMessageBox box(QMessageBox::Critical, applicationTitle(), message, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

void showCurrentException()
{
    try {
        throw;
    } catch (const std::exception &error) {
        show(QString::fromUtf8(error.what()));
    } catch (...) {
        show(QStringLiteral("Unknown error"));
    }
}

void setPresenter(std::function<void(const QString &message)> presenter)
{
    ErrorReport::presenter() = std::move(presenter);
}

} // namespace ErrorReport

ErrorReportingApplication::ErrorReportingApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{ }

bool ErrorReportingApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ErrorReport::showCurrentException();
        return false;
    }
}
