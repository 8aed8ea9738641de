// Runs the runtime's suites in one executable under the error-reporting application.
#include "runtime/error_report.h"

#include <QTest>

int runFormActivationTests(int argc, char **argv);
int runErrorReportTests(int argc, char **argv);

int main(int argc, char **argv)
{
    ErrorReportingApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("BRENTAVIUS4"));
    int failures = 0;
    failures += runFormActivationTests(argc, argv);
    failures += runErrorReportTests(argc, argv);
    return failures;
}
