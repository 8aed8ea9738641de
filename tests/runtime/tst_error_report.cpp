// Covers the standard error report: exceptions leaving handlers are shown with their message,
// the rest of the handler is abandoned and the program goes on.
#include "runtime/conversion_error.h"
#include "runtime/error_report.h"

#include <QLabel>
#include <QTest>
#include <QTimer>

class TestErrorReport : public QObject
{
    Q_OBJECT

private:
    QStringList m_reported;

private slots:
    void init()
    {
        m_reported.clear();
        ErrorReport::setPresenter([this](const QString &message) { m_reported.append(message); });
    }

    void cleanup() { ErrorReport::setPresenter({}); }

    void aGuardedHandlerStopsAtTheExceptionAndReportsIt()
    {
        bool restRan = false;
        ErrorReport::guard([&] {
            (void)digitValue('x');
            restRan = true;
        });
        QVERIFY(!restRan);
        QCOMPARE(m_reported, QStringList {QStringLiteral("'x' is not a valid integer value")});
    }

    void anExceptionFromAnEventHandlerIsReportedAndTheLoopGoesOn()
    {
        // A timer whose handler throws on every tick: each tick is reported, none ends the loop.
        class Thrower : public QObject
        {
        public:
            int ticks = 0;

        protected:
            void timerEvent(QTimerEvent *) override
            {
                ++ticks;
                throw EConvertError::invalidFloat(QStringLiteral("1,2,3"));
            }
        } thrower;
        thrower.startTimer(1);
        QTRY_VERIFY(thrower.ticks >= 2);
        QCOMPARE(m_reported.first(), QStringLiteral("'1,2,3' is not a valid floating point value"));
        QCOMPARE(m_reported.size(), thrower.ticks);
    }

    void theErrorBoxIsCaptionedWithTheApplicationTitle()
    {
        ErrorReport::setPresenter({});
        QString caption;
        QString text;
        QTimer::singleShot(0, [&] {
            QTRY_VERIFY(QApplication::activeModalWidget());
            caption = QApplication::activeModalWidget()->windowTitle();
            text = QApplication::activeModalWidget()
                       ->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"))
                       ->text();
            QApplication::activeModalWidget()->close();
        });
        ErrorReport::show(QStringLiteral("Unable to open com port (win error code: 2)"));
        QCOMPARE(caption, QStringLiteral("BRENTAVIUS4"));
        QCOMPARE(text, QStringLiteral("Unable to open com port (win error code: 2)"));
    }
};

int runErrorReportTests(int argc, char **argv)
{
    TestErrorReport test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_error_report.moc"
